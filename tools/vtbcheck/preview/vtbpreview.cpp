// vtbpreview.exe: loads Veltrane_ToolBar.dll from its own folder, where
// vtbcheck has put a copy of the DLL beside the configuration, the glyphs
// and a settings file, creates the toolbar band as a browser would, lets
// the DLL paint it, opens a menu through the DLL's own button when asked,
// and saves what is on the screen as preview.png in the same folder.
//
//   vtbpreview.exe [--menu main|settings]
//
// The toolbar's message boxes are answered with OK and their texts written
// to messages.txt, so that a bad file cannot hold the preview up. The
// toolbar keeps every file beside the DLL, in that folder: the running
// user's own data is never read, moved or written.
#include <windows.h>
#include <objbase.h>
#include <shlobj.h>

#include <atomic>
#include <cstdio>
#include <fstream>
#include <memory>
#include <mutex>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "core/check/png_file.h"
#include "core/toolbar_layout.h"
#include "tools/vtbcheck/preview/preview_site.h"
#include "win/class_id.h"
#include "win/handles.h"

namespace {

const CLSID kBandClsid = vtb::kBandClassGuid;
constexpr char kHostClass[] = "VtbPreviewHost";
constexpr int kMainButtonX = 50;       // the middle of the main button
constexpr int kSettingsButtonX = 402;  // and of the Settings button
constexpr int kButtonY = 12;
constexpr DWORD kSettleMs = 700;                      // for the first paint and the timer's hover step
constexpr DWORD kMenuMs = 700;                        // for the menu to open and paint
constexpr COLORREF kBackground = RGB(255, 255, 255);  // around a menu
constexpr int kPointerMargin = 8;
constexpr int kMenuRoom = 640;  // below the toolbar, where a menu may open

std::string ProgramFolder() {
    char path[MAX_PATH] = {};
    GetModuleFileNameA(nullptr, path, MAX_PATH);
    std::string folder = path;
    return folder.substr(0, folder.find_last_of("\\/") + 1);
}

// ---- Message boxes -------------------------------------------------------

// Answers the message boxes of this process with OK and keeps their texts.
class BoxWatcher {
public:
    BoxWatcher() : thread_([this] { Run(); }) {}
    ~BoxWatcher() {
        stop_ = true;
        thread_.join();
    }
    BoxWatcher(const BoxWatcher&) = delete;
    BoxWatcher& operator=(const BoxWatcher&) = delete;

    std::vector<std::string> Texts() {
        std::lock_guard<std::mutex> lock(mutex_);
        return texts_;
    }

private:
    struct Search {
        BoxWatcher* self;
        std::vector<HWND> boxes;
    };

    static BOOL CALLBACK FindBox(HWND window, LPARAM param) {
        auto* search = reinterpret_cast<Search*>(param);
        char name[16] = {};
        DWORD process = 0;
        GetWindowThreadProcessId(window, &process);
        if (process == GetCurrentProcessId() && IsWindowVisible(window) && GetClassNameA(window, name, sizeof name) &&
            lstrcmpA(name, "#32770") == 0)
            search->boxes.push_back(window);
        return TRUE;
    }

    static BOOL CALLBACK FindText(HWND child, LPARAM param) {
        char name[16] = {};
        char text[2048] = {};
        if (GetClassNameA(child, name, sizeof name) && lstrcmpiA(name, "Static") == 0 &&
            GetWindowTextA(child, text, sizeof text) > 0) {
            auto* found = reinterpret_cast<std::string*>(param);
            if (!found->empty()) *found += " ";
            *found += text;
        }
        return TRUE;
    }

