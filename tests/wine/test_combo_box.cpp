// The search box's drop-down list as the user sees it: it opens while they
// type, as tall as its entries up to eight rows, with a scroll bar only when
// there are more; Enter searches and closes it.
#include <windows.h>
#include <oleacc.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "core/display_scale.h"
#include "tests/wine/toolbar_fixture.h"
#include "widgets/combo_box.h"
#include "widgets/display_scale.h"

namespace vtbtest {
namespace {

class SearchBoxList : public ToolbarFormTest {
protected:
    // The toolbar shown, with these entries in its search box's list.
    void BuildWith(const std::vector<std::string>& entries) {
        vtb::TBandForm& form = Build(kTestConfig);
        ShowWindow(Parent(), SW_SHOW);
        SetForegroundWindow(Parent());
        form.Search_Edit->ClearItems();
        form.Search_Edit->SetText("");
        for (const std::string& entry : entries) form.Search_Edit->Add(entry);
        form.Search_Edit->SetFocus();
        info_.cbSize = sizeof info_;
        ASSERT_TRUE(GetComboBoxInfo(Box(), &info_));
        EXPECT_TRUE(PumpUntil([this] { return GetForegroundWindow() == Parent(); }));
        EXPECT_TRUE(PumpPending());
    }
    HWND Box() const { return form_->Search_Edit->Handle(); }

    // Keys typed into the box's edit field, as the browser passes them on.
    void Type(const std::string& text) {
        for (char ch : text) PostMessageA(info_.hwndItem, WM_CHAR, static_cast<unsigned char>(ch), 1);
        EXPECT_TRUE(PumpPending());
    }
    void Open() {
        SendMessageA(Box(), CB_SHOWDROPDOWN, FALSE, 0);
        SendMessageA(Box(), CB_SHOWDROPDOWN, TRUE, 0);
        EXPECT_TRUE(PumpPending());
    }

    struct Look {
        bool open = false;
        int rows = 0;  // entries the list's window has room for
        bool scrollBar = false;
        int height = 0;  // of the list's window, border included
        int itemHeight = 0;
    };
    Look ListLook() const {
        Look look;
        look.open = SendMessageA(Box(), CB_GETDROPPEDSTATE, 0, 0) && IsWindowVisible(info_.hwndList);
        RECT client;
        const LRESULT item = SendMessageA(info_.hwndList, LB_GETITEMHEIGHT, 0, 0);
        if (GetClientRect(info_.hwndList, &client) && item > 0) look.rows = client.bottom / static_cast<int>(item);
        RECT window;
        if (GetWindowRect(info_.hwndList, &window)) look.height = window.bottom - window.top;
        look.itemHeight = static_cast<int>(item);
        SCROLLBARINFO bar = {};
        bar.cbSize = sizeof bar;
        look.scrollBar =
            GetScrollBarInfo(info_.hwndList, OBJID_VSCROLL, &bar) && !(bar.rgstate[0] & STATE_SYSTEM_INVISIBLE);
        return look;
    }

    COMBOBOXINFO info_ = {};
};

TEST_F(SearchBoxList, OpensWhileTypingAsTallAsItsEntries) {
    ASSERT_NO_FATAL_FAILURE(BuildWith({"breach of contract", "statute of limitations"}));
    Type("c");
    const Look look = ListLook();
    EXPECT_TRUE(look.open);
    EXPECT_EQ(2, look.rows);
    EXPECT_FALSE(look.scrollBar);
}

// The search adds the query to the list; a list left open would keep the
// height it had for the entries before and need a scroll bar.
TEST_F(SearchBoxList, EnterSearchesAndClosesTheList) {
    ASSERT_NO_FATAL_FAILURE(BuildWith({"breach of contract", "statute of limitations"}));
    Type("contract law");
    ASSERT_TRUE(ListLook().open);
    Type("\r");
    EXPECT_FALSE(ListLook().open);
    EXPECT_EQ("contract law", form_->Search_Edit->Text());
    ASSERT_EQ(3, form_->Search_Edit->Count());

    Type(" ");
    const Look look = ListLook();
    EXPECT_TRUE(look.open);
    EXPECT_EQ(3, look.rows);
    EXPECT_FALSE(look.scrollBar);
}

TEST_F(SearchBoxList, ShowsEightEntriesWithoutScrollingAndScrollsMore) {
    std::vector<std::string> entries;
    for (char c = 'a'; c < 'a' + 8; ++c) entries.push_back(std::string("query ") + c);
    ASSERT_NO_FATAL_FAILURE(BuildWith(entries));
    Open();
    Look look = ListLook();
    EXPECT_TRUE(look.open);
    EXPECT_EQ(8, look.rows);
    EXPECT_FALSE(look.scrollBar);

    form_->Search_Edit->Add("query i");
    Open();
    look = ListLook();
    EXPECT_EQ(8, look.rows);
    EXPECT_TRUE(look.scrollBar);
}

// The open list shows whole rows only, to the pixel: no part of a row and no
// empty strip below the last one, whatever the number of entries (an empty
// list included) and whether the box is the process's first (which learns
// the control's heights) or a later one. Run on scaled displays too, where
// the rows are 13 pixels of the design at the display's DPI, give or take
// the pixel of a control that takes its rows' height from the font alone.
TEST_F(SearchBoxList, TheOpenListIsWholeRowsToThePixel) {
    const int border = 2 * GetSystemMetrics(SM_CYBORDER);
    const int itemHeight = vtb::ScaleToDpi(13, vtb::SystemDpi());
    const int tolerance = vtb::SystemDpi() == vtb::kDesignDpi ? 0 : 1;
    for (int round = 0; round < 2; ++round) {
        if (round == 0) vtb::test_seam::ForgetLearnedComboHeights();
        for (const int count : {0, 1, 5, 8, 12}) {
            std::vector<std::string> entries;
            for (int i = 0; i < count; ++i) entries.push_back("query " + std::to_string(i));
            ASSERT_NO_FATAL_FAILURE(BuildWith(entries));
            Open();
            const Look look = ListLook();
            ASSERT_TRUE(look.open) << count << " entries";
            EXPECT_NEAR(itemHeight, look.itemHeight, tolerance);
            const int rows = count == 0 || count > 8 ? 8 : count;
            EXPECT_EQ(rows * look.itemHeight + border, look.height) << count << " entries, round " << round;
            EXPECT_EQ(count > 8, look.scrollBar) << count << " entries";
            SendMessageA(Box(), CB_SHOWDROPDOWN, FALSE, 0);
        }
    }
}

}  // namespace
}  // namespace vtbtest
