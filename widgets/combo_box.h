// The search box: an editable, sorted system combo box whose list is the
// search history.
#pragma once

#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "core/search.h"
#include "widgets/control.h"

namespace vtb {

// The box's windows are Unicode: it holds every character the user types,
// also those the code page lacks. Its 8-bit texts (Text, the items) are in
// the form the settings file keeps history entries (StoredHistoryEntry):
// code-page text, or the "UTF-8:" form for text the code page cannot hold.
class TComboBox : public TWinControl, public HistoryList {
public:
    TComboBox(TWinControl* parent, std::string name, int left, int top, int width, int height);
    ~TComboBox() override;

    std::string Text() const;
    void SetText(const std::string& text);
    std::wstring WideText() const;

    std::string Item(int index) const;
    // The whole list in its order; nullopt when the box has no window to
    // ask (an empty answer would read as a cleared list).
    std::optional<std::vector<std::string>> Items() const;
    int IndexOf(const std::string& text) const;  // whole text, any case; -1 if missing
    void Delete(int index);
    void ClearItems();  // the edit text stays

    // HistoryList
    int Count() const override;
    bool ContainsIgnoringCase(const std::string& text) const override { return IndexOf(text) >= 0; }
    void DeleteFirst() override { Delete(0); }
    void Add(const std::string& text) override;

    void SetFocus();
    // The whole text selected, so that typing replaces it.
    void SelectAll();
    // How the system's box orders its entries and finds one listed: its
    // collation, without regard to case (a HistoryCollation).
    static int Collate(const std::string& a, const std::string& b);

    // Moves the box's window with its bounds, its font and heights at the
    // box's DPI (new bounds come with every change of DPI).
    void SetBounds(int left, int top, int width, int height) override;

    // Asked for the accessible object of the box's edit field, the window
    // that holds the focus in the box (WM_GETOBJECT for its client area):
    // the answer, or 0 to leave it to the system.
    std::function<LRESULT(HWND edit, WPARAM wParam)> OnEditObject;

protected:
    LRESULT WndProc(UINT msg, WPARAM wParam, LPARAM lParam) override;
    LRESULT ChildWndProc(HWND window, UINT msg, WPARAM wParam, LPARAM lParam) override;

private:
    LRESULT HandleChar(HWND window, UINT msg, WPARAM wParam, LPARAM lParam);
    bool KeyTakenByForm(char& key);  // the form's key preview took it; closes the list
    // The answer to a dialog character, nullopt for any other message.
    std::optional<LRESULT> DialogChar(UINT msg, WPARAM wParam, LPARAM lParam);
    void ListDropping();  // the list is about to open: its height is set now
    // The font, the list's rows and the closed box's height at the box's DPI.
    void ApplyFont();
    // The list's rows as the control has them: the height set, or, where the
    // control takes it from the font alone (Wine's), the font's.
    int RowHeight() const;
    // After a change of bounds: the window where they say, its font and
    // heights anew.
    void Refit();
    HWND edit_ = nullptr;
    // The heights a box made before the process knew them was made with.
    struct Made {
        int closed;
        int height;
    };
    std::optional<Made> unlearnt_;
};

// For the tests only: the next search box made learns the control's heights
// again, as the process's first one does when its list first drops down.
namespace test_seam {
void ForgetLearnedComboHeights();
}

}  // namespace vtb
