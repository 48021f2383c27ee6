// TxtParamTest.cpp - CTxtParam: line rules, lookups, limits and over-long input.
#include "yrapi/text/TxtParam.h"

#include <gtest/gtest.h>

#include <initializer_list>
#include <string>

namespace YRAPI {
namespace {

std::string Value(CTxtParam& params, const std::string& name) {
    char buf[300] = "<untouched>";
    if (!params.GetString(name.c_str(), buf, sizeof buf)) return "<missing>";
    return buf;
}

// "name=value|" for each name, to compare many records in one line.
std::string Dump(CTxtParam& params, std::initializer_list<const char*> names) {
    std::string text;
    for (const char* name : names) text += name + ("=" + Value(params, name)) + "|";
    return text;
}

TEST(CTxtParam, NothingIsFoundBeforeParseAfterTextWithoutRecordsOrAfterClear) {
    CTxtParam params;
    char buf[8] = "keep";
    EXPECT_FALSE(params.GetString("a", buf, sizeof buf));
    EXPECT_STREQ(buf, "keep");
    params.Parse("a=1");
    params.Parse("no equals here\nnor here");
    EXPECT_TRUE(params.IsLoaded());
    EXPECT_EQ(Value(params, "a"), "<missing>") << "each Parse replaces all earlier records";
    EXPECT_EQ(params.GetCount(), 0);
    params.Parse("a=1\nb=2");
    params.Clear();
    EXPECT_EQ(params.GetCount(), 0);
    EXPECT_TRUE(params.IsLoaded()) << "Clear leaves the object loaded";
    EXPECT_EQ(Value(params, "a"), "<missing>");
}

TEST(CTxtParam, LineRules) {
    CTxtParam params;
    params.Parse(
        "a = b c  \n\ttabbed=1\n  lead =x\t\npath=a//b\nx=1=2\n// k=v\n=5\nhash=#1\n"
        "Key=1\nKey=2\ncrlf=2\r\ncr=1\r\r\nlast=9");
    // Spaces alone are trimmed; "//" starts a comment also inside a value, "#" is plain text;
    // the first "=" splits; an empty name is a name; the first of repeated names wins and
    // case counts; at most one CR before the LF is removed; the last line needs no LF.
    EXPECT_EQ(Dump(params, {"a", "tabbed", "\ttabbed", "lead", "path", "x", "k", "", "hash"}),
              "a=b c|tabbed=<missing>|\ttabbed=1|lead=x\t|path=a|x=1=2|k=<missing>|=5|hash=#1|");
    EXPECT_EQ(Dump(params, {"Key", "key", "crlf", "cr", "last"}),
              "Key=1|key=<missing>|crlf=2|cr=1\r|last=9|");
    EXPECT_EQ(params.GetCount(), 12) << "a repeated name is a record of its own";
    params.Parse("a=1\rb=2");
    EXPECT_EQ(Value(params, "a"), "1\rb=2") << "only LF ends a line";
}

TEST(CTxtParam, FieldsAndOverlongLinesAreCutAndTheirRestSkipped) {
    CTxtParam params;
    std::string name(200, 'n');
    // The tail of the long line, past 2047 characters, looks like a record: it must not be one.
    params.Parse((name + "=1\nvalue=" + std::string(300, 'v') + "\nlong=" + std::string(3000, 'v') +
                  "tail=1\nnext=2\n" + std::string(1 << 20, 'x') + "=3\nafter=4")
                     .c_str());
    EXPECT_EQ(Value(params, name), "<missing>");
    EXPECT_EQ(Value(params, name.substr(0, 127)), "1");
    EXPECT_EQ(Value(params, "value"), std::string(255, 'v'));
    EXPECT_EQ(Value(params, "long"), std::string(255, 'v'));
    EXPECT_EQ(Value(params, "next") + Value(params, "after"), "24");
    EXPECT_EQ(params.GetCount(), 5) << "a 1 MB line whose = lies past the cut gives nothing";
}

TEST(CTxtParam, GetStringCopiesWithTheCallersSize) {
    CTxtParam params;
    params.Parse("v=0123456789abc");
    char buf[16] = "xxxxxxxxxxxxxxx";
    EXPECT_TRUE(params.GetString("v", buf, 10));
    EXPECT_STREQ(buf, "012345678");
    EXPECT_EQ(buf[10], 'x');
    char keep[8] = "keep";
    EXPECT_TRUE(params.GetString("v", keep, 0));
    EXPECT_TRUE(params.GetString("v", keep, -5)) << "a negative size is no room, not a huge one";
    EXPECT_STREQ(keep, "keep");
    EXPECT_TRUE(params.GetString("v", nullptr, 10));
    EXPECT_FALSE(params.GetString(nullptr, buf, 10));
}

TEST(CTxtParam, GetIntReadsAsAtoiDoesButClampsAndLooksAtNoMoreThan254Characters) {
    CTxtParam params;
    // 254 zeros, then a digit: the digit lies past what GetInt reads.
    params.Parse(
        ("a= 42x\nb=-7\nc=abc\nbig=99999999999\nneg=-99999999999\nz=" + std::string(254, '0') + "7")
            .c_str());
    std::string text;
    for (const char* name : {"a", "b", "c", "big", "neg", "z", "missing"}) {
        int n = 5;
        text += params.GetInt(name, &n) ? "" : "false:";
        text += std::to_string(n) + "|";
    }
    EXPECT_EQ(text, "42|-7|0|2147483647|-2147483648|0|false:5|") << "a miss leaves *value";
}

}  // namespace
}  // namespace YRAPI
