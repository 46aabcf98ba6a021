// A screen reader's walk of an accessible object: the tree as lines, and the
// same walk done by a second process for the tests of this one.
#pragma once

#include <windows.h>
#include <oleacc.h>

#include <string>
#include <vector>

namespace vtbtest {

// A VT_I4 variant naming a child of an accessible object (CHILDID_SELF for
// the object itself).
VARIANT ChildId(LONG id);

// The object of a window's client area, as AccessibleObjectFromWindow gives it.
IAccessible* ClientObject(HWND window);  // counted; null when none

// One line per object and child: "<role>|<name>|<default action>", the
// children indented by two spaces under their parent, one level deep.
std::vector<std::string> ReadTree(IAccessible* root);

// The second process: reads the tree of the window and writes its lines to
// file; exit code 0 when it could.
int RunTreeReader(HWND window, const std::string& file);

// A second process that holds the window's object: writes "held" to file,
// waits (at most 20 s) for the window to go, then asks the object again and
// appends the results of get_accChildCount and get_accName in hexadecimal.
int RunObjectHolder(HWND window, const std::string& file);

}  // namespace vtbtest
