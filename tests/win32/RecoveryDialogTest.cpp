// The "Recover Documents" prompt, worked from a second thread as a user
// would: what it lists, and what each button, the confirmation and Escape
// answer.
#include <gtest/gtest.h>
#include <windows.h>

#include <commctrl.h>

#include <functional>
#include <string>
#include <thread>

#include "support/LResourceIds.h"
#include "ui/win32/LRecoveryDialog.h"
#include "win32/WinTestUtil.h"

using namespace sondrel;

namespace {

LRecoveryPrompt Prompt(bool usable) {
    LRecoveryPrompt p;
    p.szIntro = usable ? "These can be recovered:" : "Nothing can be recovered:";
    p.bCanRecover = usable;
    if (usable) p.vRows.push_back({"song.wav", "0:00:01.50", "today", "Can be recovered", true});
    p.vRows.push_back({"3.jnl", "", "", "Cannot be recovered: its saved state is damaged", false});
    return p;
}

std::string ListText(HWND list, int item, int sub) {
    char buf[256] = {};
    LVITEMA it = {};
    it.iSubItem = sub;
    it.pszText = buf;
    it.cchTextMax = sizeof buf;
    SendMessageA(list, LVM_GETITEMTEXTA, WPARAM(item), reinterpret_cast<LPARAM>(&it));
    return buf;
}

std::string ItemText(HWND dlg, int id) {
    char buf[512] = {};
    GetDlgItemTextA(dlg, id, buf, sizeof buf);
    return buf;
}

// Runs the prompt while user works it from another thread.
LRecoveryChoice RunPrompt(const LRecoveryPrompt& p, const std::function<void(HWND)>& user) {
    std::thread t([&] {
        HWND dlg = wintest::WaitForWindow(kRecoverCaption, 20000);
        if (!dlg) {
            ADD_FAILURE() << "the prompt did not show";
            return;
        }
        user(dlg);
    });
    LRecoveryChoice c = RunRecoveryDialog(nullptr, p);
    t.join();
    return c;
}

void Press(HWND dlg, int id) { PostMessageA(dlg, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), 0); }

}  // namespace

TEST(RecoveryDialog, ListsTheDocumentsAndRecovers) {
    LRecoveryChoice c = RunPrompt(Prompt(true), [](HWND dlg) {
        EXPECT_EQ(ItemText(dlg, IDC_RECOVER_TEXT), "These can be recovered:");
        HWND list = GetDlgItem(dlg, IDC_RECOVER_LIST);
        EXPECT_EQ(SendMessageA(list, LVM_GETITEMCOUNT, 0, 0), 2);
        EXPECT_EQ(ListText(list, 0, 0), "song.wav");
        EXPECT_EQ(ListText(list, 0, 1), "0:00:01.50");
        EXPECT_EQ(ListText(list, 0, 2), "today");
        EXPECT_EQ(ListText(list, 0, 3), "Can be recovered");
        EXPECT_EQ(ListText(list, 1, 3), "Cannot be recovered: its saved state is damaged");
        EXPECT_TRUE(IsWindowVisible(GetDlgItem(dlg, IDOK)));
        Press(dlg, IDOK);
    });
    EXPECT_EQ(c, LRecoveryChoice::kRecover);
}

TEST(RecoveryDialog, DiscardIsConfirmedFirst) {
    LRecoveryChoice c = RunPrompt(Prompt(true), [](HWND dlg) {
        Press(dlg, IDC_RECOVER_DISCARD);
        HWND box = wintest::WaitForWindow("Sondrel", 20000);
        ASSERT_TRUE(box);
        PostMessageA(box, WM_COMMAND, IDNO, 0);  // No: back to the prompt
        Sleep(200);
        ASSERT_TRUE(IsWindow(dlg));
        EXPECT_EQ(wintest::WaitForWindow(kRecoverCaption, 1000), dlg);
        Press(dlg, IDC_RECOVER_DISCARD);
        box = wintest::WaitForWindow("Sondrel", 20000);
        ASSERT_TRUE(box);
        PostMessageA(box, WM_COMMAND, IDYES, 0);
    });
    EXPECT_EQ(c, LRecoveryChoice::kDiscard);
}

TEST(RecoveryDialog, ClosingThePromptKeepsTheWork) {
    LRecoveryChoice c = RunPrompt(Prompt(true), [](HWND dlg) { PostMessageA(dlg, WM_CLOSE, 0, 0); });
    EXPECT_EQ(c, LRecoveryChoice::kRecover);
}

TEST(RecoveryDialog, WithNothingToRecoverItOnlyReports) {
    LRecoveryChoice c = RunPrompt(Prompt(false), [](HWND dlg) {
        EXPECT_FALSE(IsWindowVisible(GetDlgItem(dlg, IDOK)));
        EXPECT_EQ(ItemText(dlg, IDC_RECOVER_DISCARD), "OK");
        Press(dlg, IDOK);  // a hidden Recover does nothing
        Sleep(200);
        EXPECT_TRUE(IsWindow(dlg));
        Press(dlg, IDC_RECOVER_DISCARD);
    });
    EXPECT_EQ(c, LRecoveryChoice::kDiscard);
}

TEST(RecoveryDialog, LocalTimesAreShownInTheSystemsFormat) {
    // Whatever the zone, a day apart is a different date and the same time.
    std::string a = FormatLocalTimeWin32(1765400000), b = FormatLocalTimeWin32(1765400000 + 86400);
    ASSERT_FALSE(a.empty());
    EXPECT_NE(a, b);
    EXPECT_EQ(a.substr(a.find(' ')), b.substr(b.find(' ')));
}
