// Tests of the core's system-command rule: 16 bits, low four bits cleared, 16 is About.
#include "core/SysCommand.h"

#include <gtest/gtest.h>

namespace {

TEST(CoreSysCommand, OnlyTheAboutEntrysIdsOpenTheAboutBox) {
    struct test_case {
        unsigned long long nID;
        bool bAbout;
    };
    const test_case cases[] = {
        {0x0000, false},    {0x000F, false},                     // below the entry
        {0x0010, true},     {0x0011, true},     {0x001F, true},  // the entry and its low bits
        {0x0020, false},    {0x0030, false},                     // the next ids
        {0x10010, true},    {0xFFFF0010, true},  // bits beyond the sixteenth are not the id's
        {0x10020, false},   {0xF020, false},    {0xF060, false},  // minimise, close
        {0xFFFFull, false}, {0x8010, false},
    };
    for (const test_case& c : cases) {
        EXPECT_EQ(Tamberon::IsAboutCommand(c.nID), c.bAbout) << std::hex << c.nID;
    }
    static_assert(Tamberon::IsAboutCommand(16) && !Tamberon::IsAboutCommand(32));
}

}  // namespace
