#include "toolbar/band_form.h"

#include <algorithm>
#include <atomic>
#include <vector>

#include "core/caption_accelerator.h"
#include "core/config_rollout.h"
#include "core/display_scale.h"
#include "core/file_paths.h"
#include "core/identifiers.h"
#include "core/link_layout.h"
#include "core/toolbar_layout.h"
#include "toolbar/builtin_glyphs.h"
#include "toolbar/config_rollout.h"
#include "toolbar/module_values.h"
#include "toolbar/policies.h"
#include "toolbar/settings_file.h"
#include "toolbar/toolbar_accessible.h"
#include "widgets/combo_box.h"
#include "widgets/display_scale.h"
#include "widgets/glyph_button.h"
#include "widgets/glyph_file_cache.h"
#include "widgets/toolkit.h"
#include "win/com_object.h"
#include "win/event_log.h"
#include "win/files.h"
#include "win/module.h"
#include "win/oleacc.h"

namespace vtb {
namespace {

constexpr char kFormClass[] = "TBandForm";
constexpr UINT_PTR kTimer1 = 1;

// Every entry of the fullest menu has a command id of its own.
static_assert(kMaxMenuEntries + kSearchOptionCount + kLinkButtonCount <= TPopupMenu::kMaxCommands,
              "a full menu has more entries than command ids");

// Design-time left edges of the link buttons; construction places the shown ones.
int DesignLeft(int number) { return kFirstLinkSlot + kDesignLinkStep * std::min(number - 1, kDesignLinkSteps); }

// A form let go of, with its hold on the module: the toolkit may keep it
// until the handler that closed it has returned, and until then it counts
// as a live object, so the module is not unloaded under the handler.
class TClosingForm : public TComponent {
public:
    explicit TClosingForm(std::unique_ptr<TBandForm> form) : form_(std::move(form)), counter_(form_->ObjectCounter) {
        if (counter_) counter_->CountObject(true);
    }
    ~TClosingForm() override {
        form_.reset();  // FormDestroy saves the user settings
        if (counter_) counter_->CountObject(false);
    }
    void Closing() override { form_->Closing(); }

private:
    std::unique_ptr<TBandForm> form_;
    TObjectCounter* counter_;
};

}  // namespace

// Applies what the configuration reader hands over to the form's controls.
class FormBuilder : public ConfigSink {
public:
    explicit FormBuilder(TBandForm& form) : form_(form), glyphDir_(ExtractFilePath(ModulePath())) {}

    void MainButton(const std::string& caption) override {
        form_.Main_Menu_SpdButn->SetCaption(caption);
        LoadGlyph(*form_.Main_Menu_SpdButn);
    }
    void SearchButton(const std::string& caption, int tag) override {
        form_.Search_SpdButn->SetCaption(caption);
        form_.Search_SpdButn->Tag = tag;
    }
    void SettingsButton(const std::string& caption, int tag) override {
        form_.Settings_SpdButn->SetCaption(caption);
        form_.Settings_SpdButn->Tag = tag;
    }
    void LinkButton(int number, const std::string& caption, int tag) override {
        TGlyphButton& button = *form_.SpdButn[number - 1];
        button.SetCaption(caption);
        LoadGlyph(button);
        button.Tag = tag;
        TMenuItem& item = *form_.SettingsSpdButn[number - 1];
        item.Caption = caption;
        item.Visible = true;
        form_.configuredLinks_ = std::max(form_.configuredLinks_, number);
    }
    void MainMenuEntry(const std::string& caption, int tag, bool subEntry) override {
        auto entry = NewEntry(caption, tag);
        TMenuItem& items = form_.Main_Menu->Items();
        if (subEntry)
            items.Item(items.Count() - 1)->Add(std::move(entry));
        else
            items.Add(std::move(entry));
    }
    void SearchOptionsCaption(const std::string& caption) override { form_.Searchoptions->Caption = caption; }
    void SearchOption(int number, const std::string& caption, int tag) override {
        TMenuItem& option = *form_.SearchOption[number - 1];
        option.Caption = caption;
        option.Tag = tag;
        if (number > 3) option.Visible = true;
    }
    void SettingsMenuEntry(const std::string& caption, int tag) override {
        form_.Settings_Menu->Items().Add(NewEntry(caption, tag));
    }
    void LayoutLine(std::size_t line) override { Line = line + 1; }

