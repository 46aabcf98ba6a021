// The toolbar form: a child window of the browser's toolbar area holding the
// main button, the search box, the Search and Settings buttons, the link
// buttons and their menus, built from the configuration file and the user's
// settings.
#pragma once

#include <windows.h>
#include <exdisp.h>

#include <array>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "core/config_file.h"
#include "core/user_settings.h"
#include "toolbar/config_rollout.h"
#include "toolbar/data_paths.h"
#include "toolbar/policies.h"
#include "widgets/form.h"
#include "widgets/menus.h"
#include "win/handles.h"

namespace vtb {

class TGlyphButton;
class TComboBox;
class TObjectCounter;
class TToolbarAccessible;
class FormBuilder;

// What a form tells whoever holds it. Each call may let the form go.
class TFormListener {
public:
    // Every message the form's window receives, before the form handles it
    // (the band switches the timer with it).
    virtual void FormMessage(UINT msg) = 0;
    // The form has taken a new size (link buttons shown or hidden).
    virtual void FormResized() = 0;
    // The keyboard focus came into the toolbar's windows (true), or left
    // them for a window outside them or for none (false).
    virtual void FormFocusMoved(bool inToolbar) = 0;

protected:
    ~TFormListener() = default;
};

class TBandForm : public TCustomForm {
public:
    // Creates the window as a child of parent and runs FormCreate. An error
    // of the construction is shown in an error box; the form lives on with
    // what was built before it.
    static std::unique_ptr<TBandForm> Create(HWND parent);
    // The same without the box: the construction's error, if any, is left
    // in error for the caller to show once the form is in its hands.
    // counter: see ObjectCounter; given before the window exists, as a
    // reader may ask for the toolbar while it is being built.
    static std::unique_ptr<TBandForm> Build(HWND parent, std::string& error, TObjectCounter* counter = nullptr);
    ~TBandForm() override;  // runs FormDestroy, then destroys the window

    // Lets a form go, as its band does when it closes: the form no longer
    // calls back and its timer stops. Closed from inside one of its own
    // handlers (a menu command, a box), the toolkit keeps it, hidden, until
    // that handler has returned, and until then it counts as a live object
    // of its counter, so that the module is not unloaded under the handler.
    static void Close(std::unique_ptr<TBandForm> form);

    // Set by the band right after construction; all navigation goes through it.
    ComPtr<IWebBrowser2> WebBrowser;

    // Who holds the form (its band), told what the form hears; none once
    // the form is let go.
    TFormListener* Listener = nullptr;

    // What counts the toolbar's accessible objects, while a screen reader
    // holds them, and a closing form as live objects, so that the module
    // stays loaded; given by the band to Build. None for a form outside a band.
    TObjectCounter* ObjectCounter = nullptr;
    // A default action a screen reader asked for, posted to the form with
    // the control's index among Controls(): it runs from the form's own
    // queue, never inside the reader's call.
    static constexpr UINT kDefaultActionMessage = WM_APP + 1;

    // A caption the pointer is not over, in the colour of the button face's
    // own text, and one under the pointer: the system's colours, resolved
    // when painted, so that they follow a change of scheme.
    static constexpr TColor kCaptionColor = clBtnText;
    static constexpr TColor kHoverCaptionColor = clHotText;
    // A click could reach the toolbar now: no menu of the thread is open and
    // no modal box or dialog has disabled the window holding the toolbar.
    // Default actions are taken only then.
    bool TakesClicks() const;

    void SetTimerEnabled(bool enabled);
    bool TimerEnabled() const { return timerEnabled_; }
    // Whether a message the form received is news for the timer, which every
    // such message switches on.
    bool WakesTimer(UINT msg) const;
    // Whether the timer's ticks have work: the pointer over the toolbar, or
    // the keyboard focus or the mouse capture in it.
    bool NeedsTicks() const;

    // Keyboard focus to the form, which hands it to its active control; the
    // search box's text is selected.
    void TakeFocus();
    // The focus, when it is in the toolbar, back to the browser's window
    // (the top-level window holding the toolbar): nothing may stay focused
    // in a toolbar that is hidden.
    void ReleaseFocus();
    // A window of the toolbar: the form or one of its child windows.
    bool OwnsWindow(HWND window) const;
    // Whether a key whose message names this window is the toolbar's: one
    // of its windows, shown. Every other key is the browser's.
    bool TakesKeysFor(HWND window) const;

    SIZE ClientSize() const;
    int MainButtonWidth() const;

    // Handlers, named after their controls and events.
    void FormCreate(TComponent* sender);
    void FormDestroy(TComponent* sender);
    void FormKeyPress(TComponent* sender, char& key);
    void Search_SpdButnClick(TComponent* sender);
    void KorviButtonClick(TComponent* sender);
    void SettingsClick(TComponent* sender);
    void SearchMethodsClick(TComponent* sender);
    void SpdButnMouseEnter(TComponent* sender);
    void SpdButnMouseLeave(TComponent* sender);
    void Timer1Timer(TComponent* sender);

