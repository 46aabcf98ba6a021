#include "core/messages.h"

#include <string>

#include "core/ascii_case.h"
#include "core/identifiers.h"

namespace vtb {

const char* const kUpdateSucceeded =
    "Toolbar update successfully downloaded.\r\r"
    "Please close all Internet Explorer windows and\r"
    "then re-open Internet Explorer for the update\r"
    "to take effect.";

const char* const kUpdateFailed =
    "Toolbar update was not downloaded.\r\r"
    "Please try again. If the problem persists,\r"
    "check your Internet connection.";

const char* const kUpdatesManaged = "Toolbar updates are managed by your administrator.";
const char* const kQueryNotSendable =
    "The search cannot be sent: it holds letters that the search service does not accept.";

namespace {

const char kCredits[] =
    "Veltrane ToolBar\r"
    "Written by the Veltrane ToolBar team.\r"
    "Thanks to everyone who tested it, reported faults\r"
    "and sent in their ideas.";

}  // namespace

std::string WithFullStop(const std::string& text) {
    // By code, not by kind: any last character whose code is above "."'s
    // gets a full stop: letters, digits and every non-ASCII character, but
    // also "?", ":", ";", "/", "]" and "}"; "!", ")", ",", "." and a blank
    // leave the text as it is.
    if (!text.empty() && static_cast<unsigned char>(text.back()) > static_cast<unsigned char>('.')) return text + ".";
    return text;
}

std::string ApplicationTitleFromPath(const std::string& path) {
    const std::size_t slash = path.find_last_of("\\/");
    std::string name = slash == std::string::npos ? path : path.substr(slash + 1);
    const std::size_t dot = name.find('.');
    if (dot != std::string::npos) name.erase(dot);
    for (std::size_t i = 1; i < name.size(); ++i) name[i] = AsciiLower(name[i]);
    return name;
}

std::string AboutText(const std::string& hostVersion, const std::string& toolbarVersion,
                      const std::string& configVersion, const std::string& configNote) {
    std::string text = kCredits;
    text += "\r\r";
    text += "Internet Explorer Version: " + hostVersion;
    text += std::string("\r") + kBandTitle + " Version:\t" + toolbarVersion;
    text += "\rConfiguration Version: \t" + configVersion + "\t (" + configNote + ")";
    return text;
}

std::string FormatFileVersion(unsigned long versionMS, unsigned long versionLS) {
    // "%u.%u.%u.%u" without the printf family, which would bring its own
    // formatting library into the DLL.
    return std::to_string((versionMS >> 16) & 0xFFFF) + "." + std::to_string(versionMS & 0xFFFF) + "." +
           std::to_string((versionLS >> 16) & 0xFFFF) + "." + std::to_string(versionLS & 0xFFFF);
}

}  // namespace vtb
