// Installing and removing the band through DllRegisterServer and
// DllUnregisterServer, and what the DLL file itself carries: its export
// directory, version resource, type library and button glyphs.
#include <windows.h>
#include <ole2.h>
#include <oleauto.h>

#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

#include "core/event_table.h"
#include "core/identifiers.h"
#include "tests/wine/support_wine.h"
#include "vtb_version.h"
#include "win/handles.h"

namespace {

const std::string kClassKey = std::string("CLSID\\") + vtb::kBandClassIdText;
const char* const kBandValue = vtb::kBandClassIdText;
const char kCategory[] = "{00021492-0000-0000-C000-000000000046}";
const char kToolbarKey[] = "SOFTWARE\\Microsoft\\Internet Explorer\\Toolbar";
const char kTypeLibKey[] = "TypeLib\\{CD58CE7E-102D-4CEE-A90D-CC91D1FF5B9B}";

struct RegValue {
    bool present = false;
    DWORD type = 0;
    DWORD size = 0;  // bytes, terminating zero included
    std::string text;
};

RegValue ReadValue(HKEY root, const std::string& key, const char* name) {
    RegValue value;
    HKEY raw = nullptr;
    if (RegOpenKeyExA(root, key.c_str(), 0, KEY_READ, &raw) != ERROR_SUCCESS) return value;
    const vtb::UniqueKey opened(raw);
    char data[2048] = {};
    value.size = sizeof data - 1;
    if (RegQueryValueExA(opened.get(), name, nullptr, &value.type, reinterpret_cast<BYTE*>(data), &value.size) !=
        ERROR_SUCCESS)
        return RegValue();
    value.present = true;
    value.text = data;
    return value;
}

bool KeyExists(HKEY root, const std::string& key) {
    HKEY raw = nullptr;
    if (RegOpenKeyExA(root, key.c_str(), 0, KEY_READ, &raw) != ERROR_SUCCESS) return false;
    RegCloseKey(raw);
    return true;
}

void WriteValue(HKEY root, const std::string& key, const char* name, const std::string& text) {
    HKEY raw = nullptr;
    ASSERT_EQ(ERROR_SUCCESS, RegCreateKeyExA(root, key.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &raw, nullptr));
    const vtb::UniqueKey opened(raw);
    ASSERT_EQ(ERROR_SUCCESS, RegSetValueExA(opened.get(), name, 0, REG_SZ, reinterpret_cast<const BYTE*>(text.c_str()),
                                            static_cast<DWORD>(text.size() + 1)));
}

std::string LongPath(const std::string& path) {
    char buffer[MAX_PATH * 2] = {};
    const DWORD n = GetLongPathNameA(path.c_str(), buffer, sizeof buffer);
    return n ? std::string(buffer, n) : path;
}

class Registration : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(dll_.module);
        ASSERT_EQ(S_OK, dll_.UnregisterServer());
    }
    void TearDown() override {
        if (dll_.module) {
            EXPECT_EQ(S_OK, dll_.UnregisterServer());
        }
    }

    void ExpectRegistered(const std::string& modulePath) {
        const RegValue title = ReadValue(HKEY_CLASSES_ROOT, kClassKey, nullptr);
        EXPECT_TRUE(title.present);
        EXPECT_EQ(static_cast<DWORD>(REG_SZ), title.type);
        EXPECT_EQ(vtb::kBandTitle, title.text) << "the toolbar's title replaces the empty description";
        EXPECT_EQ(14u, title.size) << "written with its terminating zero";

        const std::string server = std::string(kClassKey) + "\\InprocServer32";
        const RegValue path = ReadValue(HKEY_CLASSES_ROOT, server, nullptr);
        EXPECT_EQ(static_cast<DWORD>(REG_SZ), path.type);
        EXPECT_EQ(modulePath, path.text);
        EXPECT_EQ(modulePath.size() + 1, path.size);

        const RegValue model = ReadValue(HKEY_CLASSES_ROOT, server, "ThreadingModel");
        EXPECT_EQ(static_cast<DWORD>(REG_SZ), model.type);
        EXPECT_EQ("Apartment", model.text);
        EXPECT_EQ(10u, model.size);

        EXPECT_TRUE(KeyExists(HKEY_CLASSES_ROOT, std::string(kClassKey) + "\\Implemented Categories\\" + kCategory));

        const RegValue listed = ReadValue(HKEY_LOCAL_MACHINE, kToolbarKey, kBandValue);
        EXPECT_TRUE(listed.present);
        EXPECT_EQ(static_cast<DWORD>(REG_SZ), listed.type);
        EXPECT_EQ("", listed.text);
        EXPECT_EQ(1u, listed.size);
    }

    vtbtest::ToolbarDll dll_;
};

