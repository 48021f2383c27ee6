// TestMain.cpp - the main of every test executable.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

int main(int argc, char** argv) {
    ::testing::InitGoogleMock(&argc, argv);
    // Every test process runs the library's service threads, so death tests must re-execute
    // the binary rather than fork a copy of a threaded process.
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    return RUN_ALL_TESTS();
}
