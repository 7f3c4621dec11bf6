// The file associations the settings page and the installer write, on the
// registry in memory.
#include <gtest/gtest.h>

#include <string>

#include "support/LRegistry.h"

using namespace sondrel;

namespace {

TEST(FileAssociation, GoesToTheUsersClassesWhereTheMachinesAreRefused) {
    LMemoryRegistry reg;
    const std::string program = "C:\\Program Files\\Ketterly\\Sondrel\\sondrel.exe";
    reg.WriteString(LRegRoot::kClassesRoot, ".wav", nullptr, "wavfile");
    reg.Refuse(LRegRoot::kClassesRoot);
    EXPECT_TRUE(SetKey(reg, ".wav", program));
    std::string v;
    ASSERT_TRUE(reg.ReadString(LRegRoot::kCurrentUser, "Software\\Classes\\wavfile\\Shell\\Open\\Command", nullptr, v));
    EXPECT_EQ(v, "\"" + program + "\" \"%L\"");
    ASSERT_TRUE(reg.ReadString(LRegRoot::kCurrentUser, "Software\\Classes\\wavfile\\Shell", nullptr, v));
    EXPECT_EQ(v, "Open");
    EXPECT_FALSE(SetKey(reg, ".mp3", program));
    EXPECT_FALSE(reg.KeyExists(LRegRoot::kCurrentUser, "Software\\Classes\\mp3file"));
}

}  // namespace
