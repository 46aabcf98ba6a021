// The band's class ID as the system's GUID structure, made from the portable
// core's text at compile time.
#pragma once

#include <windows.h>

#include "core/identifiers.h"

namespace vtb {

constexpr GUID ToGuid(const ClassIdFields& id) {
    const std::uint8_t* b = id.Data4;
    return GUID{id.Data1, id.Data2, id.Data3, {b[0], b[1], b[2], b[3], b[4], b[5], b[6], b[7]}};
}

inline constexpr GUID kBandClassGuid = ToGuid(kBandClassId);

}  // namespace vtb
