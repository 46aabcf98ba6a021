// The configuration checker's report: plain text for people, JSON for
// scripts. Both say the same.
#pragma once

#include <string>
#include <string_view>

#include "core/check/config_check.h"

namespace vtb::check {

// The toolbar's texts are 8-bit, in the text code page (Western unless the
// checker is told another); terminals and JSON want UTF-8.
std::string TextToUtf8(std::string_view text);

// Paths come from the system and are mostly UTF-8 already (then kept as
// they are); anything else is taken as text of the code page.
std::string PathAsUtf8(std::string_view text);

// fileName names the file in the report ("FILE:LINE: error: ..."). With
// utf8 the file's texts are converted; otherwise they are written as read.
std::string FormatText(const CheckResult& result, const std::string& fileName, bool utf8);

std::string FormatJson(const CheckResult& result, const std::string& fileName);

}  // namespace vtb::check