    void Run() {
        while (!stop_) {
            Search search{this, {}};
            EnumWindows(FindBox, reinterpret_cast<LPARAM>(&search));
            for (HWND box : search.boxes) {
                if (!answered_.insert(box).second) continue;
                std::string text;
                EnumChildWindows(box, FindText, reinterpret_cast<LPARAM>(&text));
                for (char& c : text)
                    if (c == '\r' || c == '\n' || c == '\t') c = ' ';
                {
                    std::lock_guard<std::mutex> lock(mutex_);
                    texts_.push_back(text);
                }
                PostMessageA(box, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
            }
            Sleep(30);
        }
    }

    std::atomic<bool> stop_{false};
    std::mutex mutex_;
    std::vector<std::string> texts_;
    std::set<HWND> answered_;
    std::thread thread_;
};

// ---- Pictures --------------------------------------------------------------

struct Picture {
    int width = 0;
    int height = 0;
    std::vector<std::uint32_t> pixels;  // 0x00RRGGBB, top row first
};

// Copies what windows show into one picture; `origin` is the screen point
// of the picture's top-left corner.
class Canvas {
public:
    Canvas(POINT origin, int width, int height) : origin_(origin), width_(width), height_(height) {
        BITMAPINFO info{};
        info.bmiHeader.biSize = sizeof info.bmiHeader;
        info.bmiHeader.biWidth = width;
        info.bmiHeader.biHeight = -height;  // top-down
        info.bmiHeader.biPlanes = 1;
        info.bmiHeader.biBitCount = 32;
        info.bmiHeader.biCompression = BI_RGB;
        dc_.reset(CreateCompatibleDC(nullptr));
        bitmap_.reset(CreateDIBSection(dc_.get(), &info, DIB_RGB_COLORS, &bits_, nullptr, 0));
        if (dc_ && bitmap_) {
            old_ = SelectObject(dc_.get(), bitmap_.get());
            const vtb::UniqueBrush brush(CreateSolidBrush(kBackground));
            RECT all{0, 0, width, height};
            FillRect(dc_.get(), &all, brush.get());
        }
    }
    ~Canvas() {
        if (old_) SelectObject(dc_.get(), old_);
    }
    Canvas(const Canvas&) = delete;
    Canvas& operator=(const Canvas&) = delete;

    bool Ready() const { return bits_ != nullptr; }

    // The whole window, frame included, where it stands on the screen.
    void Copy(HWND window) {
        RECT r{};
        GetWindowRect(window, &r);
        const HDC source = GetWindowDC(window);
        if (!source) return;
        BitBlt(dc_.get(), r.left - origin_.x, r.top - origin_.y, r.right - r.left, r.bottom - r.top, source, 0, 0,
               SRCCOPY);
        ReleaseDC(window, source);
    }

    Picture Take() {
        GdiFlush();
        Picture picture;
        picture.width = width_;
        picture.height = height_;
        const auto* bits = static_cast<const std::uint32_t*>(bits_);
        picture.pixels.assign(bits, bits + static_cast<std::size_t>(width_) * static_cast<std::size_t>(height_));
        for (std::uint32_t& p : picture.pixels) p &= 0xFFFFFF;
        return picture;
    }

private:
    POINT origin_;
    int width_;
    int height_;
    vtb::UniqueDc dc_;
    vtb::UniqueBitmap bitmap_;
    HGDIOBJ old_ = nullptr;
    void* bits_ = nullptr;
};

struct OpenMenus {
    HWND windows[4];
    int count;
};

BOOL CALLBACK FindMenu(HWND window, LPARAM param) {
    auto* menus = reinterpret_cast<OpenMenus*>(param);
    char name[16] = {};
    DWORD process = 0;
    GetWindowThreadProcessId(window, &process);
    if (process == GetCurrentProcessId() && IsWindowVisible(window) && GetClassNameA(window, name, sizeof name) &&
        lstrcmpA(name, "#32768") == 0 && menus->count < 4)
        menus->windows[menus->count++] = window;
    return TRUE;
}

// The toolbar window, and a menu of this process when one is open.
Picture Capture(HWND host) {
    RECT area{};
    GetWindowRect(host, &area);
    OpenMenus found{{}, 0};
    EnumWindows(FindMenu, reinterpret_cast<LPARAM>(&found));
    for (int i = 0; i < found.count; ++i) {
        RECT menu{};
        GetWindowRect(found.windows[i], &menu);
        UnionRect(&area, &area, &menu);
    }
    Canvas canvas({area.left, area.top}, area.right - area.left, area.bottom - area.top);
    if (!canvas.Ready()) return {};
    canvas.Copy(host);
    for (int i = found.count - 1; i >= 0; --i) canvas.Copy(found.windows[i]);
    return canvas.Take();
}

// ---- The toolbar -----------------------------------------------------------

// Runs the thread's messages until the time is up (or done is set); the
// toolbar's timer keeps the queue busy, so the clock is read between messages.
void Pump(DWORD milliseconds, const std::atomic<bool>* done = nullptr) {
    const DWORD end = GetTickCount() + milliseconds;
    for (;;) {
        const DWORD now = GetTickCount();
        if ((done && *done) || static_cast<LONG>(end - now) <= 0) return;
        MSG msg;
        if (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&msg);
            DispatchMessageA(&msg);
        } else {
            MsgWaitForMultipleObjects(0, nullptr, FALSE, end - now, QS_ALLINPUT);
        }
    }
}

// The menu opens inside the button's click; this runs inside the menu's
// own message loop, takes the picture and closes the menu.
Picture g_menuPicture;
HWND g_host = nullptr;
std::atomic<bool> g_menuTaken{false};

void CALLBACK TakeMenuPicture(HWND, UINT, UINT_PTR id, DWORD) {
    KillTimer(nullptr, id);
    g_menuPicture = Capture(g_host);
    g_menuTaken = true;
    EndMenu();
}

class Preview {
public:
    explicit Preview(std::ofstream& report) : report_(report) {}

