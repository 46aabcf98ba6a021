#include "core/config_rollout.h"

#include <cstdint>

namespace vtb {
namespace {

// FNV-1a, 64 bits: the record tells deployments apart, it guards nothing
// (the folder it lies in is the user's own to write).
std::uint64_t Fnv1a64(std::string_view bytes) {
    std::uint64_t hash = 14695981039346656037ull;
    for (const unsigned char c : bytes) hash = (hash ^ c) * 1099511628211ull;
    return hash;
}

std::string Hex64(std::uint64_t value) {
    std::string text;
    for (int shift = 60; shift >= 0; shift -= 4) text += "0123456789abcdef"[(value >> shift) & 0xF];
    return text;
}

// The record as written, without the line break a hand edit may add.
std::string_view WithoutLineEnd(std::string_view text) {
    while (!text.empty() && (text.back() == '\r' || text.back() == '\n' || text.back() == ' ')) text.remove_suffix(1);
    return text;
}

}  // namespace

std::string ConfigurationRecord(const std::optional<std::string>& machineBytes) {
    if (!machineBytes) return "none";
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
