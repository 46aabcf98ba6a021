// Plain values compared whole, byte for byte: for keys built from the very
// structure a computation takes, so that a field added to the structure is
// in the comparison without anyone writing it there.
#pragma once

#include <cstring>
#include <type_traits>

namespace vtb {

// Equal values of T must have equal bytes: no padding, no floating point
// (the assertion stops a structure that breaks this at compile time).
template <typename T>
bool SameValues(const T& a, const T& b) {
    static_assert(std::has_unique_object_representations_v<T>, "compared byte for byte: no padding in T");
    return std::memcmp(&a, &b, sizeof(T)) == 0;
}

}  // namespace vtb
