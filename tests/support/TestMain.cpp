// TestMain.cpp - the main of every test executable.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#if defined(_WIN32)
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <io.h>
#endif

int main(int argc, char** argv) {
#if defined(_WIN32)
    // The tests compare files and standard output byte for byte, as on Linux; in its default
    // text mode the C runtime would write every line end as CR LF.
    _fmode = _O_BINARY;
    _setmode(_fileno(stdout), _O_BINARY);
    _setmode(_fileno(stderr), _O_BINARY);
#endif
    ::testing::InitGoogleMock(&argc, argv);
    // Every test process runs the library's service threads, so death tests must re-execute
    // the binary rather than fork a copy of a threaded process.
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    return RUN_ALL_TESTS();
}
