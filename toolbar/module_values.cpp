#include "toolbar/module_values.h"

namespace vtb {

namespace {

// Made when the module is loaded, before any toolbar can be constructed.
SlimLock constructionLock;
SlimLock valuesLock;
ModuleValues values;

}  // namespace

SlimLock& ConstructionLock() { return constructionLock; }

ModuleValues SnapshotModuleValues() {
    const SharedLock guard(valuesLock);
    return values;
}

void PublishConfiguration(const SharedTargets& urls, const ConfigValues& config) {
    const ExclusiveLock guard(valuesLock);
    values.URLList = urls;
    values.Config = config;
}

std::string CurrentSearchMethod() {
    const SharedLock guard(valuesLock);
    return values.SearchMethod;
}

void SetSearchMethod(const std::string& method) {
    const ExclusiveLock guard(valuesLock);
    values.SearchMethod = method;
}

void test_seam::ResetModuleValues() {
    const ExclusiveLock guard(valuesLock);
    values = ModuleValues();
}

}  // namespace vtb
