// Values shared by every toolbar of the loaded DLL. Constructions may run on
// several browser threads at once, so they are serialised and the values
// are read and replaced under a lock; a form keeps the target list it was
// built with, so later constructions never change what its controls mean.
#pragma once

#include <string>

#include "core/config_file.h"
#include "win/locks.h"

namespace vtb {

struct ModuleValues {
    SharedTargets URLList;  // null until the first construction read a file
    ConfigValues Config;
    std::string SearchMethod;
};

// Held by a construction from its start to its end.
SlimLock& ConstructionLock();

ModuleValues SnapshotModuleValues();
// What a construction read: the new target list and the strings. The search
// method, which other threads may choose meanwhile, is not touched.
void PublishConfiguration(const SharedTargets& urls, const ConfigValues& config);

std::string CurrentSearchMethod();
void SetSearchMethod(const std::string& method);

// For the tests only: forgets the configuration, the targets and the search
// method every toolbar of the process shares, as in a process that has just
// loaded the DLL.
namespace test_seam {
void ResetModuleValues();
}

}  // namespace vtb
