// The band's class ID as the system's GUID structure, made from the portable
// core's text at compile time.
#pragma once

#include <windows.h>

#include "core/identifiers.h"

namespace vtb {

constexpr GUID ToGuid(const ClassIdFields& id) {
    return GUID{id.Data1, id.Data2, id.Data3,
                {id.Data4[0], id.Data4[1], id.Data4[2], id.Data4[3], id.Data4[4], id.Data4[5], id.Data4[6], id.Data4[7]}};
}

inline constexpr GUID kBandClassGuid = ToGuid(kBandClassId);

}  // namespace vtb