    bool Run(const std::string& menu) {
        const std::string folder = ProgramFolder();
        if (!MakeHost()) return Fail("cannot make the host window");
        dll_.reset(LoadLibraryExA((folder + vtb::kToolbarDllName).c_str(), nullptr, LOAD_WITH_ALTERED_SEARCH_PATH));
        if (!dll_) return Fail("cannot load Veltrane_ToolBar.dll (error " + std::to_string(GetLastError()) + ")");
        using GetClassObject = HRESULT(STDAPICALLTYPE*)(REFCLSID, REFIID, void**);
        const auto getClassObject =
            reinterpret_cast<GetClassObject>(reinterpret_cast<void*>(GetProcAddress(dll_.get(), "DllGetClassObject")));
        if (!getClassObject) return Fail("Veltrane_ToolBar.dll has no DllGetClassObject");
        vtb::ComPtr<IClassFactory> factory;
        HRESULT hr = getClassObject(kBandClsid, IID_IClassFactory, factory.put_void());
        if (FAILED(hr)) return Fail("DllGetClassObject failed", hr);
        hr = factory->CreateInstance(nullptr, IID_IDeskBand, band_.put_void());
        if (FAILED(hr)) return Fail("the band cannot be created", hr);
        factory.reset();

        site_ = std::make_unique<vtbpreview::PreviewSite>(host_.get());
        vtb::ComPtr<IObjectWithSite> withSite;
        hr = band_->QueryInterface(IID_IObjectWithSite, withSite.put_void());
        if (SUCCEEDED(hr)) hr = withSite->SetSite(static_cast<IInputObjectSite*>(site_.get()));
        if (FAILED(hr)) return Fail("SetSite failed", hr);
        // Creating the window builds the toolbar from the configuration.
        HWND toolbar = nullptr;
        hr = band_->GetWindow(&toolbar);
        if (FAILED(hr) || !toolbar) return Fail("the band has no window", hr);

        DESKBANDINFO info{};
        info.dwMask = DBIM_ACTUAL | DBIM_MINSIZE;
        hr = band_->GetBandInfo(0, DBIF_VIEWMODE_NORMAL, &info);
        if (FAILED(hr)) return Fail("GetBandInfo failed", hr);
        const int width = info.ptActual.x > 0 ? info.ptActual.x : info.ptMinSize.x;
        const int height = info.ptActual.y > 0 ? info.ptActual.y : info.ptMinSize.y;
        if (width <= 0 || height <= 0) return Fail("the band reports no size");
        SetWindowPos(host_.get(), HWND_TOPMOST, 0, 0, width, height, SWP_SHOWWINDOW | SWP_NOACTIVATE);
        SetWindowPos(toolbar, nullptr, 0, 0, width, height, SWP_NOZORDER | SWP_NOACTIVATE);
        band_->ShowDW(TRUE);
        KeepPointerAway(width, height);
        UpdateWindow(host_.get());
        Pump(kSettleMs);

        if (menu.empty()) {
            picture_ = Capture(host_.get());
        } else {
            g_host = host_.get();
            SetTimer(nullptr, 0, kMenuMs, TakeMenuPicture);
            const LPARAM at = MAKELPARAM(menu == "main" ? kMainButtonX : kSettingsButtonX, kButtonY);
            PostMessageA(toolbar, WM_LBUTTONDOWN, MK_LBUTTON, at);
            PostMessageA(toolbar, WM_LBUTTONUP, 0, at);
            Pump(10000, &g_menuTaken);
            if (!g_menuTaken) return Fail("the menu did not open");
            picture_ = g_menuPicture;
        }
        Close();
        if (picture_.width <= 0) return Fail("nothing could be captured");
        return true;
    }

    const Picture& Result() const { return picture_; }

    ~Preview() { Close(); }

private:
    // The buttons show their idle faces only with the pointer elsewhere: it
    // is moved to the screen's corner when it rests where the toolbar or
    // its menus are drawn, and left alone otherwise.
    static void KeepPointerAway(int width, int height) {
        POINT at{};
        GetCursorPos(&at);
        if (at.x < width + kPointerMargin && at.y < height + kMenuRoom)
            SetCursorPos(GetSystemMetrics(SM_CXSCREEN) - 1, GetSystemMetrics(SM_CYSCREEN) - 1);
    }

