// The code pages the checker reads files in (--codepage N): on Windows the
// system's own; elsewhere Western and UTF-8 built in and the others through
// the C library's converters.
#pragma once

#include <string>

#include "core/code_page.h"

namespace vtbcheck {

// The code page of that number, living as long as the program; nullptr when
// this system does not know it.
const vtb::CodePage* CodePageNumbered(unsigned number);

// A command-line argument as UTF-8 (Windows hands them over in its code page).
std::string ArgumentAsUtf8(const std::string& argument);

}  // namespace vtbcheck
