// Escaping of report values and the Styles folder rule.
#include <gtest/gtest.h>

#include <string>
#include <utility>

#include "report/StylesFolder.h"
#include "text/XmlText.h"

namespace {

std::string Escaped(const std::string& value) {
    CString out("prefix:");
    AppendEscapedText(out, value.c_str());
    return out.str().substr(7);
}

TEST(AppendEscapedText, EscapesMarkupDropsControlBytesKeepsHighBytes) {
    std::string high;
    for (int c = 0x80; c <= 0xFF; ++c) high += static_cast<char>(c);
    const std::pair<std::string, std::string> cases[] = {
        {"say \"hi\" it's <R&D>", "say &quot;hi&quot; it&apos;s &lt;R&amp;D&gt;"},
        // An entity already in the value is escaped again, so the page shows its text.
        {"&amp;", "&amp;amp;"},
        {"<<&&>>", "&lt;&lt;&amp;&amp;&gt;&gt;"},
        {"\t\r\n", ""},
        {"a\tb\x01"
         "c\x1f",
         "abc"},
        {"\x20\x7f", "\x20\x7f"},
        {high, high},
    };
    for (const auto& [value, escaped] : cases) EXPECT_EQ(Escaped(value), escaped) << value;
}

TEST(AppendEscapedText, StopsAtTheFirstZeroByte) {
    const char value[] = "abc\0<def>";
    CString out;
    AppendEscapedText(out, value);
    AppendEscapedText(out, "");
    AppendEscapedText(out, nullptr);
    EXPECT_EQ(out.str(), "abc");
}

TEST(ToValidUtf8, ReplacesWhatXmlCannotReadAndKeepsTheRest) {
    const std::string fffd = "\xEF\xBF\xBD";
    EXPECT_EQ(ToValidUtf8("Caf\xc3\xa9 \xf0\x9f\x98\x80 \xef\xbf\xbd"),
              "Caf\xc3\xa9 \xf0\x9f\x98\x80 \xef\xbf\xbd");
    EXPECT_EQ(ToValidUtf8("a\xff"
                          "b\xc3"),
              "a" + fffd + "b" + fffd);
    EXPECT_EQ(ToValidUtf8("\xed\xa0\x80"), fffd + fffd + fffd);  // a surrogate
    // Found by fuzzing: U+FFFE and U+FFFF are valid UTF-8 but not XML.
    EXPECT_EQ(ToValidUtf8("x\xef\xbf\xbey\xef\xbf\xbfz"), "x" + fffd + "y" + fffd + "z");
    EXPECT_EQ(ToValidUtf8("\xef\xbf\xbc"), "\xef\xbf\xbc");  // U+FFFC is a character

    // The edges of every range of lead and second bytes: kept inside, and
    // each maximal start of a character outside them becomes one U+FFFD.
    for (const char* kept : {"\xC2\x80", "\xDF\xBF", "\xE0\xA0\x80", "\xED\x9F\xBF", "\xE1\xBF\x80",
                             "\xF0\x90\x80\x80", "\xF4\x8F\xBF\xBF"})
        EXPECT_EQ(ToValidUtf8(std::string("a") + kept), std::string("a") + kept) << kept;
    const std::pair<const char*, int> replaced[] = {
        {"\xC1\xBF", 2}, {"\xC2\xC0", 2},         {"\xE0\x9F\x80", 3}, {"\xE1\x80", 1},
        {"\xF5\x80", 2}, {"\xF0\x8F\xBF\xBF", 4}, {"\xF4\x90\x80\x80", 4}};
    for (const auto& [bytes, count] : replaced) {
        std::string expected = "a";
        for (int i = 0; i < count; ++i) expected += fffd;
        EXPECT_EQ(ToValidUtf8(std::string("a") + bytes), expected) << count;
    }
}

struct FolderCase {
    const char* modulePath;
    const char* expected;  // null: the lookup fails
};

class StylesFolderTest : public ::testing::TestWithParam<FolderCase> {};

TEST_P(StylesFolderTest, FollowsTheInstallationShape) {
    const FolderCase& c = GetParam();
    CString folder("untouched");
    bool found = StylesFolderFromModulePath(folder, c.modulePath);
    if (c.expected) {
        EXPECT_TRUE(found);
        EXPECT_EQ(folder.str(), c.expected);
    } else {
        EXPECT_FALSE(found);
        EXPECT_EQ(folder.str(), "untouched");
    }
}

INSTANTIATE_TEST_SUITE_P(
    Paths, StylesFolderTest,
    ::testing::Values(
        FolderCase{"C:\\Suite\\Components\\HardwareListH.dll", "C:\\Suite\\Styles\\"},
        FolderCase{"C:\\HardwareListH.dll", nullptr}, FolderCase{"HardwareListH.dll", nullptr},
        FolderCase{"\\\\server\\share\\Suite\\Bin\\HardwareListH.dll",
                   "\\\\server\\share\\Suite\\Styles\\"},
        FolderCase{"/opt/suite/Components/HardwareListH.so", "/opt/suite/Styles/"},
        FolderCase{"/HardwareListH.so", nullptr}, FolderCase{"/opt/HardwareListH.so", "/Styles/"},
        FolderCase{"/opt/it's \"here\"/Components/x.so", "/opt/it's \"here\"/Styles/"}));

}  // namespace
