#include "widgets/combo_box.h"

#include <commctrl.h>

#include <algorithm>
#include <atomic>
#include <vector>

#include "core/toolbar_layout.h"
#include "core/user_settings.h"
#include "widgets/form.h"
#include "widgets/toolkit.h"
#include "win/code_page.h"
#include "win/module.h"

namespace vtb {

namespace {

// The drop-down list is as tall as its entries, up to this many rows: the
// whole history fits (at most eight entries are loaded) without scrolling.
constexpr int kListRows = 8;

constexpr int kItemHeight = 13;  // at 96 DPI

// The list's height, border included: kListRows whole rows of itemHeight.
int ListHeight(int itemHeight) { return kListRows * itemHeight + 2 * GetSystemMetrics(SM_CYBORDER); }

// The classic control takes the list's height from the height its window is
// made with, less the closed box's own height (its edit field's, which the
// font it is made with decides), give or take a pixel that differs between
// versions of the control. The first box of the process learns both from
// the rectangle the control reports when its list first drops down (not
// while the toolbar opens: measuring means laying the box out a second
// time); the others are made at the right height at once. With the list
// exactly whole rows, the box needs no integral-height rule, which would
// move the list's window once more with every layout while the toolbar is
// built.
std::atomic<int> closedHeight{0};
std::atomic<int> listExtra{0};
// What the closed box adds to the height of its text field; -1 until known.
std::atomic<int> fieldPadding{-1};

int WindowHeight(int closed, int extra, int list) { return closed + list - extra; }

// The list's height as the control has it now, or 0.
int ListHeightOf(HWND combo) {
    RECT list{};
    // Some versions of the control answer 0 for success: the rectangle says.
    SendMessageA(combo, CB_GETDROPPEDCONTROLRECT, 0, reinterpret_cast<LPARAM>(&list));
    return list.bottom > list.top ? list.bottom - list.top : 0;
}

// Gives the box the window height that makes its list `list` tall; the
// control's rule for a box made smaller than it was made may differ from its
// rule at creation by a pixel, so the list is measured once more.
void FitList(HWND combo, int width, int extra, int list) {
    RECT closed;
    if (!GetWindowRect(combo, &closed)) return;
    const auto resize = [&](int height) {
        SetWindowPos(combo, nullptr, 0, 0, width, height, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    };
    const int height = WindowHeight(closed.bottom - closed.top, extra, list);
    resize(height);
    const int now = ListHeightOf(combo);
    if (now && now != list) resize(height + list - now);
}

// The first box of the process, about to drop its list down: it was made
// madeHeight tall, which the control took as madeClosed for the closed box
// and the rest for the list, and then got its font. The box is given its own
// right height.
void Learn(HWND combo, int width, int madeClosed, int madeHeight, int list) {
    const int listNow = ListHeightOf(combo);
    if (!listNow) return;
    const int extra = listNow - (madeHeight - madeClosed);
    listExtra = extra;
    closedHeight = madeClosed;
    FitList(combo, width, extra, list);
}

// The box's texts as the settings file keeps them, and as it shows them.
std::string Stored(const std::wstring& text) { return StoredHistoryEntry(text, TextCodePage()); }
std::wstring Shown(const std::string& stored) { return HistoryEntryText(stored, TextCodePage()); }

}  // namespace

void test_seam::ForgetLearnedComboHeights() {
    closedHeight = 0;
    listExtra = 0;
    fieldPadding = -1;
}

TComboBox::TComboBox(TWinControl* parent, std::string name, int left, int top, int width, int height)
    : TWinControl(parent, std::move(name)) {
    SetBounds(left, top, width, height);
    Font.SetStyle(kSearchBoxFace.Name, kSearchBoxFace.Height, kSearchBoxFace.Bold);
    const int learnt = closedHeight.load();
    const int list = ListHeight(Scaled(kItemHeight));
    const int madeHeight = learnt ? WindowHeight(learnt, listExtra.load(), list) : height + list;
    const HWND combo =
        CreateWindowExW(0, L"COMBOBOX", L"",
                        WS_CHILD | WS_VISIBLE | WS_TABSTOP | WS_VSCROLL | CBS_DROPDOWN | CBS_SORT | CBS_AUTOHSCROLL |
                            CBS_NOINTEGRALHEIGHT,
                        left, top, width, madeHeight, parent->Handle(), nullptr, ModuleInstance(), nullptr);
    if (!combo) return;
    AttachSubclass(combo);
    RECT made;
    if (!learnt && GetWindowRect(combo, &made)) unlearnt_ = Made{made.bottom - made.top, madeHeight};
    ApplyFont();
    // A control that takes its rows' height from the font alone has rows of
    // another height than the one it was made for.
    if (learnt && RowHeight() != Scaled(kItemHeight))
        FitList(combo, width, listExtra.load(), ListHeight(RowHeight()));
    // Version 6 of the common controls counts rows instead.
    SendMessageA(combo, CB_SETMINVISIBLE, kListRows, 0);
    COMBOBOXINFO info{};
    info.cbSize = sizeof info;
    if (GetComboBoxInfo(combo, &info) && info.hwndItem && info.hwndItem != combo) {
        edit_ = info.hwndItem;
        AttachSubclass(edit_);
    }
}

TComboBox::~TComboBox() {
    const HWND combo = Handle();
    DetachHandle();
    if (combo && IsWindow(combo)) DestroyWindow(combo);
}

std::wstring TComboBox::WideText() const {
    const int length = GetWindowTextLengthW(Handle());
    std::wstring text(static_cast<std::size_t>(std::max(length, 0)), L'\0');
    // The terminating null goes past the end, where the string keeps one.
    const int copied = GetWindowTextW(Handle(), text.data(), static_cast<int>(text.size()) + 1);
    text.resize(static_cast<std::size_t>(std::max(copied, 0)));
    return text;
}

std::string TComboBox::Text() const { return Stored(WideText()); }

void TComboBox::SetText(const std::string& text) { SetWindowTextW(Handle(), Shown(text).c_str()); }

int TComboBox::Count() const {
    const LRESULT n = SendMessageA(Handle(), CB_GETCOUNT, 0, 0);
    return n < 0 ? 0 : static_cast<int>(n);
}

std::string TComboBox::Item(int index) const {
    const LRESULT length = SendMessageW(Handle(), CB_GETLBTEXTLEN, index, 0);
    if (length < 0) return {};
    std::wstring buffer(static_cast<std::size_t>(length), L'\0');  // and the null past its end
    SendMessageW(Handle(), CB_GETLBTEXT, index, reinterpret_cast<LPARAM>(buffer.data()));
    return Stored(buffer.c_str());
}

std::optional<std::vector<std::string>> TComboBox::Items() const {
    if (!Handle() || !IsWindow(Handle())) return std::nullopt;
    std::vector<std::string> items;
    const int count = Count();
    for (int i = 0; i < count; ++i) items.push_back(Item(i));
    return items;
}

int TComboBox::IndexOf(const std::string& text) const {
    const std::wstring shown = Shown(text);
    const LRESULT index =
        SendMessageW(Handle(), CB_FINDSTRINGEXACT, static_cast<WPARAM>(-1), reinterpret_cast<LPARAM>(shown.c_str()));
    return index == CB_ERR ? -1 : static_cast<int>(index);
}

void TComboBox::Delete(int index) { SendMessageA(Handle(), CB_DELETESTRING, index, 0); }

void TComboBox::ClearItems() {
    const std::wstring text = WideText();
    SendMessageA(Handle(), CB_RESETCONTENT, 0, 0);
    SetWindowTextW(Handle(), text.c_str());
}

void TComboBox::Add(const std::string& text) {
    SendMessageW(Handle(), CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(Shown(text).c_str()));
}

void TComboBox::SetFocus() {
    if (Handle()) ::SetFocus(edit_ ? edit_ : Handle());
}

// The box sorts and finds the texts it shows, wide: a stored entry in its
// UTF-8 form is compared as the letters it stands for.
int TComboBox::Collate(const std::string& a, const std::string& b) {
    return lstrcmpiW(Shown(a).c_str(), Shown(b).c_str());
}

void TComboBox::SelectAll() {
    if (Handle()) SendMessageA(Handle(), CB_SETEDITSEL, 0, MAKELPARAM(0, -1));
}

bool TComboBox::KeyTakenByForm(char& key) {
    if (!DoKeyPress(key)) return false;
    // Enter ran the search, which added the query to the open list; the
    // system's box, which never saw the key, would leave the list open,
    // sized for the entries it had when it opened.
    if (SendMessageA(Handle(), CB_GETDROPPEDSTATE, 0, 0)) SendMessageA(Handle(), CB_SHOWDROPDOWN, FALSE, 0);
    return true;
}

LRESULT TComboBox::HandleChar(HWND window, UINT msg, WPARAM wParam, LPARAM lParam) {
    // The box's windows are Unicode: the character is UTF-16. One without an
    // 8-bit key of its own is no key for the form; it is typed as it came.
    if (const std::optional<char> offered = TToolkit::KeyOfCharacter(wParam, true)) {
        char key = *offered;
        if (KeyTakenByForm(key)) return 0;  // consumed by the form's preview or our handler
        if (key != *offered) wParam = Shown(std::string(1, key))[0];
    }
    // The list drops down by itself while the user types.
    if (wParam >= 32 && Count() > 0 && !SendMessageA(Handle(), CB_GETDROPPEDSTATE, 0, 0))
        SendMessageA(Handle(), CB_SHOWDROPDOWN, TRUE, 0);
    return TWinControl::ChildWndProc(window, msg, wParam, lParam);
}

void TComboBox::ListDropping() {
    if (!unlearnt_) return;
    const Made made = *unlearnt_;
    unlearnt_.reset();
    Learn(Handle(), Width(), made.closed, made.height, ListHeight(RowHeight()));
}

int TComboBox::RowHeight() const {
    const LRESULT height = SendMessageA(Handle(), CB_GETITEMHEIGHT, 0, 0);
    return height > 0 ? static_cast<int>(height) : Scaled(kItemHeight);
}

void TComboBox::ApplyFont() {
    const HWND combo = Handle();
    SendMessageA(combo, WM_SETFONT, reinterpret_cast<WPARAM>(Font.Handle()), FALSE);
    SendMessageA(combo, CB_SETITEMHEIGHT, 0, Scaled(kItemHeight));
    // The closed box as high as its bounds: its text field takes the
    // difference. What the box adds to the field's height is learnt from the
    // process's first try (versions of the control read and set the field's
    // height with or without their padding); later boxes need one.
    const auto closedNow = [combo] {
        RECT closed;
        return GetWindowRect(combo, &closed) ? static_cast<int>(closed.bottom - closed.top) : 0;
    };
    const auto setField = [combo](int height) {
        if (height > 0) SendMessageA(combo, CB_SETITEMHEIGHT, static_cast<WPARAM>(-1), height);
    };
    const int closed = closedNow();
    if (!closed || closed == Height()) return;
    int padding = fieldPadding.load();
    if (padding < 0) {
        const int tried = static_cast<int>(SendMessageA(combo, CB_GETITEMHEIGHT, static_cast<WPARAM>(-1), 0)) +
                          Height() - closed;
        if (tried <= 0) return;
        setField(tried);
        const int now = closedNow();
        if (!now || now == Height()) return;
        fieldPadding = padding = std::max(0, now - tried);
    }
    setField(Height() - padding);
}

void TComboBox::Refit() {
    const HWND combo = Handle();
    if (!combo) return;
    ApplyFont();
    RECT closed;
    if (!GetWindowRect(combo, &closed)) return;
    // Moved at its closed height, which leaves the list as it is.
    SetWindowPos(combo, nullptr, Left(), Top(), Width(), closed.bottom - closed.top, SWP_NOZORDER | SWP_NOACTIVATE);
    // A box that has not learnt the control's heights yet gets its list's
    // height when the list first drops down.
    if (!unlearnt_ && closedHeight.load())
        FitList(combo, Width(), listExtra.load(), ListHeight(RowHeight()));
}

void TComboBox::SetBounds(int left, int top, int width, int height) {
    const RECT before = BoundsRect();
    TWinControl::SetBounds(left, top, width, height);
    const RECT after = BoundsRect();
    if (Handle() && !EqualRect(&before, &after)) Refit();
}


std::optional<LRESULT> TComboBox::DialogChar(UINT msg, WPARAM wParam, LPARAM lParam) {
    // Alt and a letter in the box presses the form's button of that letter;
    // any other goes on to the system (the browser's menu key).
    if (msg == CN_BASE + WM_SYSCHAR) return DoDialogChar(wParam, lParam) ? 1 : 0;
    if (msg != WM_SYSCHAR) return std::nullopt;
    // Dispatched without the notification: a Unicode window's character.
    const std::optional<char> key = TToolkit::KeyOfCharacter(wParam, true);
    if (key && DoDialogChar(static_cast<unsigned char>(*key), lParam)) return 0;
    return std::nullopt;
}

LRESULT TComboBox::WndProc(UINT msg, WPARAM wParam, LPARAM lParam) {
    if (msg == WM_CHAR) return HandleChar(Handle(), msg, wParam, lParam);
    if (msg == CN_BASE + WM_COMMAND) {
        if (HIWORD(wParam) == CBN_DROPDOWN) ListDropping();
        return 0;
    }
    if (msg == CN_BASE + WM_CHAR) {
        char key = static_cast<char>(wParam);
        return KeyTakenByForm(key) ? 1 : 0;
    }
    if (const std::optional<LRESULT> dialog = DialogChar(msg, wParam, lParam)) return *dialog;
    if (msg >= CN_BASE + WM_KEYFIRST && msg <= CN_BASE + WM_KEYLAST) return 0;
    return DefaultHandler(msg, wParam, lParam);
}

LRESULT TComboBox::ChildWndProc(HWND window, UINT msg, WPARAM wParam, LPARAM lParam) {
    if (msg == WM_CHAR) return HandleChar(window, msg, wParam, lParam);
    if (msg == CN_BASE + WM_CHAR) {
        char key = static_cast<char>(wParam);
        return KeyTakenByForm(key) ? 1 : 0;
    }
    if (const std::optional<LRESULT> dialog = DialogChar(msg, wParam, lParam)) return *dialog;
    if (msg >= CN_BASE + WM_KEYFIRST && msg <= CN_BASE + WM_KEYLAST) return 0;
    if (msg == WM_GETOBJECT && window == edit_ && static_cast<LONG>(lParam) == OBJID_CLIENT && OnEditObject) {
        if (const LRESULT answer = OnEditObject(window, wParam); answer > 0) return answer;
    }
    return TWinControl::ChildWndProc(window, msg, wParam, lParam);
}

}  // namespace vtb