    // The line of the file being read, from 1; 0 before the first.
    std::size_t Line = 0;

private:
    std::unique_ptr<TMenuItem> NewEntry(const std::string& caption, int tag) {
        auto entry = std::make_unique<TMenuItem>();
        entry->Caption = caption;
        if (tag >= 0) {
            entry->Tag = tag;
            entry->OnClick = form_.Notify(&TBandForm::KorviButtonClick);
        }
        return entry;
    }

    void LoadGlyph(TGlyphButton& button) {
        // Shared with the other toolbars of the process while the file is unchanged.
        for (const std::string& name : GlyphFileCaptions(button.Caption())) {
            if (auto glyph = LoadGlyphFile(glyphDir_ + name + kGlyphExtension)) {
                button.SetGlyph(std::move(glyph));
                return;
            }
        }
    }

    TBandForm& form_;
    const std::string glyphDir_;
};

TBandForm::TBandForm() : TCustomForm(nullptr, "BandForm") {
    KeyPreview = true;
    Font.SetStyle(kFormFace.Name, kFormFace.Height, kFormFace.Bold);
}

std::unique_ptr<TBandForm> TBandForm::Create(HWND parent) {
    std::string error;
    std::unique_ptr<TBandForm> form = Build(parent, error);
    if (!error.empty()) ShowErrorMessage(error);
    return form;
}

std::unique_ptr<TBandForm> TBandForm::Build(HWND parent, std::string& error, TObjectCounter* counter) {
    std::unique_ptr<TBandForm> form(new TBandForm());
    form->ObjectCounter = counter;
    // Built without a paint or a hover check per control: one of each at the end.
    form->BeginUpdate();
    form->BuildControls(parent);
    try {
        form->FormCreate(form.get());
    } catch (const std::exception& e) {
        error = e.what();
    }
    form->AdjustSize();
    form->EndUpdate();
    // Made hidden, its controls added out of sight, shown whole at the size
    // they gave it: one move of the window, not one per step of the build.
    if (form->Handle())
        SetWindowPos(form->Handle(), nullptr, 0, 0, form->Width(), form->Height(),
                     SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE | SWP_SHOWWINDOW);
    if (auto* button = dynamic_cast<TGlyphButton*>(TToolkit::ControlAtCursor());
        button && button->Parent() == form.get())
        button->CheckHover();
    return form;
}

void TBandForm::Close(std::unique_ptr<TBandForm> form) {
    if (!form) return;
    form->Listener = nullptr;
    form->SetTimerEnabled(false);
    TToolkit::Destroy(std::make_unique<TClosingForm>(std::move(form)));
}

TBandForm::~TBandForm() {
    // Screen readers still holding the toolbar hear "not connected" from now
    // on; one asking while a box of the closing is open gets no new object,
    // only the one already cut off.
    closing_ = true;
    if (accessible_) accessible_->Disconnect();
    SetTimerEnabled(false);
    try {
        FormDestroy(this);
    } catch (const std::exception& e) {
        ShowErrorMessage(e.what());
    }
    // Handed out again while the box was open: cut off once more.
    if (accessible_) {
        accessible_->Disconnect();
        accessible_.reset();
    }
    const HWND window = Handle();
    // Controls go before the window; the hook must not outlive the form.
    for (auto it = owned_.rbegin(); it != owned_.rend(); ++it) it->reset();
    owned_.clear();
    Listener = nullptr;
    DetachHandle();
    if (window && IsWindow(window)) DestroyWindow(window);
}

template <typename T, typename... Args>
T* TBandForm::Own(Args&&... args) {
    auto component = std::make_unique<T>(std::forward<Args>(args)...);
    T* raw = component.get();
    owned_.push_back(std::move(component));
    return raw;
}

namespace {

// The form's window class, registered with the first form and taken back
// when the module is unloaded: a class left behind would point into a
// module that is gone.
class FormClass {
public:
    ~FormClass() {
        if (registered_) UnregisterClassA(kFormClass, ModuleInstance());
    }
    void Register(WNDPROC proc) {
        if (registered_) return;
        WNDCLASSEXA wc{};
        wc.cbSize = sizeof wc;
        wc.style = CS_DBLCLKS;
        wc.lpfnWndProc = proc;
        wc.hInstance = ModuleInstance();
        wc.hCursor = LoadCursor(nullptr, IDC_ARROW);
        wc.lpszClassName = kFormClass;
        // A second thread may register it at the same moment: that is no failure.
        if (RegisterClassExA(&wc) || GetLastError() == ERROR_CLASS_ALREADY_EXISTS) registered_ = true;
    }

private:
    std::atomic<bool> registered_{false};
};

FormClass formClass;
const TargetList kNoTargets;

}  // namespace

TGlyphButton* TBandForm::NewButton(const std::string& name) {
    TGlyphButton* button = Own<TGlyphButton>(this, name);
    button->SetFlat(true);
    button->SetLayout(blGlyphLeft);
    button->SetGrayedInactive(false);
    button->ParentFont = false;
    button->Font.SetStyle(kButtonFace.Name, kButtonFace.Height, kButtonFace.Bold);
    button->Font.SetColor(kCaptionColor);
    button->OnMouseEnter = Notify(&TBandForm::SpdButnMouseEnter);
    button->OnMouseLeave = Notify(&TBandForm::SpdButnMouseLeave);
    return button;
}

TNotifyEvent TBandForm::Notify(void (TBandForm::*handler)(TComponent* sender)) {
    return [this, handler](TComponent* sender) { (this->*handler)(sender); };
}

TMenuItem* TBandForm::NewItem(TMenuItem& parent, const std::string& name, const std::string& caption) {
    auto item = std::make_unique<TMenuItem>(name);
    item->Caption = caption;
    return parent.Add(std::move(item));
}

void TBandForm::BuildControls(HWND parent) {
    formClass.Register(&TWinControl::StaticWndProc);
    // Built at the DPI of where it will live, its window's as soon as it has one.
    SetDpi(WindowDpi(parent));
    CreateWindowExA(0, kFormClass, "Veltrane ToolBar", WS_CHILD | WS_CLIPCHILDREN | WS_CLIPSIBLINGS, 0, 0,
                    Scaled(kFormDesignWidth), Scaled(kButtonHeight), parent, nullptr, ModuleInstance(),
                    static_cast<TWinControl*>(this));
    if (Handle()) SetDpi(WindowDpi(Handle()));
    SetBounds(0, 0, Scaled(kFormDesignWidth), Scaled(kButtonHeight));

    Main_Menu = Own<TPopupMenu>("Main_Menu", 0);
    Main_Menu->Alignment = paLeft;
    Settings_Menu = Own<TPopupMenu>("Settings_Menu", 1);
    Settings_Menu->Alignment = paCenter;
    for (TPopupMenu* menu : {Main_Menu, Settings_Menu}) {
        menu->Owner = Handle();
        menu->OnPopup = Notify(&TBandForm::SpdButnMouseLeave);
    }

    Searchoptions = NewItem(Settings_Menu->Items(), "Searchoptions", "Search options");
    for (int k = 1; k <= kSearchOptionCount; ++k) {
        TMenuItem* option =
            NewItem(*Searchoptions, "SearchOption_" + std::to_string(k), "SearchOption_" + std::to_string(k));
        option->RadioItem = true;
        option->AutoCheck = true;
        option->GroupIndex = 1;
        option->Checked = k == 1;
        option->Visible = k <= 3;
        option->OnClick = Notify(&TBandForm::SearchMethodsClick);
        SearchOption[k - 1] = option;
    }
    Buttons1 = NewItem(Settings_Menu->Items(), "Buttons1", "Buttons");
    Buttons1->GroupIndex = 1;
    for (int n = 1; n <= kLinkButtonCount; ++n) {
        TMenuItem* item = NewItem(*Buttons1, "SettingsSpdButn_" + std::to_string(n), "");
        item->AutoCheck = true;
        item->GroupIndex = 1;
        item->Visible = false;
        item->OnClick = Notify(&TBandForm::SettingsClick);
        SettingsSpdButn[n - 1] = item;
    }
    N10 = NewItem(Settings_Menu->Items(), "N10", "-");
    N10->GroupIndex = 1;

    Main_Menu_SpdButn = NewButton("Main_Menu_SpdButn");
    Main_Menu_SpdButn->SetCaption("Veltrane");
    Main_Menu_SpdButn->Font.SetStyle(kMainButtonFace.Name, kMainButtonFace.Height, kMainButtonFace.Bold);
    Main_Menu_SpdButn->SetDropDownMenu(Main_Menu);

    const FaceRect box = ScaleRect(kSearchBoxLeft, kSearchBoxTop, kSearchBoxWidth, kSearchBoxHeight, Dpi());
    Search_Edit = Own<TComboBox>(this, "Search_Edit", box.left, box.top, box.Width(), box.Height());
    // The form's keys (KeyPreview) and the search box's: one handler.
    Search_Edit->OnKeyPress = [this](TComponent* sender, char& key) { FormKeyPress(sender, key); };
    Search_Edit->OnEditObject = [this](HWND edit, WPARAM wParam) { return AnswerEditObject(edit, wParam); };
    SetActiveControl(Search_Edit);

    Search_SpdButn = NewButton("Search_SpdButn");
    Search_SpdButn->SetCaption("Search");
    Search_SpdButn->SetGlyph(LoadGlyphResource(kSearchGlyph));
    Search_SpdButn->OnClick = Notify(&TBandForm::Search_SpdButnClick);

    Settings_SpdButn = NewButton("Settings_SpdButn");
    Settings_SpdButn->SetCaption("Settings");
    Settings_SpdButn->SetGlyph(LoadGlyphResource(kSettingsGlyph));
    Settings_SpdButn->SetDropDownMenu(Settings_Menu);

    for (int n = 1; n <= kLinkButtonCount; ++n) {
        TGlyphButton* button = NewButton(LinkButtonName(n));
        button->SetVisible(false);
        button->OnClick = Notify(&TBandForm::KorviButtonClick);
        SpdButn[n - 1] = button;
    }

    OnKeyPress = Search_Edit->OnKeyPress;
    LayOut();
}

namespace {

// A control at its design bounds, their edges scaled to its DPI.
void PlaceScaled(TControl& control, int left, int top, int width, int height) {
    const FaceRect r = ScaleRect(left, top, width, height, control.Dpi());
    control.SetBounds(r.left, r.top, r.Width(), r.Height());
}

}  // namespace

void TBandForm::LayOut() {
    PlaceScaled(*Main_Menu_SpdButn, kMainButtonLeft, 0, kMainButtonWidth, kButtonHeight);
    PlaceScaled(*Search_Edit, kSearchBoxLeft, kSearchBoxTop, kSearchBoxWidth, kSearchBoxHeight);
    PlaceScaled(*Search_SpdButn, kSearchButtonLeft, 0, kSearchButtonWidth, kButtonHeight);
    PlaceScaled(*Settings_SpdButn, kSettingsButtonLeft, 0, kSettingsButtonWidth, kButtonHeight);
    // Every slot as wide as the first link button: one scaled width for all.
    for (int n = 1; n <= kLinkButtonCount; ++n)
        SpdButn[n - 1]->SetBounds(Scaled(DesignLeft(n)), 0, Scaled(kLinkButtonWidth), Scaled(kButtonHeight));
}

void TBandForm::FollowDpi() {
    const int dpi = Handle() ? WindowDpi(Handle()) : Dpi();
    if (dpi == Dpi()) return;
    SetDpi(dpi);
    LayOut();
    PlaceLinkButtons();  // the form takes its new size and tells the host
    if (Handle()) InvalidateRect(Handle(), nullptr, TRUE);
}

void TBandForm::FormCreate(TComponent* /*sender*/) {
    ExclusiveLock construction(ConstructionLock());
    ModuleValues module = SnapshotModuleValues();
    urls_ = module.URLList;

    paths_ = CurrentDataPaths();
    const PolicyHives policyHives = ReadPolicyHives();
    policies_ = MergePolicies(policyHives);
    const ConfigurationSource source = ConfigurationToRead(paths_, policies_.UpdatesAllowed);
    FormBuilder builder(*this);
    try {
        ReadConfigurationFile(source, builder, module.Config);
        LoadUserSettings(policyHives);
    } catch (const std::exception& error) {
        // The administrator hears of it with the file and the line (0: the
        // file as a whole).
        LogEvent(kConfigurationFailed, {source.Path.c_str(), std::to_string(builder.Line).c_str(), error.what()});
        throw;
    }
    construction.Unlock();
    Settings_SpdButn->SetLeft(Scaled(kSettingsButtonLeft));
    PlaceLinkButtons();
}

void TBandForm::ReadConfigurationFile(const ConfigurationSource& source, FormBuilder& builder,
                                      ConfigValues& values) {
    const std::optional<std::string> text = ReadWholeFile(source.Path);
    if (!text)
        throw ToolbarError("Cannot open file \"" + source.Path + "\". " + SystemErrorText(ERROR_NOT_ENOUGH_MEMORY));
    machineRecord_ = source.MachineRecord.empty() ? ConfigurationRecord(*text) : source.MachineRecord;
    Memo.Load(*text);

    // From here on a new target list exists, also when reading fails halfway.
    auto urls = std::make_shared<TargetList>();
    try {
        ReadConfiguration(Memo, *urls, values, builder);
    } catch (...) {
        PublishConfiguration(urls_ = urls, values);
        throw;
    }
    PublishConfiguration(urls_ = urls, values);
    Memo.Clear();
    builder.Line = 0;
}

void TBandForm::LoadUserSettings(const PolicyHives& policyHives) {
    // The section is read once, not key by key, and not while another
    // toolbar rewrites the file.
    std::optional<ProfileSection> read = [this] {
        const SettingsFileLock lock(paths_.Settings);
        return ReadUserSettings(paths_);
    }();
    // A file too large to read whole: the toolbar shows the defaults, and
    // its close writes nothing over what it could not read.
    settingsReadWhole_ = read.has_value();
    ProfileSection store = read ? std::move(*read) : ProfileSection();
    std::array<int, kSearchOptionCount> optionTags{};
    for (int k = 0; k < kSearchOptionCount; ++k) optionTags[k] = SearchOption[k]->Tag;
    LoadedSettings loaded = LoadSettings(store, URLList(), optionTags, CurrentSearchMethod());
    ApplyPolicies(loaded, policyHives);
    // A button the configuration does not fill is never shown, whatever the
    // file or a policy says; the save keeps the user's choice for it.
    for (int n = configuredLinks_; n < kLinkButtonCount; ++n) loaded.Visible[n] = false;

    loadedHistory_ = loaded.History;
    for (const std::string& entry : loaded.History) Search_Edit->Add(entry);
    if (loaded.UsePlaceholder) {
        const std::string placeholder = PlaceholderText(Main_Menu_SpdButn->Caption());
        Search_Edit->Add(placeholder);
        Search_Edit->SetText(placeholder);
    }
    if (loaded.CheckedOption > 0) {
        for (int k = 0; k < kSearchOptionCount; ++k) SearchOption[k]->Checked = k + 1 == loaded.CheckedOption;
    }
    if (loaded.SearchMethod) SetSearchMethod(*loaded.SearchMethod);
    if (!loaded.Error.empty()) throw ToolbarError(loaded.Error);

    for (int n = 0; n < kLinkButtonCount; ++n) {
        SpdButn[n]->SetVisible(loaded.Visible[n]);
        SettingsSpdButn[n]->Checked = loaded.Visible[n];
    }
    settingsLoaded_ = true;
}

void TBandForm::FormDestroy(TComponent* /*sender*/) {
    // A toolbar that never read the user's settings must not overwrite them
    // with the defaults it happens to show.
    if (!settingsLoaded_ || !Search_Edit) return;
    const int placeholder = Search_Edit->IndexOf(PlaceholderText(Main_Menu_SpdButn->Caption()));
    if (placeholder >= 0) Search_Edit->Delete(placeholder);

    SettingsToSave settings;
    // A box whose window has gone (the browser destroyed it first) has no
    // list to read: the stored history is kept, not wiped.
    settings.History = Search_Edit->Items();
    settings.LoadedHistory = loadedHistory_;
    settings.Collate = &TComboBox::Collate;
    settings.SearchMethod = CurrentSearchMethod();
    for (int n = 0; n < kLinkButtonCount; ++n)
        settings.Visible[n] = n < configuredLinks_ ? SpdButn[n]->Visible() : ownChoices_.Visible[n];
    ApplyPoliciesOnSave(policies_, fixedOption_ > 0, ownChoices_, settings);
    // Read again at the end: keys other toolbars wrote meanwhile stay, the
    // searches they saved meanwhile are merged with this one's, and the
    // whole section is written back in one step, no other toolbar reading
    // or writing the file in between.
    try {
        PrepareUserFolder(paths_);
    } catch (const ToolbarError& error) {
        LogEvent(kSettingsNotWritten, {paths_.Settings.c_str(), error.what()});
        throw;
    }
    const std::string& path = paths_.Settings;
    const SettingsFileLock lock(path);
    std::optional<ProfileSection> section = ReadSettingsSection(path);
    // Written back, a part of the section would lose the rest.
    if (!section || !settingsReadWhole_) {
        LogEvent(kSettingsNotWritten, {path.c_str(), "the file could not be read whole; it is left as it is"});
        throw ToolbarError("Unable to write to " + path);
    }
    SaveSettings(*section, settings);
    WriteSettingsSection(path, *section);
}

void TBandForm::PlaceLinkButtons() {
    std::array<bool, kLinkButtonCount> visible{};
    for (int n = 0; n < kLinkButtonCount; ++n) visible[n] = SpdButn[n]->Visible();
    const LinkPlacement placement = vtb::PlaceLinkButtons(visible, SpdButn[0]->Width(), Scaled(kFirstLinkSlot));
    VisibleButtons = placement.VisibleButtons;
    for (int n = 0; n < kLinkButtonCount; ++n)
        if (placement.Left[n] >= 0) SpdButn[n]->SetLeft(placement.Left[n]);
    AdjustSize();
}

void TBandForm::AdjustSize() {
    int width = 0;
    int height = 0;
    for (const TControl* c : Controls()) {
        if (!c->Visible()) continue;
        width = std::max(width, c->Left() + c->Width());
        height = std::max(height, c->Top() + c->Height());
    }
    if (width == Width() && height == Height()) return;
    SetBounds(Left(), Top(), width, height);
    // While the form is built its window takes the size once, when it is shown.
    if (Handle() && !Updating())
        SetWindowPos(Handle(), nullptr, 0, 0, width, height, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    if (Listener) Listener->FormResized();
}

const TargetList& TBandForm::URLList() const { return urls_ ? *urls_ : kNoTargets; }

const std::string& TBandForm::Target(int tag) const {
    const TargetList& list = URLList();
    if (tag < 0 || static_cast<std::size_t>(tag) >= list.size())
        throw ToolbarError("List index out of bounds (" + std::to_string(tag) + ")");
    return list[static_cast<std::size_t>(tag)];
}

bool TBandForm::WakesTimer(UINT msg) const {
    // A hit test is no input: it asks what lies under a point, and the idle
    // step and the system's watch over a resting pointer ask it.
    if (msg == WM_NCHITTEST) return false;
    // A menu's loop says it is idle after each message it handled, the
    // toolbar's own ticks among them: only a pointer that moved since the
    // last idle step is news for hover.
    if (msg == WM_ENTERIDLE) return TToolkit::ForThread().PointerMovedSinceIdle();
    return true;
}

void TBandForm::SetTimerEnabled(bool enabled) {
    if (enabled == timerEnabled_ || !Handle()) return;
    if (enabled) {
        timerEnabled_ = true;
        SetTimer(Handle(), kTimer1, 10, nullptr);
        return;
    }
    // Without ticks the idle step does not see the pointer go: the window it
    // rests over will say so, unless one of the toolbar's own menus is open,
    // whose loop tells the form of every move.
    const bool ownMenuOpen = (Main_Menu_SpdButn && Main_Menu_SpdButn->IsMenuShowing()) ||
                             (Settings_SpdButn && Settings_SpdButn->IsMenuShowing());
    if (ownMenuOpen)
        TToolkit::CancelLeaveTracking();
    else
        TToolkit::TrackLeaveUnderCursor();
    timerEnabled_ = false;
    KillTimer(Handle(), kTimer1);
}

void TBandForm::TakeFocus() {
    if (!Handle() || !IsWindowVisible(Handle()) || !IsWindowEnabled(Handle())) return;
    if (ActiveControl() == Search_Edit && Search_Edit) {
        // As a dialog's edit box is entered from the keyboard: what is
        // typed replaces the old query.
        Search_Edit->SetFocus();
        Search_Edit->SelectAll();
    } else {
        SetFocus(Handle());
    }
}

void TBandForm::ReleaseFocus() {
    const HWND focus = GetFocus();
    if (!Handle() || !focus || !OwnsWindow(focus)) return;
    // A window the thread may not focus leaves the thread without a focus:
    // the keys then go to its active window, never to the hidden toolbar.
    if (!SetFocus(GetAncestor(Handle(), GA_ROOT))) SetFocus(nullptr);
}

bool TBandForm::OwnsWindow(HWND window) const {
    return Handle() && window && (window == Handle() || IsChild(Handle(), window));
}

bool TBandForm::TakesKeysFor(HWND window) const { return OwnsWindow(window) && IsWindowVisible(window); }

void TBandForm::FocusMessage(UINT msg, HWND other) {
    // From one window of the toolbar to another is no move.
    if (msg == WM_KILLFOCUS && OwnsWindow(other)) return;
    if (Listener) Listener->FormFocusMoved(msg == WM_SETFOCUS);
}

SIZE TBandForm::ClientSize() const {
    RECT r{0, 0, 0, 0};
    if (Handle()) GetClientRect(Handle(), &r);
    return SIZE{r.right - r.left, r.bottom - r.top};
}

int TBandForm::MainButtonWidth() const { return Main_Menu_SpdButn ? Main_Menu_SpdButn->Width() : 0; }

LRESULT TBandForm::WndProc(UINT msg, WPARAM wParam, LPARAM lParam) {
    if (Listener) Listener->FormMessage(msg);
    switch (msg) {
    case WM_TIMER:
        if (wParam == kTimer1) {
            Timer1Timer(this);
            return 0;
        }
        break;
    case WM_COMMAND:
        if (lParam == 0 && HIWORD(wParam) == 0) {
            const UINT id = LOWORD(wParam);
            if (Main_Menu->DispatchCommand(id) || Settings_Menu->DispatchCommand(id)) return 0;
        }
        break;
    case WM_GETOBJECT:
        if (static_cast<LONG>(lParam) == OBJID_CLIENT) {
            if (const LRESULT answer = AnswerGetObject(wParam); answer > 0) return answer;
        }
        break;
    case kDefaultActionMessage:
        DoDefaultAction(wParam);
        return 0;
    case kDpiChangedAfterParent:
    case WM_DISPLAYCHANGE:
    case WM_SETTINGCHANGE:  // and on to the colours
    // A host that follows each monitor's DPI but tells only its own window
    // moves and sizes its bands after the DPI changed.
    case WM_WINDOWPOSCHANGED:
        FollowDpi();
        break;
    case WM_SETFOCUS:
        FocusMessage(msg, reinterpret_cast<HWND>(wParam));
        if (Search_Edit && ActiveControl() == Search_Edit) {
            Search_Edit->SetFocus();
            return 0;
        }
        break;
    case WM_KILLFOCUS:
        FocusMessage(msg, reinterpret_cast<HWND>(wParam));
        break;
    case CM_CHILDINPUT:
        if (wParam == WM_SETFOCUS || wParam == WM_KILLFOCUS)
            FocusMessage(static_cast<UINT>(wParam), reinterpret_cast<HWND>(lParam));
        break;
    case WM_SHOWWINDOW:
        if (!wParam) ReleaseFocus();
        break;
    default:
        break;
    }
    return TCustomForm::WndProc(msg, wParam, lParam);
}

TToolbarAccessible* TBandForm::AccessibleObject() {
    if (!accessible_ && !closing_) accessible_ = TToolbarAccessible::Create(*this, ObjectCounter);
    return accessible_.get();
}

LRESULT TBandForm::AnswerGetObject(WPARAM wParam) {
    TToolbarAccessible* object = AccessibleObject();
    return object ? AccessibleResult(IID_IAccessible, wParam, static_cast<IAccessible*>(object)) : 0;
}

LRESULT TBandForm::AnswerEditObject(HWND edit, WPARAM wParam) {
    TToolbarAccessible* object = AccessibleObject();
    ComPtr<IAccessible> box;
    if (!object || FAILED(object->SearchBoxObjectFor(edit, box)) || !box) return 0;
    return AccessibleResult(IID_IAccessible, wParam, box.get());
}

bool TBandForm::TakesClicks() const {
    GUITHREADINFO info{};
    info.cbSize = sizeof info;
    if (GetGUIThreadInfo(GetCurrentThreadId(), &info) &&
        (info.flags & (GUI_INMENUMODE | GUI_POPUPMENUMODE | GUI_SYSTEMMENUMODE)))
        return false;
    const HWND root = Handle() ? GetAncestor(Handle(), GA_ROOT) : nullptr;
    return root && IsWindowEnabled(root);
}

void TBandForm::DoDefaultAction(WPARAM index) {
    // Taken up by a menu's or a box's loop that started after it was asked
    // for: the user could not click the button now either.
    if (index >= Controls().size() || !TakesClicks()) return;
    if (auto* button = dynamic_cast<TGlyphButton*>(Controls()[index])) button->Activate();
}

}  // namespace vtb
