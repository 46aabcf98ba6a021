// Texts the toolbar shows: the message-box rules and the fixed messages.
#pragma once

#include <string>

namespace vtb {

// A text whose last character sorts after "." gets a full stop.
std::string WithFullStop(const std::string& text);

// The host file name without directory and from its first "." on, first
// letter kept, the rest in lower case ("HOSTAPP.EXE" gives "Hostapp").
// The OEM-to-ANSI conversion is the caller's.
std::string ApplicationTitleFromPath(const std::string& path);

extern const char* const kUpdateSucceeded;
extern const char* const kUpdateFailed;
// The update command while a policy has switched updates off.
extern const char* const kUpdatesManaged;
// A query with a letter the search's encoding cannot carry: not sent.
extern const char* const kQueryNotSendable;

std::string AboutText(const std::string& hostVersion, const std::string& toolbarVersion,
                      const std::string& configVersion, const std::string& configNote);

// "%d.%d.%d.%d" of the fixed file information's two version words.
std::string FormatFileVersion(unsigned long versionMS, unsigned long versionLS);

}  // namespace vtb
