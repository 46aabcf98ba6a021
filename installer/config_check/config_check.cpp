// The packages' check of a firm's configuration before it is installed: the
// toolbar's own reader (the configuration checker's core) judges the file,
// and one that would fail a toolbar's construction stops the installation
// with its file, line and message. Loaded by the Windows Installer package
// as a custom action and by the setup program through its System plug-in.
#include <windows.h>
#include <msi.h>
#include <msiquery.h>

#include <string>
#include <vector>

#include "core/check/config_check.h"
#include "core/messages.h"

namespace {

// Glyph files are not the configuration's: the package installs its own.
class NoGlyphs : public vtb::check::GlyphSource {
public:
    vtb::check::GlyphFile Find(const std::string&) override { return {}; }
};

// Why the file would fail a construction, shown with `shown` as its name;
// empty when it would not.
std::wstring Refusal(const wchar_t* path, const wchar_t* shown) {
    const std::wstring name = shown && *shown ? shown : path;
    const HANDLE file = CreateFileW(path, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE) return name + L": the file cannot be read.";
    std::string bytes;
    char buffer[65536];
    DWORD count = 0;
    bool read = true;
    while ((read = ReadFile(file, buffer, sizeof buffer, &count, nullptr) != FALSE) && count > 0)
        bytes.append(buffer, count);
    CloseHandle(file);
    if (!read) return name + L": the file cannot be read.";

    NoGlyphs glyphs;
    const vtb::check::CheckResult result = vtb::check::CheckConfiguration(bytes, glyphs);
    if (!result.HasConfigurationErrors()) return {};
    std::string why = "it is not a configuration file";
    std::size_t line = 0;
    for (const vtb::check::Diagnostic& d : result.Diagnostics) {
        if (d.Level == vtb::check::Severity::Error && !d.GlyphProblem) {
            why = vtb::WithFullStop(d.Message);
            line = d.Line;
            break;
        }
    }
    // The message in the system's code page, as the toolbar shows it.
    std::wstring message(why.size(), L'\0');
    message.resize(static_cast<std::size_t>(
        MultiByteToWideChar(CP_ACP, 0, why.data(), static_cast<int>(why.size()), &message[0], static_cast<int>(why.size()))));
    return name + L"(" + std::to_wstring(line) + L"): " + message +
           L" The toolbar could not be built from this configuration.";
}

std::wstring Property(MSIHANDLE install, const wchar_t* name) {
    DWORD size = 0;
    wchar_t empty[1] = L"";
    if (MsiGetPropertyW(install, name, empty, &size) != ERROR_MORE_DATA) return {};
    std::vector<wchar_t> value(size + 1);
    size = static_cast<DWORD>(value.size());
    if (MsiGetPropertyW(install, name, value.data(), &size) != ERROR_SUCCESS) return {};
    return value.data();
}

void Log(MSIHANDLE install, INSTALLMESSAGE kind, const std::wstring& text) {
    const MSIHANDLE record = MsiCreateRecord(1);
    MsiRecordSetStringW(record, 0, L"[1]");
    MsiRecordSetStringW(record, 1, text.c_str());
    MsiProcessMessage(install, kind, record);
    MsiCloseHandle(record);
}

}  // namespace

// The Windows Installer package: the file CONFIGFILE names. A refusal goes
// to the log (and, with a user interface, to a box) and fails the
// installation before anything is changed.
extern "C" UINT __stdcall CheckFirmConfiguration(MSIHANDLE install) {
    const std::wstring path = Property(install, L"CONFIGFILE");
    if (path.empty()) return ERROR_SUCCESS;
    const std::wstring refusal = Refusal(path.c_str(), nullptr);
    if (refusal.empty()) {
        Log(install, INSTALLMESSAGE_INFO, L"Veltrane ToolBar: the configuration " + path + L" is installed.");
        return ERROR_SUCCESS;
    }
    Log(install, INSTALLMESSAGE(INSTALLMESSAGE_ERROR | MB_OK | MB_ICONERROR),
        L"Veltrane ToolBar: " + refusal + L" Nothing was installed.");
    return ERROR_INSTALL_FAILURE;
}

// The setup program: 0 when the file would build the toolbar; otherwise 1
// and the reason in `reason` (size characters at most), the file named
// `shown`.
extern "C" int __stdcall CheckConfigurationFile(const wchar_t* path, const wchar_t* shown, wchar_t* reason, int size) {
    const std::wstring refusal = Refusal(path, shown);
    if (refusal.empty()) return 0;
    if (reason && size > 0) lstrcpynW(reason, refusal.c_str(), size);
    return 1;
}