    bool MakeHost() {
        WNDCLASSEXA wc{};
        wc.cbSize = sizeof wc;
        wc.lpfnWndProc = DefWindowProcA;
        wc.hInstance = GetModuleHandleA(nullptr);
        wc.hCursor = LoadCursor(nullptr, IDC_ARROW);
        wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
        wc.lpszClassName = kHostClass;
        RegisterClassExA(&wc);
        // Like the browser's rebar: a window that clips its children.
        host_.reset(CreateWindowExA(WS_EX_TOOLWINDOW, kHostClass, "Veltrane ToolBar preview",
                                    WS_POPUP | WS_CLIPCHILDREN, 0, 0, 800, vtb::kButtonHeight, nullptr, nullptr,
                                    GetModuleHandleA(nullptr), nullptr));
        return static_cast<bool>(host_);
    }

    void Close() {
        if (!band_) return;
        band_->ShowDW(FALSE);
        band_->CloseDW(0);
        vtb::ComPtr<IObjectWithSite> withSite;
        if (SUCCEEDED(band_->QueryInterface(IID_IObjectWithSite, withSite.put_void()))) withSite->SetSite(nullptr);
        withSite.reset();
        band_.reset();
        Pump(100);
    }

    bool Fail(const std::string& what, HRESULT hr = S_OK) {
        char code[16] = {};
        if (FAILED(hr)) std::snprintf(code, sizeof code, "0x%08lX", static_cast<unsigned long>(hr));
        report_ << "error: " << what << (FAILED(hr) ? std::string(" (") + code + ")" : std::string()) << "\n";
        return false;
    }

    std::ofstream& report_;
    vtb::UniqueWindow host_;
    vtb::UniqueModule dll_;
    std::unique_ptr<vtbpreview::PreviewSite> site_;
    vtb::ComPtr<IDeskBand> band_;
    Picture picture_;
};

}  // namespace

// Where its data lies the toolbar learns from the machine's registry:
// installed per user, it would read the running user's settings and
// configuration copy, and set the copy aside. While the preview runs, the
// machine's registry is an empty key of this process's own, so that the
// toolbar keeps every file beside the DLL.
class OwnDataFolder {
public:
    OwnDataFolder() {
        if (RegCreateKeyExA(HKEY_CURRENT_USER, kScratchKey, 0, nullptr, REG_OPTION_VOLATILE, KEY_ALL_ACCESS, nullptr,
                            &key_, nullptr) == ERROR_SUCCESS)
            held_ = RegOverridePredefKey(HKEY_LOCAL_MACHINE, key_) == ERROR_SUCCESS;
    }
    ~OwnDataFolder() {
        if (held_) RegOverridePredefKey(HKEY_LOCAL_MACHINE, nullptr);
        if (key_) {
            RegCloseKey(key_);
            RegDeleteKeyA(HKEY_CURRENT_USER, kScratchKey);
        }
    }
    OwnDataFolder(const OwnDataFolder&) = delete;
    OwnDataFolder& operator=(const OwnDataFolder&) = delete;
    bool Held() const { return held_; }

private:
    static constexpr char kScratchKey[] = "Software\\Veltrane\\ToolBar Preview";
    HKEY key_ = nullptr;
    bool held_ = false;
};

int main(int argc, char** argv) {
    std::string menu;
    for (int i = 1; i + 1 < argc; ++i)
        if (std::string(argv[i]) == "--menu") menu = argv[++i];
    const std::string folder = ProgramFolder();
    std::ofstream report(folder + "messages.txt", std::ios::binary | std::ios::trunc);

    if (FAILED(OleInitialize(nullptr))) {
        report << "error: COM could not be started\n";
        return 1;
    }
    bool ok = false;
    Picture picture;
    const OwnDataFolder ownData;
    if (!ownData.Held()) {
        report << "error: the machine's registry could not be set apart; the preview would read the user's data\n";
        OleUninitialize();
        return 1;
    }
    {
        BoxWatcher boxes;
        {
            Preview preview(report);
            ok = preview.Run(menu);
            picture = preview.Result();
        }
        for (const std::string& text : boxes.Texts()) report << "the toolbar showed the message: " << text << "\n";
    }
    OleUninitialize();
    if (!ok) return 1;

    const std::string png = vtb::check::EncodePng(picture.width, picture.height, picture.pixels);
    std::ofstream out(folder + "preview.png", std::ios::binary | std::ios::trunc);
    out.write(png.data(), static_cast<std::streamsize>(png.size()));
    out.close();
    return out && !png.empty() ? 0 : 1;
}
