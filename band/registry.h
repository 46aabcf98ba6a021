// Registry writing of the server's registration: keys created and deleted,
// string values written, class identifiers in the registry's form.
#pragma once

#include <windows.h>

#include <string>

#include "win/handles.h"

namespace vtb {

// The class identifier in registry form: braces and upper-case hexadecimal
// digits.
std::string GUIDToString(const GUID& guid);
// Opens root\key with read and write access, creating it when missing;
// empty when it cannot, with the system's reason in status.
UniqueKey OpenOrCreateRegKey(HKEY root, const std::string& key, LONG* status = nullptr);
// Creates or opens root\key with read and write access and writes valueName
// (null for the default value) as REG_SZ, terminating zero included.
void CreateRegKey(HKEY root, const std::string& key, const char* valueName, const std::string& value);
// Writes a REG_SZ value into an open key; throws when it cannot.
void WriteRegString(HKEY key, const char* valueName, const std::string& value);
// Deletes root\key when it has no subkeys; failures are ignored.
void DeleteRegKey(HKEY root, const std::string& key);
// Deletes root\key with all its subkeys, deepest first; failures are ignored.
void DeleteRegTree(HKEY root, const std::string& key);

}  // namespace vtb
