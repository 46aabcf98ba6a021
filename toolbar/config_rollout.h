// A firm's configuration reaches every user: a user's updated copy is read
// only while the machine's file holds what it held when the copy arrived.
// The record of that content lies beside the copy; a superseded copy is
// moved aside, never deleted.
#pragma once

#include <string>

#include "toolbar/data_paths.h"

namespace vtb {

// The configuration a construction reads: the user's copy when it is still
// current and reads as a configuration, else the machine's. A superseded
// copy is set aside on the way. usersCopiesAllowed false (updates switched
// off by policy): always the machine's.
std::string ConfigurationToRead(const DataPaths& paths, bool usersCopiesAllowed);

// Puts a downloaded configuration in place of the one a construction reads:
// beside the DLL over the machine's file; per user as the user's copy,
// with the record of the machine file it supersedes. False when it could
// not. The configuration read until now then stays, except when the copy
// took its place but its record could not follow: the record left there
// from an earlier update, if any, then decides at the next start whether
// the new copy counts, and without one the copy is set aside.
bool PutDownloadedConfiguration(const DataPaths& paths, const std::string& downloaded);

}  // namespace vtb
