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

}  // namespace

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