TEST_F(Registration, RegisterWritesTheClassCategoryAndToolbarEntries) {
    ASSERT_EQ(S_OK, dll_.RegisterServer());
    ExpectRegistered(LongPath(vtbtest::DllPath()));
    EXPECT_FALSE(KeyExists(HKEY_CLASSES_ROOT, std::string(kClassKey) + "\\ProgID")) << "the class has no ProgID";

    // A second registration succeeds and leaves the same entries.
    ASSERT_EQ(S_OK, dll_.RegisterServer());
    ExpectRegistered(LongPath(vtbtest::DllPath()));
}

TEST_F(Registration, UnregisterRemovesTheEntriesAndNothingElse) {
    ASSERT_EQ(S_OK, dll_.RegisterServer());
    // What the system adds later: the category's member cache and stray subkeys.
    const std::string enumKey = std::string("Component Categories\\") + kCategory + "\\Enum";
    WriteValue(HKEY_CLASSES_ROOT, enumKey + "\\Cached\\Deeper", "x", "1");
    WriteValue(HKEY_CLASSES_ROOT, std::string(kClassKey) + "\\InprocServer32\\Extra", nullptr, "y");
    WriteValue(HKEY_CLASSES_ROOT, std::string(kClassKey) + "\\Other\\Deeper", nullptr, "z");
    WriteValue(HKEY_LOCAL_MACHINE, kToolbarKey, "{0A0B0C0D-0000-0000-0000-00000000BEEF}", "other");

    ASSERT_EQ(S_OK, dll_.UnregisterServer());
    EXPECT_FALSE(KeyExists(HKEY_CLASSES_ROOT, kClassKey));
    EXPECT_FALSE(KeyExists(HKEY_CLASSES_ROOT, enumKey));
    EXPECT_TRUE(KeyExists(HKEY_CLASSES_ROOT, std::string("Component Categories\\") + kCategory))
        << "only the cache goes";
    EXPECT_FALSE(ReadValue(HKEY_LOCAL_MACHINE, kToolbarKey, kBandValue).present);
    EXPECT_EQ("other", ReadValue(HKEY_LOCAL_MACHINE, kToolbarKey, "{0A0B0C0D-0000-0000-0000-00000000BEEF}").text);

    HKEY raw = nullptr;
    ASSERT_EQ(ERROR_SUCCESS, RegOpenKeyExA(HKEY_LOCAL_MACHINE, kToolbarKey, 0, KEY_SET_VALUE, &raw));
    RegDeleteValueA(raw, "{0A0B0C0D-0000-0000-0000-00000000BEEF}");
    RegCloseKey(raw);
}

TEST_F(Registration, UnregisterOnACleanMachineSucceedsAndCreatesNothing) {
    const bool toolbarKeyExisted = KeyExists(HKEY_LOCAL_MACHINE, kToolbarKey);
    EXPECT_EQ(S_OK, dll_.UnregisterServer());
    EXPECT_FALSE(KeyExists(HKEY_CLASSES_ROOT, kClassKey));
    EXPECT_EQ(toolbarKeyExisted, KeyExists(HKEY_LOCAL_MACHINE, kToolbarKey));
}

TEST_F(Registration, NoTypeLibraryIsRegistered) {
    ASSERT_EQ(S_OK, dll_.RegisterServer());
    EXPECT_FALSE(KeyExists(HKEY_CLASSES_ROOT, kTypeLibKey));
    ASSERT_EQ(S_OK, dll_.UnregisterServer());
    EXPECT_FALSE(KeyExists(HKEY_CLASSES_ROOT, kTypeLibKey));
}

TEST(RegistrationPath, APathWithASpaceIsRegisteredInItsShortForm) {
    const std::string dir = vtbtest::ExeDir() + "band copy with spaces\\";
    const std::string copy = dir + vtb::kToolbarDllName;
    CreateDirectoryA(dir.c_str(), nullptr);
    ASSERT_TRUE(CopyFileA(vtbtest::DllPath().c_str(), copy.c_str(), FALSE));
    {
        vtbtest::ToolbarDll dll(copy);
        ASSERT_TRUE(dll.module);
        ASSERT_EQ(S_OK, dll.RegisterServer());
        char shortPath[MAX_PATH] = {};
        ASSERT_NE(0u, GetShortPathNameA(copy.c_str(), shortPath, MAX_PATH));
        const std::string registered =
            ReadValue(HKEY_CLASSES_ROOT, std::string(kClassKey) + "\\InprocServer32", nullptr).text;
        EXPECT_EQ(shortPath, registered);
        EXPECT_EQ(std::string::npos, registered.find(' '));
        EXPECT_EQ(S_OK, dll.UnregisterServer());
        EXPECT_FALSE(KeyExists(HKEY_CLASSES_ROOT, kClassKey));
    }
    DeleteFileA(copy.c_str());
    RemoveDirectoryA(dir.c_str());
}

