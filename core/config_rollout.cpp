#include "core/config_rollout.h"

#include <cstdint>

#include "core/fnv1a.h"

namespace vtb {
namespace {

// The record as written, without the line break a hand edit may add.
std::string_view WithoutLineEnd(std::string_view text) {
    while (!text.empty() && (text.back() == '\r' || text.back() == '\n' || text.back() == ' ')) text.remove_suffix(1);
    return text;
}

constexpr std::size_t kStampLength = 15;  // yyyymmdd-hhmmss

void PutDigits(char* at, int value, int width) {
    for (int i = width - 1; i >= 0; --i, value /= 10) at[i] = static_cast<char>('0' + value % 10);
}

// A set-aside name's moment and sequence; sequence 0 for any other name.
struct SetAsideKey {
    std::string_view Stamp;
    unsigned long Sequence = 0;

    SetAsideKey(std::string_view prefix, std::string_view name) {
        if (name.size() < prefix.size() + kStampLength || name.substr(0, prefix.size()) != prefix) return;
        name.remove_prefix(prefix.size());
        for (std::size_t i = 0; i < kStampLength; ++i)
            if ((i == 8) != (name[i] == '-') || (i != 8 && (name[i] < '0' || name[i] > '9'))) return;
        Stamp = name.substr(0, kStampLength);
        name.remove_prefix(kStampLength);
        unsigned long sequence = name.empty() ? 1 : 0;
        if (!name.empty() && (name.front() != '-' || name.size() < 2 || name.size() > 7)) return;
        for (std::size_t i = 1; i < name.size(); ++i) {
            if (name[i] < '0' || name[i] > '9') return;
            sequence = sequence * 10 + static_cast<unsigned long>(name[i] - '0');
        }
        Sequence = sequence;
    }
    bool NewerThan(const SetAsideKey& other) const {
        return Stamp != other.Stamp ? Stamp > other.Stamp : Sequence > other.Sequence;
    }
};

}  // namespace

std::string SetAsideSuffix(const UtcTime& when, int sequence) {
    char stamp[] = ".old-yyyymmdd-hhmmss";
    const int fields[] = {when.Year, when.Month, when.Day, when.Hour, when.Minute, when.Second};
    char* at = stamp + 5;
    for (int i = 0; i < 6; ++i) {
        const int width = i == 0 ? 4 : 2;
        PutDigits(at, fields[i], width);
        at += width + (i == 2);
    }
    std::string suffix = stamp;
    if (sequence > 1) (suffix += '-') += std::to_string(sequence);
    return suffix;
}

int NextSetAsideSequence(const std::string& copyName, const std::vector<std::string>& names, const UtcTime& when) {
    const std::string prefix = copyName + ".old-";
    const std::string stamp = SetAsideSuffix(when, 1).substr(5);
    unsigned long last = 0;
    for (const std::string& name : names) {
        const SetAsideKey key(prefix, name);
        if (key.Stamp == stamp && key.Sequence > last) last = key.Sequence;
    }
    return static_cast<int>(last + 1);
}

std::vector<std::string> SetAsidesBeyond(const std::string& copyName, const std::vector<std::string>& names,
                                         std::size_t keep) {
    const std::string prefix = copyName + ".old-";
    // A folder holds a handful of them: each is counted against the others.
    std::vector<std::string> beyond;
    for (const std::string& name : names) {
        const SetAsideKey key(prefix, name);
        if (key.Sequence == 0) continue;
        std::size_t newer = 0;
        for (const std::string& other : names) {
            const SetAsideKey otherKey(prefix, other);
            newer += otherKey.Sequence != 0 && otherKey.NewerThan(key);
        }
        if (newer >= keep) beyond.push_back(name);
    }
    return beyond;
}

std::string ConfigurationRecord(const std::optional<std::string>& machineBytes) {
    if (!machineBytes) return "none";
    // The folder the record lies in is the user's own to write: the hash
    // tells deployments apart, it guards nothing.
    return "fnv1a64 " + Hex64(Fnv1a64(*machineBytes)) + " " + std::to_string(machineBytes->size());
}

ConfigurationChoice ChooseConfiguration(const ConfigurationFacts& facts) {
    if (!facts.UsersCopiesAllowed || !facts.UsersCopyExists) return ConfigurationChoice::Machine;
    // The machine's file may be half-way through a deployment: the user's
    // copy carries on until it can be read again.
    if (!facts.MachineBytes) return ConfigurationChoice::UsersCopy;
    if (!facts.Record || WithoutLineEnd(*facts.Record) != ConfigurationRecord(facts.MachineBytes))
        return ConfigurationChoice::SetUsersCopyAside;
    return ConfigurationChoice::UsersCopy;
}

}  // namespace vtb
