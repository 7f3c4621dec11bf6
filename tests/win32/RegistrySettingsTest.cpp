#include <gtest/gtest.h>
#include <windows.h>

#include "support/win32/LRegistrySettings.h"

using namespace sondrel;

namespace {
const char* kRoot = "Software\\Ketterly\\SondrelTest";
void DeleteTree() { RegDeleteTreeA(HKEY_LOCAL_MACHINE, kRoot); }
}  // namespace

TEST(RegistrySettings, RoundTripAndEdgeCasesInTheRealRegistry) {
    DeleteTree();
    LRegistrySettings reg(kRoot);
    SetSettingsStore(&reg);
    EXPECT_EQ(ReadInt("Settings", "PlaySpeed", 1), 1);  // no key yet
    WriteInt("Settings", "PlaySpeed", 2);
    EXPECT_EQ(ReadInt("Settings", "PlaySpeed", 1), 2);
    WriteString("Settings", "Abc", "abc");
    EXPECT_EQ(ReadInt("Settings", "Abc", 5), 0);
    WriteString("Settings", "Empty", "");
    EXPECT_EQ(ReadInt("Settings", "Empty", 5), 5);
    WriteString("Settings", "No", "no");
    EXPECT_TRUE(ReadBool("Settings", "No", false));
    WriteBool("Settings", "Off", false);
    EXPECT_FALSE(ReadBool("Settings", "Off", true));
    std::string fits(259, 'x'), tooLong(260, 'y');
    WriteString("Recent", "RecentFile 1", fits.c_str());
    WriteString("Recent", "RecentFile 2", tooLong.c_str());
    EXPECT_EQ(ReadString("Recent", "RecentFile 1", "d"), fits);
    EXPECT_EQ(ReadString("Recent", "RecentFile 2", "d"), "d");

    // Stored as REG_SZ under one key per section.
    HKEY h;
    ASSERT_EQ(RegOpenKeyExA(HKEY_LOCAL_MACHINE, "Software\\Ketterly\\SondrelTest\\Settings", 0, KEY_READ, &h),
              ERROR_SUCCESS);
    DWORD type = 0;
    char buf[16];
    DWORD size = sizeof buf;
    EXPECT_EQ(RegQueryValueExA(h, "PlaySpeed", nullptr, &type, reinterpret_cast<BYTE*>(buf), &size), ERROR_SUCCESS);
    EXPECT_EQ(type, DWORD(REG_SZ));
    EXPECT_STREQ(buf, "2");
    RegCloseKey(h);
    SetSettingsStore(nullptr);
    DeleteTree();
}
