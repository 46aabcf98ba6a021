// What the toolbar's search box, buttons and menu entries do.
#include <windows.h>
#include <urlmon.h>

#include <typeinfo>
#include <vector>

#include "core/menu_command.h"
#include "core/messages.h"
#include "core/search.h"
#include "toolbar/band_form.h"
#include "toolbar/bind_status_callback.h"
#include "toolbar/config_rollout.h"
#include "toolbar/module_values.h"
#include "widgets/combo_box.h"
#include "widgets/glyph_button.h"
#include "widgets/toolkit.h"
#include "win/class_id.h"
#include "win/code_page.h"
#include "win/event_log.h"
#include "win/files.h"
#include "win/module.h"

namespace vtb {
namespace {

// A menu command and the form's code that runs it.
struct CommandHandler {
    Command Runs;
    void (*Run)(TBandForm& form, const std::string& target);
};

template <std::size_t N>
constexpr bool HandlesEveryCommand(const CommandHandler (&handlers)[N]) {
    for (const MenuCommand& row : kMenuCommands) {
        bool handled = false;
        for (const CommandHandler& handler : handlers) handled = handled || handler.Runs == row.Runs;
        if (!handled) return false;
    }
    return true;
}

void RaiseOnFailure(HRESULT hr) {
    if (FAILED(hr)) throw ToolbarError(SystemErrorText(static_cast<DWORD>(hr)));
}

using DownloadFunction = HRESULT(WINAPI*)(LPUNKNOWN, LPCSTR, LPCSTR, DWORD, LPBINDSTATUSCALLBACK);

// URLMON.DLL is loaded on the first download and stays until the module
// goes; the first outcome holds for the process.
UniqueModule urlmon;
DownloadFunction downloadFunction = nullptr;
INIT_ONCE urlmonOnce = INIT_ONCE_STATIC_INIT;

BOOL CALLBACK LoadUrlmon(PINIT_ONCE, PVOID, PVOID*) {
    urlmon.reset(LoadLibraryA("URLMON.DLL"));
    if (urlmon)
        downloadFunction = reinterpret_cast<DownloadFunction>(
            reinterpret_cast<void*>(GetProcAddress(urlmon.get(), "URLDownloadToFileA")));
    return TRUE;
}

DownloadFunction UrlDownloadToFile() {
    InitOnceExecuteOnce(&urlmonOnce, LoadUrlmon, nullptr, nullptr);
    return downloadFunction;
}

// One configuration update at a time in the process: a request while one
// runs (a second click, a reader's default action let through while the
// download or its box waits) does nothing and says nothing, so there is one
// download file and one replacement.
volatile LONG updateRunning = 0;

class UpdateTurn {
public:
    UpdateTurn() : mine_(InterlockedCompareExchange(&updateRunning, 1, 0) == 0) {}
    ~UpdateTurn() {
        if (mine_) InterlockedExchange(&updateRunning, 0);
    }
    UpdateTurn(const UpdateTurn&) = delete;
    UpdateTurn& operator=(const UpdateTurn&) = delete;
    bool Mine() const { return mine_; }

private:
    const bool mine_;
};

std::string GetFileVersionText(const std::string& path) {
    DWORD handle = 0;
    const DWORD size = GetFileVersionInfoSizeA(path.c_str(), &handle);
    if (size == 0) return {};
    std::vector<BYTE> buffer(size, 0);
    if (!GetFileVersionInfoA(path.c_str(), 0, size, buffer.data())) return {};
    VS_FIXEDFILEINFO* info = nullptr;
    UINT length = 0;
    if (!VerQueryValueA(buffer.data(), "\\", reinterpret_cast<void**>(&info), &length) || length == 0 || !info)
        return {};
    return FormatFileVersion(info->dwFileVersionMS, info->dwFileVersionLS);
}

}  // namespace

void TBandForm::Timer1Timer(TComponent* /*sender*/) {
    TToolkit& toolkit = TToolkit::ForThread();
    const TToolkit::TickResult tick = toolkit.HandleMessage(Handle());
    if (tick == TToolkit::TickResult::Handled || tick == TToolkit::TickResult::Skipped) return;
    // The idle step found the pointer where it was, or nothing of the toolbar
    // is watched: the timer rests until the next message the form receives
    // (any input, or the pointer leaving the window it rests over).
    if (!toolkit.IdleMoved() || !NeedsTicks()) {
        SetTimerEnabled(false);
        return;
    }
    // Only the toolbar's own loop waits here; another loop owns its queue.
    if (tick == TToolkit::TickResult::Idle) TToolkit::WaitForMessage();
}

bool TBandForm::NeedsTicks() const {
    // The pointer over the toolbar, or the focus or the capture in it: the
    // idle step still has notifications to send or keys to route.
    const HWND form = Handle();
    if (!form) return false;
    const auto inForm = [form](HWND window) { return window && (window == form || IsChild(form, window)); };
    if (inForm(GetFocus()) || inForm(GetCapture())) return true;
    const TControl* under = TToolkit::ForThread().MouseControl();
    return under && (under == this || under->ParentForm() == this);
}

void TBandForm::FormKeyPress(TComponent* /*sender*/, char& key) {
    if (key != '\r') return;
    Search_SpdButn->FireClick();
    key = 0;
}

void TBandForm::Search_SpdButnClick(TComponent* /*sender*/) {
    const std::wstring query = Search_Edit->WideText();
    if (query.empty()) {
        NavigateURL(Target(Search_SpdButn->Tag));
        return;
    }
    // Only the query typed is ever sent: one with a letter the encoding
    // cannot carry is neither sent nor kept.
    const ModuleValues module = SnapshotModuleValues();
    const std::optional<std::string> bytes = QueryBytes(query, SendsUtf8(module.Config), TextCodePage());
    if (!bytes) throw ToolbarError(kQueryNotSendable);
    RecordQuery(*Search_Edit, Search_Edit->Text());
    NavigateURL(BuildSearchUrl(module.Config.SearchParam1, module.SearchMethod, module.Config.SearchParam2, *bytes,
                               module.Config.SearchParam3));
}

void TBandForm::NavigateURL(const std::string& url) {
    if (!WebBrowser) return;  // no browser to ask
    const UniqueBstr address = UniqueBstr::FromAnsi(url);
    UniqueVariant empty;
    V_VT(empty.get()) = VT_I4;
    V_I4(empty.get()) = 0;
    RaiseOnFailure(WebBrowser->Navigate(address.get(), empty.get(), empty.get(), empty.get(), empty.get()));
}

void TBandForm::NavigateURLTarget(const std::string& url, const std::string& targetFrame) {
    if (!WebBrowser) return;
    const UniqueBstr address = UniqueBstr::FromAnsi(url);
    UniqueVariant empty;
    V_VT(empty.get()) = VT_I4;
    V_I4(empty.get()) = 0;
    UniqueVariant frame;
    V_VT(frame.get()) = VT_BSTR;
    V_BSTR(frame.get()) = UniqueBstr::FromAnsi(targetFrame).release();
    RaiseOnFailure(WebBrowser->Navigate(address.get(), empty.get(), frame.get(), empty.get(), empty.get()));
}

void TBandForm::HideToolbar() {
    if (!WebBrowser) return;
    LPOLESTR text = nullptr;
    RaiseOnFailure(StringFromCLSID(kBandClassGuid, &text));
    UniqueVariant clsid;
    V_VT(clsid.get()) = VT_BSTR;
    V_BSTR(clsid.get()) = SysAllocString(text);
    CoTaskMemFree(text);
    UniqueVariant show;
    V_VT(show.get()) = VT_BOOL;
    V_BOOL(show.get()) = VARIANT_FALSE;
    UniqueVariant size;
    V_VT(size.get()) = VT_I4;
    V_I4(size.get()) = 0;
    RaiseOnFailure(WebBrowser->ShowBrowserBar(clsid.get(), show.get(), size.get()));
}

bool TBandForm::DownloadUpdate() {
    // Per user, the user's own copy; the machine's files are never written.
    const std::string destination = paths_.PerUser ? paths_.UserConfig : paths_.MachineConfig;
    const std::string url = SnapshotModuleValues().Config.UpdateURL;
    const DownloadFunction download = UrlDownloadToFile();
    if (!download || url.empty() || destination.empty()) return false;
    // Why the update is not in force, when it is not.
    std::optional<std::string> refused;
    try {
        PrepareUserFolder(paths_);
    } catch (const ToolbarError& error) {
        refused = error.what();
    }

    // The new file arrives beside the old one and replaces it in one step, so
    // a failed or partial transfer never touches the working configuration.
    const std::string partial = destination + ".download";
    if (!refused) {
        DeleteFileA(partial.c_str());
        const ComPtr<IBindStatusCallback> callback = CreateBindStatusCallback();
        const HRESULT hr = download(nullptr, url.c_str(), partial.c_str(), 0, callback.get());
        if (hr != S_OK)
            refused = "The download failed: " + SystemErrorText(static_cast<DWORD>(hr));
        else if (!ReadsAsConfigurationFile(partial))
            refused = "The file does not read as a configuration";
        else
            refused = PutDownloadedConfiguration(paths_, partial, machineRecord_);
    }
    DeleteFileA(partial.c_str());
    // The administrator hears the address and the copy written, or why not.
    LogEvent(refused ? kUpdateRefused : kUpdateDownloaded,
             {url.c_str(), refused ? WithFullStop(*refused).c_str() : destination.c_str()});
    return !refused;
}

void TBandForm::KorviButtonClick(TComponent* sender) {
    if (!sender) return;
    if (typeid(*sender) == typeid(TGlyphButton)) {
        auto* button = static_cast<TGlyphButton*>(sender);
        const std::string& url = Target(button->Tag);
        if (CaptionOpensNewWindow(button->Caption()))
            NavigateURLTarget(url, "_blank");
        else
            NavigateURL(url);
        button->Font.SetColor(kCaptionColor);
        return;
    }
    if (typeid(*sender) == typeid(TMenuItem)) RunMenuCommand(Target(sender->Tag));
}

void TBandForm::RunMenuCommand(const std::string target) {
    // What each command of a menu entry's target does; the build fails while
    // a command has no row here.
    static constexpr CommandHandler kHandlers[] = {
        {Command::NewWindow, [](TBandForm& form, const std::string& url) { form.NavigateURLTarget(url, "_blank"); }},
        {Command::Update,
         [](TBandForm& form, const std::string&) {
             if (!form.policies_.UpdatesAllowed)
                 ShowPlainMessage(kUpdatesManaged);
             else if (const UpdateTurn turn; turn.Mine())
                 ShowPlainMessage(form.DownloadUpdate() ? kUpdateSucceeded : kUpdateFailed);
         }},
        {Command::ClearHistory, [](TBandForm& form, const std::string&) { form.Search_Edit->ClearItems(); }},
        {Command::Hide, [](TBandForm& form, const std::string&) { form.HideToolbar(); }},
        {Command::About,
         [](TBandForm&, const std::string&) {
             const ModuleValues module = SnapshotModuleValues();
             ShowPlainMessage(AboutText(GetFileVersionText(HostExecutablePath()), GetFileVersionText(ModulePath()),
                                        module.Config.ConfigVersion, module.Config.ConfigVersionNote));
         }},
        {Command::Navigate, [](TBandForm& form, const std::string& url) { form.NavigateURL(url); }},
    };
    static_assert(HandlesEveryCommand(kHandlers), "a menu command without its handler");

    const Command command = CommandOfTarget(target);
    for (const CommandHandler& handler : kHandlers) {
        if (handler.Runs == command) return handler.Run(*this, target);
    }
}

void TBandForm::SettingsClick(TComponent* sender) {
    for (int n = 0; n < kLinkButtonCount; ++n) {
        if (sender == SettingsSpdButn[n]) {
            SpdButn[n]->SetVisible(!SpdButn[n]->Visible());
            break;
        }
    }
    PlaceLinkButtons();
}

void TBandForm::SearchMethodsClick(TComponent* sender) {
    for (TMenuItem* option : SearchOption) {
        if (sender == option) {
            SetSearchMethod(Target(option->Tag));
            return;
        }
    }
}

void TBandForm::SpdButnMouseEnter(TComponent* sender) {
    if (auto* button = dynamic_cast<TGlyphButton*>(sender)) button->Font.SetColor(kHoverCaptionColor);
}

void TBandForm::SpdButnMouseLeave(TComponent* sender) {
    if (sender && typeid(*sender) == typeid(TGlyphButton)) {
        static_cast<TGlyphButton*>(sender)->Font.SetColor(kCaptionColor);
        return;
    }
    // A drop-down menu opening: both menu buttons lose their hover colour.
    Main_Menu_SpdButn->Font.SetColor(kCaptionColor);
    Settings_SpdButn->Font.SetColor(kCaptionColor);
}

}  // namespace vtb
