// What choosing a menu entry does, decided from its target alone: the one
// rule that the toolbar runs and the configuration checker explains.
#pragma once

#include <string>

namespace vtb {

enum class Command { None, Navigate, NewWindow, Update, ClearHistory, Hide, About };

// The command codes, in the order that decides between them: a target that
// holds several runs the first of this table. "help" anywhere in a target
// comes before every code.
struct CommandCode {
    const char* Code;
    Command Runs;
    const char* Name;  // as the configuration checker names the command
};
inline constexpr char kHelpMarker[] = "help";
inline constexpr CommandCode kCommandCodes[] = {
    {"@1", Command::Update, "update"},
    {"@2", Command::ClearHistory, "clear history"},
    {"@3", Command::Hide, "hide"},
    {"@4", Command::About, "about"},
};

// NewWindow for a target holding "help", the command of the first code it
// holds, else Navigate. Letter case counts.
Command CommandOfTarget(const std::string& target);

// A link button whose caption holds "Lookup" opens its address in a new
// window, every other in the browser's own. Letter case counts.
bool CaptionOpensNewWindow(const std::string& caption);

}  // namespace vtb
