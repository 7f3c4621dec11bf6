#include <gtest/gtest.h>
#include <windows.h>

#include <string>
#include <vector>

#include "support/LResourceIds.h"
#include "ui/win32/LKeyDialogBox.h"
#include "win32/ControlHost.h"

using namespace sondrel;
using namespace sondrel::wintest;

namespace {

class KeyDialog : public LKeyDialogBox {
public:
    KeyDialog() : LKeyDialogBox(GetModuleHandleA(nullptr), "SondrelKeyDialogTest") {}
    bool KeyDown(UINT vk, const LKeyState& k) override {
        downs.push_back(vk);
        alt.push_back(k.bAlt);
        return vk == VK_F9 || vk == VK_RIGHT;
    }
    bool KeyUp(UINT vk, const LKeyState&) override {
        ups.push_back(vk);
        return vk == VK_RIGHT;
    }
    bool CanCloseCancel() override { return allowCancel; }
    std::vector<UINT> downs, ups;
    std::vector<bool> alt;
    bool allowCancel = false;
};

LPARAM KeyParam(bool repeat, bool alt = false) { return 1 | (repeat ? (1 << 30) : 0) | (alt ? (1 << 29) : 0); }

}  // namespace

static KeyDialog* g_dialog = nullptr;
static bool g_closedEarly = false;
static char g_text[16];

// Runs inside the dialog's loop: notes what is on screen, then allows Cancel.
static void CALLBACK AllowClose(HWND, UINT, UINT_PTR id, DWORD) {
    KillTimer(nullptr, id);
    g_closedEarly = !IsWindow(g_dialog->Window());
    if (g_closedEarly) return;
    GetWindowTextA(GetDlgItem(g_dialog->Window(), IDC_TRANSPORT_FILE_NAME), g_text, sizeof g_text);
    g_dialog->allowCancel = true;
    PostMessageA(g_dialog->Window(), WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), 0);
}

// Keys reach the handlers from any control; a held key (auto-repeat) is
// one press; other messages reach the control; Cancel closes only when the
// dialog agrees, and the loop ends with the window.
TEST(KeyDialogBox, KeysGoToTheHandlersOncePerPress) {
    KeyDialog dlg;
    g_dialog = &dlg;
    ASSERT_TRUE(dlg.Open(nullptr));
    EXPECT_FALSE(dlg.Open(nullptr));  // open already
    HWND edit = GetDlgItem(dlg.Window(), IDC_TRANSPORT_FILE_NAME);
    SetFocus(edit);
    PostMessageA(edit, WM_KEYDOWN, VK_RIGHT, KeyParam(false));
    PostMessageA(edit, WM_KEYDOWN, VK_RIGHT, KeyParam(true));
    PostMessageA(edit, WM_KEYDOWN, VK_RIGHT, KeyParam(true));
    PostMessageA(edit, WM_KEYUP, VK_RIGHT, KeyParam(true) | LPARAM(1u << 31));
    PostMessageA(edit, WM_SYSKEYDOWN, VK_F9, KeyParam(false, true));
    PostMessageA(edit, WM_KEYDOWN, 'A', KeyParam(false));
    PostMessageA(edit, WM_CHAR, 'x', KeyParam(false));
    PostMessageA(dlg.Window(), WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), 0);  // refused
    SetTimer(nullptr, 0, 150, AllowClose);
    dlg.RunLoop();
    EXPECT_FALSE(g_closedEarly);
    EXPECT_EQ(dlg.Window(), nullptr);
    EXPECT_EQ(dlg.downs, (std::vector<UINT>{VK_RIGHT, VK_F9, 'A'}));
    EXPECT_EQ(dlg.alt, (std::vector<bool>{false, true, false}));
    EXPECT_EQ(dlg.ups, (std::vector<UINT>{VK_RIGHT}));
    EXPECT_NE(std::string(g_text).find('x'), std::string::npos) << g_text;
    dlg.Close();  // closed already: nothing happens
}