    void NavigateURL(const std::string& url);
    void NavigateURLTarget(const std::string& url, const std::string& targetFrame);
    void HideToolbar();
    // Takes its own copy of the target: a command may free the form and its list.
    void RunMenuCommand(std::string target);
    bool DownloadUpdate();

    // Controls, as the form definition names them.
    TGlyphButton* Main_Menu_SpdButn = nullptr;
    TComboBox* Search_Edit = nullptr;
    TGlyphButton* Search_SpdButn = nullptr;
    TGlyphButton* Settings_SpdButn = nullptr;
    std::array<TGlyphButton*, kLinkButtonCount> SpdButn{};  // SpdButn_1 .. SpdButn_17
    LineStore Memo;
    TPopupMenu* Main_Menu = nullptr;
    TPopupMenu* Settings_Menu = nullptr;
    TMenuItem* Searchoptions = nullptr;
    TMenuItem* Buttons1 = nullptr;
    TMenuItem* N10 = nullptr;
    std::array<TMenuItem*, kSearchOptionCount> SearchOption{};   // SearchOption_1 .. _7
    std::array<TMenuItem*, kLinkButtonCount> SettingsSpdButn{};  // SettingsSpdButn_1 .. _17

    // The targets this form was built with, and the shown link buttons.
    const TargetList& URLList() const;
    std::vector<std::string> VisibleButtons;

protected:
    LRESULT WndProc(UINT msg, WPARAM wParam, LPARAM lParam) override;

    // Lines the shown link buttons up after the Settings button.
    void PlaceLinkButtons();
    // Every control at its design place and size at the form's DPI.
    void LayOut();
    // The window's DPI changed (the browser moved to another monitor, the
    // display's setting changed): fonts, faces and places anew, the host told
    // of the new size. What the search box holds and the focus stay. Asked
    // on every notice that may come with a new DPI; nothing when it is the same.
    void FollowDpi();

private:
    TBandForm();
    template <typename T, typename... Args>
    T* Own(Args&&... args);
    TGlyphButton* NewButton(const std::string& name);
    // One of the handlers above for a control's event, by name, as a form
    // definition assigns it: OnClick = Notify(&TBandForm::SettingsClick).
    TNotifyEvent Notify(void (TBandForm::*handler)(TComponent* sender));
    static TMenuItem* NewItem(TMenuItem& parent, const std::string& name, const std::string& caption);
    void BuildControls(HWND parent);
    // Reads the chosen configuration into the form and the module's values.
    void ReadConfigurationFile(const ConfigurationSource& source, FormBuilder& builder, ConfigValues& values);
    void LoadUserSettings(const PolicyHives& policyHives);
    // What the administrator's policies change in the loaded settings, and
    // the menu entries they take out of the user's hands.
    void ApplyPolicies(LoadedSettings& loaded, const PolicyHives& read);
    void AdjustSize();
    // The toolbar's accessible object, made on the first request and kept
    // while the form lives. Once the form is closing none is made: it would
    // outlive the form uncut. Null then, when none was made before.
    TToolbarAccessible* AccessibleObject();
    // WM_GETOBJECT for the client area: the toolbar's accessible object.
    LRESULT AnswerGetObject(WPARAM wParam);
    // WM_GETOBJECT for the search box's edit field: the search box's object
    // for that window, named like the search box.
    LRESULT AnswerEditObject(HWND edit, WPARAM wParam);
    void DoDefaultAction(WPARAM index);
    // A focus message of the form's own window or of the search box's:
    // told on to the listener.
    void FocusMessage(UINT msg, HWND other);
    const std::string& Target(int tag) const;  // "List index out of bounds (%d)"

    std::vector<std::unique_ptr<TComponent>> owned_;
    SharedTargets urls_;
    bool timerEnabled_ = false;
    bool settingsLoaded_ = false;  // only then may FormDestroy write the settings file
    bool settingsReadWhole_ = false;  // and only when loading read all of it
    bool closing_ = false;         // the destructor has begun
    // The history as read from the file: what other windows save after it
    // is merged in at the close.
    std::vector<std::string> loadedHistory_;
    // Decided at construction: the form saves where it loaded from, also
    // when the machine's choice changes while it is open.
    DataPaths paths_;
    // The record of the machine's configuration this toolbar was built
    // over: what an update downloaded from this toolbar stands over.
    std::string machineRecord_;
    // Read with the paths; the user's own choices where a policy overrides
    // them on screen, which the save keeps.
    Policies policies_;
    UsersChoices ownChoices_;
    int fixedOption_ = 0;
    int configuredLinks_ = 0;  // the link buttons the configuration fills, 1 up to this
    ComPtr<TToolbarAccessible> accessible_;
    friend class FormBuilder;
};

}  // namespace vtb
