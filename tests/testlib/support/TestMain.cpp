#include <gtest/gtest.h>

#include <cstdio>

#include "support/TestUtil.h"

int main(int argc, char** argv) {
    testing::InitGoogleTest(&argc, argv);
    std::printf("random seed for this run: %u (set SONDREL_SEED to replay)\n", sondrel::test::Seed());
    return RUN_ALL_TESTS();
}
