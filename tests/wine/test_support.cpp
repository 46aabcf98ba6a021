// The message box watcher that other tests rely on: it must see boxes shown
// by this thread, read them as the user would, and tell the icons apart.
#include <windows.h>

#include <gtest/gtest.h>

#include "tests/wine/support_wine.h"

namespace {

using vtbtest::MessageBoxWatcher;

void CALLBACK ShowBoxLater(HWND, UINT, UINT_PTR id, DWORD) {
    KillTimer(nullptr, id);
    MessageBoxA(nullptr, "from a timer", "Hostapp", MB_OK | MB_ICONSTOP);
}

TEST(MessageBoxWatcher, AnswersModalBoxesAndReadsCaptionTextAndIcon) {
    MessageBoxWatcher boxes;
    // MessageBoxA returns only once the watcher pressed OK.
    EXPECT_EQ(IDOK, MessageBoxA(nullptr, "Cannot open file \"x.cfg\".", "Hostapp", MB_OK | MB_ICONERROR));
    EXPECT_EQ(IDOK, MessageBoxA(nullptr, "line one\rline two", "Hostapp", MB_OK));
    EXPECT_EQ(IDOK, MessageBoxA(nullptr, "note", "Other", MB_OK | MB_ICONINFORMATION));

    ASSERT_TRUE(boxes.WaitForBoxes(3, 1000));
    const auto seen = boxes.Boxes();
    ASSERT_EQ(3u, seen.size());
    EXPECT_EQ("Hostapp", seen[0].caption);
    EXPECT_EQ("Cannot open file \"x.cfg\".", seen[0].text);
    EXPECT_TRUE(seen[0].errorIcon);
    EXPECT_TRUE(seen[0].stopIcon);
    EXPECT_FALSE(seen[0].noIcon);

    EXPECT_EQ("line one\rline two", seen[1].text);
    EXPECT_TRUE(seen[1].noIcon);
    EXPECT_FALSE(seen[1].errorIcon);

    EXPECT_EQ("Other", seen[2].caption);
    EXPECT_FALSE(seen[2].noIcon);
    EXPECT_FALSE(seen[2].errorIcon);

    boxes.Clear();
    EXPECT_TRUE(boxes.Boxes().empty());
}

// A box shown later from a message of this thread appears while waiting.
TEST(MessageBoxWatcher, WaitingRunsThisThreadsMessages) {
    MessageBoxWatcher boxes;
    const UINT_PTR timer = SetTimer(nullptr, 0, 50, ShowBoxLater);
    ASSERT_NE(0u, timer);
    ASSERT_TRUE(boxes.WaitForBoxes(1, 3000));
    EXPECT_EQ("from a timer", boxes.Boxes()[0].text);
    EXPECT_TRUE(boxes.Boxes()[0].stopIcon);
    EXPECT_FALSE(boxes.WaitForBoxes(2, 100));
}

TEST(SupportFiles, WriteReadAndExistKeepBytesExactly) {
    const std::string path = vtbtest::ExeDir() + "support_files_test.txt";
    const std::string bytes("a\r\nb\rc\n\0d", 9);
    vtbtest::WriteTextFile(path, bytes);
    EXPECT_TRUE(vtbtest::FileExists(path));
    EXPECT_EQ(bytes, vtbtest::ReadTextFile(path));
    DeleteFileA(path.c_str());
    EXPECT_FALSE(vtbtest::FileExists(path));
    EXPECT_EQ("", vtbtest::ReadTextFile(path));
    EXPECT_FALSE(vtbtest::FileExists(vtbtest::ExeDir()));  // a directory is no file
    EXPECT_EQ('\\', vtbtest::ExeDir().back());
}

}  // namespace
