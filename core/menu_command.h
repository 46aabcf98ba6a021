// What choosing a menu entry does, decided from its target alone: the one
// rule that the toolbar runs and the configuration checker explains.
#pragma once

#include <string>

namespace vtb {

enum class Command { None, Navigate, NewWindow, Update, ClearHistory, Hide, About };

// Every command a menu entry's target can run, in the order that decides
// between them: a target runs the first row whose mark it holds anywhere,
// letter case counting. "help" comes before the codes; the last row, with
// no mark, takes every target that holds none of the others.
//
// A new command code is a value of Command, its row here (before the last)
// and, in the form, its handler's row; the form's build fails while a row
// here has no handler, and the copies test while the guide does not list it.
struct MenuCommand {
    const char* Mark;  // what the target holds to run the command
    Command Runs;
    const char* Name;  // as the configuration checker names the command
    bool IsCode;       // an "@" code: written in a button's target it is only an address
};
inline constexpr MenuCommand kMenuCommands[] = {
    {"help", Command::NewWindow, "opens in a new window", false},
    {"@1", Command::Update, "update", true},
    {"@2", Command::ClearHistory, "clear history", true},
    {"@3", Command::Hide, "hide", true},
    {"@4", Command::About, "about", true},
    {"", Command::Navigate, "opens the address", false},
};

// The row of the first mark the target holds.
const MenuCommand& MenuCommandOfTarget(const std::string& target);

inline Command CommandOfTarget(const std::string& target) { return MenuCommandOfTarget(target).Runs; }

// A link button whose caption holds "Lookup" opens its address in a new
// window, every other in the browser's own. Letter case counts.
bool CaptionOpensNewWindow(const std::string& caption);

}  // namespace vtb