// ---- What the DLL file carries ---------------------------------------------

std::string VersionString(const std::vector<char>& info, const char* name) {
    char* text = nullptr;
    UINT length = 0;
    const std::string query = std::string("\\StringFileInfo\\040904E4\\") + name;
    if (!VerQueryValueA(info.data(), query.c_str(), reinterpret_cast<void**>(&text), &length) || !text) return "<none>";
    return text;
}

TEST(ModuleResources, VersionResource) {
    const std::string path = vtbtest::DllPath();
    DWORD handle = 0;
    const DWORD size = GetFileVersionInfoSizeA(path.c_str(), &handle);
    ASSERT_GT(size, 0u);
    std::vector<char> info(size);
    ASSERT_TRUE(GetFileVersionInfoA(path.c_str(), 0, size, info.data()));

    VS_FIXEDFILEINFO* fixed = nullptr;
    UINT length = 0;
    ASSERT_TRUE(VerQueryValueA(info.data(), "\\", reinterpret_cast<void**>(&fixed), &length));
    // One version: the file's and the product's are the build's.
    const std::string version = VTB_VERSION_TEXT;
    char fields[64];
    std::snprintf(fields, sizeof fields, "%u.%u.%u.%u", HIWORD(fixed->dwFileVersionMS), LOWORD(fixed->dwFileVersionMS),
                  HIWORD(fixed->dwFileVersionLS), LOWORD(fixed->dwFileVersionLS));
    EXPECT_EQ(version, fields);
    EXPECT_EQ(fixed->dwFileVersionMS, fixed->dwProductVersionMS);
    EXPECT_EQ(fixed->dwFileVersionLS, fixed->dwProductVersionLS);

    WORD* translation = nullptr;
    ASSERT_TRUE(
        VerQueryValueA(info.data(), "\\VarFileInfo\\Translation", reinterpret_cast<void**>(&translation), &length));
    ASSERT_GE(length, 4u);
    EXPECT_EQ(0x0409, translation[0]);
    EXPECT_EQ(1252, translation[1]);

    EXPECT_EQ(version, VersionString(info, "FileVersion"));
    EXPECT_EQ(version, VersionString(info, "ProductVersion"));
    EXPECT_EQ("Veltrane ToolBar", VersionString(info, "ProductName"));
    EXPECT_EQ("Veltrane ToolBar", VersionString(info, "FileDescription"));
    EXPECT_EQ("VELTRANE_TOOLBAR", VersionString(info, "InternalName"));
    EXPECT_EQ("VELTRANE_TOOLBAR.DLL", VersionString(info, "OriginalFilename"));
}

TEST(ModuleResources, EmptyTypeLibraryAsTypelibOne) {
    vtbtest::ToolbarDll dll;
    ASSERT_TRUE(dll.module);
    EXPECT_NE(nullptr, FindResourceA(dll.module, MAKEINTRESOURCEA(1), "TYPELIB"));

    vtb::ComPtr<ITypeLib> library;
    ASSERT_EQ(S_OK, LoadTypeLibEx(vtb::UniqueBstr::FromAnsi(vtbtest::DllPath()).get(), REGKIND_NONE, library.put()));
    TLIBATTR* attributes = nullptr;
    ASSERT_EQ(S_OK, library->GetLibAttr(&attributes));
    const GUID expected = {0xCD58CE7E, 0x102D, 0x4CEE, {0xA9, 0x0D, 0xCC, 0x91, 0xD1, 0xFF, 0x5B, 0x9B}};
    EXPECT_TRUE(IsEqualGUID(expected, attributes->guid));
    EXPECT_EQ(0x0409u, attributes->lcid);
    EXPECT_EQ(1, attributes->wMajorVerNum);
    EXPECT_EQ(0, attributes->wMinorVerNum);
    library->ReleaseTLibAttr(attributes);
    EXPECT_EQ(0u, library->GetTypeInfoCount());

    vtb::UniqueBstr name, help;
    ASSERT_EQ(S_OK, library->GetDocumentation(-1, name.put(), help.put(), nullptr, nullptr));
    EXPECT_EQ("DeskBand", vtb::Narrow(name.get()));
    EXPECT_EQ("DeskBand Library", vtb::Narrow(help.get()));
}

