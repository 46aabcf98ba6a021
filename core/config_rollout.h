// Which configuration a toolbar reads when a user has an updated copy of
// their own: the copy stands only over the machine configuration it was
// downloaded over. Dates say nothing here: packages and copies keep the
// time a file was built, not the time it arrived.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

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

// A moment in UTC, as the system's clock gives it.
struct UtcTime {
    int Year = 0, Month = 0, Day = 0, Hour = 0, Minute = 0, Second = 0;
};

// How many copies set aside a user's folder keeps: the newest.
constexpr std::size_t kSetAsideCopiesKept = 5;

// What a superseded copy's name takes on when it is set aside: ".old-",
// the moment in UTC as yyyymmdd-hhmmss, and from the second copy of one
// second on "-2", "-3"... So no set-aside ever takes another's name.
std::string SetAsideSuffix(const UtcTime& when, int sequence);

// The sequence a copy set aside at `when` takes: after every copy of the
// same second among the names, so that a name freed by an old copy's
// removal is never taken by a newer one.
int NextSetAsideSequence(const std::string& copyName, const std::vector<std::string>& names, const UtcTime& when);

// Of the file names of a folder, the copies set aside beyond the newest
// `keep` (by the moment and sequence in their names); names of any other
// form are never among them.
std::vector<std::string> SetAsidesBeyond(const std::string& copyName, const std::vector<std::string>& names,
                                         std::size_t keep = kSetAsideCopiesKept);

}  // namespace vtb
