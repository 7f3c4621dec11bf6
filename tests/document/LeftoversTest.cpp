// What a run that died leaves in a tank folder is removed at the next start:
// segment files not asked to be kept and Sondrel's temporary files, nothing
// of anyone else's.
#include <gtest/gtest.h>

#include <algorithm>

#include "document/LAudioCutTank.h"
#include "support/LFile.h"
#include "support/TestUtil.h"

using namespace sondrel;

TEST(Leftovers, GoExceptTheSegmentsKeptAndOtherProgramsFiles) {
    std::string dir = test::ScratchDir("leftovers");
    for (const char* n : {"0.aud", "7.aud", "12.aud", "65534.aud", "65535.aud", "007.aud", "x.aud", "notes.txt", "7.pks",
                          "12.pks",
                          "~sndsave-3ffffff1-00ff00ff00ff.tmp", "~sndlca-1-0a0b.tmp", "report.tmp"})
        ASSERT_TRUE(LFile::WriteAll(JoinPath(dir, n).c_str(), "x", 1)) << n;
    EXPECT_EQ(RemoveLeftovers(dir, {7}), 6);
    std::vector<std::string> left = LFile::List(dir.c_str(), "");
    std::sort(left.begin(), left.end());
    EXPECT_EQ(left,
              (std::vector<std::string>{"007.aud", "65535.aud", "7.aud", "7.pks", "notes.txt", "report.tmp", "x.aud"}));
    // No folder named: nothing is touched (never the working folder by accident).
    EXPECT_EQ(RemoveLeftovers("", {}), 0);
}
