// A firm's configuration reaches every user: a user's updated copy is read
// only while the machine's file holds what it held when the copy arrived.
// The record of that content lies beside the copy; a superseded copy is
// moved aside under a name of its own, never deleted nor overwritten (the
// five newest stay).
#pragma once

#include <optional>
#include <string>

#include "toolbar/data_paths.h"

namespace vtb {

struct ConfigurationSource {
    std::string Path;  // the file a construction reads
    // The record of the machine's file as the choice found it; empty when
    // Path is the machine's file itself (its bytes as read make the record).
    std::string MachineRecord;
};

// The configuration a construction reads: the user's copy when it is still
// current and reads as a configuration, else the machine's. A superseded
// copy is set aside on the way. usersCopiesAllowed false (updates switched
// off by policy): always the machine's.
ConfigurationSource ConfigurationToRead(const DataPaths& paths, bool usersCopiesAllowed);

// Puts a downloaded configuration in place of the one a construction reads:
// beside the DLL over the machine's file; per user as the user's copy, with
// machineRecord (the machine's file the toolbar was built from) as its
// record. The copy and its record come into force together; when they
// cannot, the system's reason is returned and the copy and record in force
// before are in force still, byte for byte.
std::optional<std::string> PutDownloadedConfiguration(const DataPaths& paths, const std::string& downloaded,
                                                      const std::string& machineRecord);

}  // namespace vtb
