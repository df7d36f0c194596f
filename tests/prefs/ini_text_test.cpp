#include "ini_text.h"

#include <gtest/gtest.h>

#include <climits>

namespace prefs {
namespace {

constexpr const char* kKey = "Update Enabled/Disabled :";

TEST(IniTextRead, FindsKeysTheWayTheProfileCallsDo)
{
    const IniText ini(
        "; written by hand\n"
        "Stray=before any section\n"
        "  [settings]  \r\n"
        "\tupdate enabled/DISABLED :   =   0   \r\n"
        "Quoted = \"  padded  \"\n"
        "Single='x'\n"
        "Lonely quote=\"\n"
        "NoEquals\n"
        "Empty=\n"
        "[Settings]\n"
        "Later=only in the second section of that name\n");
    EXPECT_EQ(ini.Value("Settings", kKey), "0");
    EXPECT_EQ(ini.Value(" Settings ", std::string(" ") + kKey + " "), "0");
    EXPECT_EQ(ini.Value("Settings", "Quoted"), "  padded  ");
    EXPECT_EQ(ini.Value("Settings", "Single"), "x");
    EXPECT_EQ(ini.Value("Settings", "Lonely quote"), "\"");
    EXPECT_EQ(ini.Value("Settings", "Empty"), "");
    EXPECT_EQ(ini.Value("Settings", "NoEquals"), std::nullopt);
    EXPECT_EQ(ini.Value("Settings", "Later"), std::nullopt);
    EXPECT_EQ(ini.Value("Settings", "Stray"), std::nullopt);
    EXPECT_EQ(ini.Value("Other", kKey), std::nullopt);
}

TEST(IniTextRead, KeyAndSectionMustMatchApartFromCaseAndOuterBlanks)
{
    const IniText ini(
        "[ Settings ]\n" + std::string(kKey) + "=0\n"
        "[Settings]\nUpdate Enabled/Disabled:=0\nUpdate Enabled/Disabled : x=0\n");
    EXPECT_EQ(ini.Value("Settings", kKey), std::nullopt);
}

TEST(IniTextRead, BracketWithoutCloseIsAnOrdinaryLine)
{
    const IniText ini("[Settings]\n[broken=1\nafter=2\n");
    EXPECT_EQ(ini.Value("Settings", "[broken"), "1");
    EXPECT_EQ(ini.Value("Settings", "after"), "2");
}

TEST(IniTextWrite, ChangesOneLineAndKeepsEverythingElse)
{
    const std::string before =
        "\xEF\xBB\xBF; comment\r\n"
        "[Other]\r\n"
        "a = b\r\n"
        "\r\n"
        "[SETTINGS]\r\n"
        "Colour=red\r\n"
        "  update enabled/disabled :  = 1 \r\n"
        "[Last]\r\n"
        "z=1";
    IniText ini(before);
    ASSERT_TRUE(ini.SetValue("Settings", kKey, "0"));
    std::string expected = before;
    expected.replace(expected.find("  update"), std::string("  update enabled/disabled :  = 1 ").size(),
                     "update enabled/disabled :=0");
    EXPECT_EQ(ini.Text(), expected);
}

TEST(IniTextWrite, NewKeyFollowsTheSectionsLastEntry)
{
    IniText ini("[Settings]\nColour=red\n\n\n[Other]\na=b\n");
    ASSERT_TRUE(ini.SetValue("settings", kKey, "1"));
    EXPECT_EQ(ini.Text(), "[Settings]\nColour=red\n" + std::string(kKey) + "=1\n\n\n[Other]\na=b\n");
}

TEST(IniTextWrite, NewSectionIsAppendedWithTheFilesLineEndings)
{
    IniText empty("");
    ASSERT_TRUE(empty.SetValue("Settings", kKey, "1"));
    EXPECT_EQ(empty.Text(), "[Settings]\n" + std::string(kKey) + "=1\n");

    IniText windows("[Other]\r\na=b");
    ASSERT_TRUE(windows.SetValue("Settings", kKey, "0"));
    EXPECT_EQ(windows.Text(), "[Other]\r\na=b\r\n[Settings]\r\n" + std::string(kKey) + "=0\r\n");

    IniText headerAtEnd("[Settings]");
    ASSERT_TRUE(headerAtEnd.SetValue("Settings", "k", "v"));
    EXPECT_EQ(headerAtEnd.Text(), "[Settings]\nk=v\n");
}

TEST(IniTextWrite, RefusesWhatCannotBeStoredOnOneLine)
{
    const std::string before = "[Settings]\nk=v\n";
    IniText ini(before);
    EXPECT_FALSE(ini.SetValue("Settings", "k", "two\nlines"));
    EXPECT_FALSE(ini.SetValue("Settings", "a=b", "v"));
    EXPECT_FALSE(ini.SetValue("Settings", "[k", "v"));
    EXPECT_FALSE(ini.SetValue("Settings", "  ", "v"));
    EXPECT_FALSE(ini.SetValue("", "k", "v"));
    EXPECT_FALSE(ini.SetValue("Set\rtings", "k", "v"));
    EXPECT_EQ(ini.Text(), before);
}

TEST(ParseProfileInt, ReadsLeadingDecimalNumbers)
{
    EXPECT_EQ(ParseProfileInt("0"), 0);
    EXPECT_EQ(ParseProfileInt("  17"), 17);
    EXPECT_EQ(ParseProfileInt("+7"), 7);
    EXPECT_EQ(ParseProfileInt("-5"), -5);
    EXPECT_EQ(ParseProfileInt("0 ; off"), 0);
    EXPECT_EQ(ParseProfileInt("12abc"), 12);
    EXPECT_EQ(ParseProfileInt("2147483647"), INT_MAX);
    EXPECT_EQ(ParseProfileInt("-2147483648"), INT_MIN);
    EXPECT_EQ(ParseProfileInt("2147483648"), std::nullopt);
    EXPECT_EQ(ParseProfileInt("99999999999999999999999"), std::nullopt);
    EXPECT_EQ(ParseProfileInt(""), std::nullopt);
    EXPECT_EQ(ParseProfileInt("-"), std::nullopt);
    EXPECT_EQ(ParseProfileInt("yes"), std::nullopt);
    EXPECT_EQ(ParseProfileInt("0x10"), 0);
}

}  // namespace
}  // namespace prefs