TEST(ModuleResources, ExportDirectoryNamesTheModuleAndFourPlainExports) {
    vtbtest::ToolbarDll dll;
    ASSERT_TRUE(dll.module);
    const auto* base = reinterpret_cast<const BYTE*>(dll.module);
    const auto* dos = reinterpret_cast<const IMAGE_DOS_HEADER*>(base);
    const auto* nt = reinterpret_cast<const IMAGE_NT_HEADERS*>(base + dos->e_lfanew);
    const IMAGE_DATA_DIRECTORY& entry = nt->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_EXPORT];
    ASSERT_NE(0u, entry.VirtualAddress);
    const auto* exports = reinterpret_cast<const IMAGE_EXPORT_DIRECTORY*>(base + entry.VirtualAddress);
    EXPECT_STREQ(vtb::kToolbarDllName, reinterpret_cast<const char*>(base + exports->Name));

    std::vector<std::string> names;
    const auto* nameRvas = reinterpret_cast<const DWORD*>(base + exports->AddressOfNames);
    for (DWORD i = 0; i < exports->NumberOfNames; ++i)
        names.emplace_back(reinterpret_cast<const char*>(base + nameRvas[i]));
    EXPECT_EQ(
        (std::vector<std::string>{"DllCanUnloadNow", "DllGetClassObject", "DllRegisterServer", "DllUnregisterServer"}),
        names);
}

struct GlyphHeader {
    LONG width = 0, height = 0;
    WORD bits = 0;
    COLORREF bottomLeft = 0;  // the colour of the bottom-left pixel
};

GlyphHeader ReadGlyph(HMODULE module, const char* name) {
    GlyphHeader glyph;
    HRSRC found = FindResourceA(module, name, MAKEINTRESOURCEA(2) /* RT_BITMAP */);
    if (!found) return glyph;
    const auto* info = static_cast<const BITMAPINFOHEADER*>(LockResource(LoadResource(module, found)));
    if (!info) return glyph;
    glyph.width = info->biWidth;
    glyph.height = info->biHeight;
    glyph.bits = info->biBitCount;
    const DWORD colours = info->biClrUsed ? info->biClrUsed : (1u << info->biBitCount);
    const auto* palette = reinterpret_cast<const RGBQUAD*>(reinterpret_cast<const BYTE*>(info) + info->biSize);
    // Rows are stored bottom-up: the first pixel is the bottom-left one.
    const BYTE first = *reinterpret_cast<const BYTE*>(palette + colours);
    const BYTE index = info->biBitCount == 4 ? static_cast<BYTE>(first >> 4) : first;
    glyph.bottomLeft = RGB(palette[index].rgbRed, palette[index].rgbGreen, palette[index].rgbBlue);
    return glyph;
}

TEST(ModuleResources, SearchAndSettingsGlyphs) {
    vtbtest::ToolbarDll dll;
    ASSERT_TRUE(dll.module);
    const GlyphHeader search = ReadGlyph(dll.module, "SEARCH_GLYPH");
    EXPECT_EQ(20, search.width);
    EXPECT_EQ(23, search.height);
    EXPECT_EQ(4, search.bits);
    EXPECT_EQ(RGB(255, 255, 255), search.bottomLeft) << "white is the transparent colour";

    const GlyphHeader settings = ReadGlyph(dll.module, "SETTINGS_GLYPH");
    EXPECT_EQ(15, settings.width);
    EXPECT_EQ(16, settings.height);
    EXPECT_EQ(8, settings.bits);
    EXPECT_EQ(RGB(255, 255, 255), settings.bottomLeft);
}

}  // namespace

namespace {

// The Event Viewer reads an event's text from the DLL's message table, with
// the event's strings put in: every event the toolbar reports has its text
// there, taking as many strings as the toolbar gives it.
TEST(ModuleResources, EveryEventHasItsTextInTheMessageTable) {
    const vtb::UniqueModule dll(LoadLibraryExA(vtbtest::DllPath().c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE));
    ASSERT_TRUE(dll);
    for (const vtb::EventDefinition& event : vtb::kEventTable) {
        SCOPED_TRACE(event.Id);
        const char* strings[] = {"<one>", "<two>", "<three>", "<four>"};
        char text[1024] = "";
        ASSERT_GT(FormatMessageA(FORMAT_MESSAGE_FROM_HMODULE | FORMAT_MESSAGE_ARGUMENT_ARRAY, dll.get(), event.Id, 0,
                                 text, sizeof text, reinterpret_cast<va_list*>(const_cast<char**>(strings))),
                  0u);
        const std::string message = text;
        for (std::uint16_t n = 0; n < 4; ++n)
            EXPECT_EQ(n < event.Strings, message.find(strings[n]) != std::string::npos) << message;
    }
}

}  // namespace
