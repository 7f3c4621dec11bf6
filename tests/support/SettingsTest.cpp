#include <gtest/gtest.h>

#include "support/LSettings.h"

using namespace sondrel;

namespace {
struct ScopedStore {
    LMemorySettings store;
    ScopedStore() { SetSettingsStore(&store); }
    ~ScopedStore() { SetSettingsStore(nullptr); }
};
}  // namespace

TEST(Settings, ReadRulesOverAStore) {
    ScopedStore s;
    EXPECT_EQ(ReadInt("Settings", "PlaySpeed", 1), 1);  // missing section
    EXPECT_FALSE(s.store.HasSection("Settings"));
    WriteInt("Settings", "PlaySpeed", 2);
    EXPECT_TRUE(s.store.HasSection("Settings"));

    struct Case { const char* stored; int32_t asInt; bool asBool; };
    for (Case c : {Case{"abc", 0, true}, Case{"", 77, false}, Case{"no", 0, true}, Case{"0", 0, false},
                   Case{"1", 1, true}, Case{"-12x", -12, true}, Case{"+5", 5, true}, Case{"-", 0, true}}) {
        WriteString("StoredValues", "K", c.stored);
        EXPECT_EQ(ReadInt("StoredValues", "K", 77), c.asInt) << c.stored;
        EXPECT_EQ(ReadBool("StoredValues", "K", false), c.asBool) << c.stored;
    }
    WriteBool("Settings", "WindowMaximized", false);
    EXPECT_EQ(ReadString("Settings", "WindowMaximized", "x"), "0");
    WriteInt("Settings", "PlayVolume", -127);
    EXPECT_EQ(ReadInt("Settings", "PlayVolume", 0), -127);
}

TEST(Settings, TextLongerThanTheBufferReadsAsDefault) {
    ScopedStore s;
    std::string fits(259, 'a'), tooLong(260, 'b');
    WriteString("Recent", "RecentFile 1", fits.c_str());
    EXPECT_EQ(ReadString("Recent", "RecentFile 1", "def"), fits);
    WriteString("Recent", "RecentFile 2", tooLong.c_str());
    EXPECT_EQ(ReadString("Recent", "RecentFile 2", "def"), "def");
    char text[kSettingsTextMax];
    ReadString("Recent", "RecentFile 1", "", text);
    EXPECT_EQ(std::string(text), fits);
    // The limit counts characters: a path in Cyrillic letters (two bytes
    // each) or CJK (three) is as long as a Latin one before it is refused.
    std::string cyrillic, cjk;
    for (int i = 0; i < 259; ++i) cyrillic += "\xD0\x96";  // Ж
    for (int i = 0; i < 260; ++i) cjk += "\xE6\x9D\xB1";  // 東
    WriteString("Recent", "RecentFile 3", cyrillic.c_str());
    EXPECT_EQ(ReadString("Recent", "RecentFile 3", "def"), cyrillic);
    WriteString("Recent", "RecentFile 4", cjk.c_str());
    EXPECT_EQ(ReadString("Recent", "RecentFile 4", "def"), "def");
    EXPECT_EQ(TextCharacters(cjk), 260u);
}
