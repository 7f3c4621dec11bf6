// The test programs' own guard (testlib/support/TestMain.cpp): a test that
// waits on a message box nobody answers is stopped and says what the box
// said. Disabled here; CTest runs it on its own with a three-second limit
// (tests/CMakeLists.txt) and looks for the box's text in what it printed.
#include <gtest/gtest.h>
#include <windows.h>

TEST(TestWatch, DISABLED_AnUnansweredMessageBoxIsReportedAndTheTestStopped) {
    MessageBoxA(nullptr, "Nobody answers this box.", "Unanswered", MB_OK);
    ADD_FAILURE() << "the box was answered";
}
