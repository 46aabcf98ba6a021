// Which configuration a toolbar reads when a user has an updated copy of
// their own: the copy stands only over the machine configuration it was
// downloaded over. Dates say nothing here: packages and copies keep the
// time a file was built, not the time it arrived.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace vtb {

// What the user's folder keeps beside an updated copy: the content of the
// machine's file the copy superseded, as one line. No file: "none".
std::string ConfigurationRecord(const std::optional<std::string>& machineBytes);

enum class ConfigurationChoice {
    Machine,           // the machine's file; the user's copy is left as it is
    UsersCopy,         // the user's copy (if it reads as a configuration)
    SetUsersCopyAside  // the machine's file; the user's copy is superseded
};

struct ConfigurationFacts {
    bool UsersCopiesAllowed = true;  // no policy switched updates off
    bool UsersCopyExists = false;
    std::optional<std::string> Record;        // as stored; none without a record
    std::optional<std::string> MachineBytes;  // none when the file cannot be read
};

// The user's copy counts while the machine's file still holds what the
// record says; a copy without a record (an older version's) is superseded.
// A machine file that cannot be read sets nothing aside.
ConfigurationChoice ChooseConfiguration(const ConfigurationFacts& facts);

}  // namespace vtb
