#include "widgets/menus.h"

namespace vtb {
namespace {

// The menus of one owner window each number their commands in a range of
// their own, from 0x1000 up and below the system's commands (0xF000).
constexpr UINT kFirstCommand = 0x1000;
static_assert(kFirstCommand + TPopupMenu::kMaxSlots * TPopupMenu::kMaxCommands <= 0xF000,
              "command ranges reach the system's");

// The Down key posted to select a menu's first entry: one press, told
// apart from the user's by its data.
constexpr LPARAM kSelectFirstKey = 0x00500001 | (1 << 28);

UINT CommandBase(int slot) {
    if (slot < 0 || slot >= TPopupMenu::kMaxSlots) slot = 0;
    return kFirstCommand + static_cast<UINT>(slot) * TPopupMenu::kMaxCommands;
}

}  // namespace

// ---- TMenuItem -----------------------------------------------------------

TMenuItem::TMenuItem(std::string name) : TComponent(std::move(name)) {}

TMenuItem::~TMenuItem() = default;

TMenuItem* TMenuItem::Insert(int index, std::unique_ptr<TMenuItem> item) {
    item->parent_ = this;
    TMenuItem* raw = item.get();
    if (index < 0 || index > Count()) index = Count();
    items_.insert(items_.begin() + index, std::move(item));
    return raw;
}

void TMenuItem::Clear() { items_.clear(); }

void TMenuItem::Click() {
    if (AutoCheck) {
        if (RadioItem) {
            if (parent_) {
                for (auto& sibling : parent_->items_)
                    if (sibling->RadioItem && sibling->GroupIndex == GroupIndex) sibling->Checked = false;
            }
            Checked = true;
        } else {
            Checked = !Checked;
        }
    }
    if (OnClick) OnClick(this);
}

// ---- TPopupMenu ----------------------------------------------------------

TPopupMenu::TPopupMenu(std::string name, int slot) : TComponent(std::move(name)), commandBase_(CommandBase(slot)) {}

TPopupMenu::~TPopupMenu() = default;

void TPopupMenu::Build(HMENU menu, TMenuItem& parent) {
    for (int i = 0; i < parent.Count(); ++i) {
        TMenuItem* item = parent.Item(i);
        if (!item->Visible) continue;
        if (item->Caption == "-") {
            AppendMenuA(menu, MF_SEPARATOR, 0, nullptr);
            continue;
        }
        UINT flags = MF_STRING;
        if (!item->Enabled) flags |= MF_GRAYED;
        if (item->Checked) flags |= MF_CHECKED;
        if (item->Count() > 0) {
            HMENU sub = CreatePopupMenu();
            Build(sub, *item);
            AppendMenuA(menu, flags | MF_POPUP, reinterpret_cast<UINT_PTR>(sub), item->Caption.c_str());
        } else {
            if (commands_.size() >= kMaxCommands) continue;  // beyond this menu's range
            const UINT id = commandBase_ + static_cast<UINT>(commands_.size());
            commands_.push_back(item);
            AppendMenuA(menu, flags, id, item->Caption.c_str());
            if (item->RadioItem) {
                MENUITEMINFOA info{};
                info.cbSize = sizeof info;
                info.fMask = MIIM_FTYPE;
                info.fType = MFT_STRING | MFT_RADIOCHECK;
                SetMenuItemInfoA(menu, id, FALSE, &info);
            }
        }
    }
}

void TPopupMenu::Popup(int x, int y, bool selectFirst) {
    if (OnPopup) OnPopup(this);
    commands_.clear();
    UniqueMenu menu(CreatePopupMenu());
    if (!menu) return;
    Build(menu.get(), root_);
    const UINT align = Alignment == paRight ? TPM_RIGHTALIGN : Alignment == paCenter ? TPM_CENTERALIGN : TPM_LEFTALIGN;
    // The menu's loop takes a Down key waiting in the queue as its first
    // key: the first entry is selected as the loop starts. A key the loop
    // did not take (no menu was shown) must not reach the window later.
    const bool selecting = selectFirst && Owner && GetMenuItemCount(menu.get()) > 0 &&
                           PostMessageA(Owner, WM_KEYDOWN, VK_DOWN, kSelectFirstKey);
    // The chosen item's WM_COMMAND is posted to the owner, which hands it back
    // to DispatchCommand once the menu has closed.
    TrackPopupMenu(menu.get(), align | TPM_LEFTBUTTON, x, y, 0, Owner, nullptr);
    MSG left;
    if (selecting && PeekMessageA(&left, Owner, WM_KEYDOWN, WM_KEYDOWN, PM_NOREMOVE) && left.wParam == VK_DOWN &&
        left.lParam == kSelectFirstKey)
        PeekMessageA(&left, Owner, WM_KEYDOWN, WM_KEYDOWN, PM_REMOVE);
}

bool TPopupMenu::DispatchCommand(UINT id) {
    if (id < commandBase_ || id >= commandBase_ + commands_.size()) return false;
    commands_[id - commandBase_]->Click();
    return true;
}

}  // namespace vtb
