#include "core/module_values.h"

namespace vtb {

namespace {

// Function-local statics: the values must exist before any construction,
// whatever order the module's static objects are made in.
std::mutex& ValuesLock()
{
    static std::mutex lock;
    return lock;
}

ModuleValues& Values()
{
    static ModuleValues values;
    return values;
}

}  // namespace

std::mutex& ConstructionLock()
{
    static std::mutex lock;
    return lock;
}

ModuleValues SnapshotModuleValues()
{
    std::lock_guard<std::mutex> guard(ValuesLock());
    return Values();
}

void PublishConfiguration(const SharedTargets& urls, const ConfigValues& config)
{
    std::lock_guard<std::mutex> guard(ValuesLock());
    Values().URLList = urls;
    Values().Config = config;
}

std::string CurrentSearchMethod()
{
    std::lock_guard<std::mutex> guard(ValuesLock());
    return Values().SearchMethod;
}

void SetSearchMethod(const std::string& method)
{
    std::lock_guard<std::mutex> guard(ValuesLock());
    Values().SearchMethod = method;
}

void ResetModuleValues()
{
    std::lock_guard<std::mutex> guard(ValuesLock());
    Values() = ModuleValues();
}

}  // namespace vtb
