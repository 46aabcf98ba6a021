// Pop-up menus built from a tree of items. Hidden items are left out when
// the menu is shown; a click arrives as WM_COMMAND on the owner window and
// runs the item's OnClick.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "widgets/control.h"

namespace vtb {

enum TPopupAlignment { paLeft, paRight, paCenter };

class TMenuItem : public TComponent {
public:
    explicit TMenuItem(std::string name = {});
    ~TMenuItem() override;

    std::string Caption;  // "-" is a separator line
    bool Visible = true;
    bool Enabled = true;
    bool Checked = false;
    bool RadioItem = false;
    bool AutoCheck = false;
    int GroupIndex = 0;
    TNotifyEvent OnClick;

    TMenuItem* Parent() const { return parent_; }
    int Count() const { return static_cast<int>(items_.size()); }
    TMenuItem* Item(int index) const { return items_[index].get(); }
    // Takes ownership; an index past the end appends.
    TMenuItem* Insert(int index, std::unique_ptr<TMenuItem> item);
    TMenuItem* Add(std::unique_ptr<TMenuItem> item) { return Insert(Count(), std::move(item)); }
    void Clear();

    // What a click does: the automatic check or radio move, then OnClick.
    void Click();

private:
    TMenuItem* parent_ = nullptr;
    std::vector<std::unique_ptr<TMenuItem>> items_;
};

class TPopupMenu : public TComponent {
public:
    // Each menu of one owner window takes a slot of its own: the slot
    // decides the range of command ids its entries get.
    static constexpr int kMaxSlots = 6;
    // The most entries with a command one menu shows (more than the
    // toolbar's fullest menu holds); entries beyond are left out.
    static constexpr UINT kMaxCommands = 0x2000;

    explicit TPopupMenu(std::string name = {}, int slot = 0);
    ~TPopupMenu() override;

    TMenuItem& Items() { return root_; }
    TPopupAlignment Alignment = paLeft;
    bool AutoPopup = true;
    TComponent* PopupComponent = nullptr;
    TNotifyEvent OnPopup;
    HWND Owner = nullptr;  // receives the WM_COMMAND of a chosen item

    // Fires OnPopup, then shows the menu at a screen point and returns when
    // it has closed. Opened from the keyboard, its first entry is selected,
    // so the arrows and Enter work at once.
    void Popup(int x, int y, bool selectFirst = false);

    // Runs the item that the last shown menu gave this command id; false
    // when the id is not one of this menu's.
    bool DispatchCommand(UINT id);

private:
    void Build(HMENU menu, TMenuItem& parent);

    TMenuItem root_;
    UINT commandBase_;
    std::vector<TMenuItem*> commands_;  // id - commandBase_ -> item of the last popup
};

}  // namespace vtb
