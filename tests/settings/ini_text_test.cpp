#include "settings/ini_text.h"

#include <gtest/gtest.h>

#include <limits>

namespace vistrel {
namespace {

TEST(IniText, MatchesSectionsAndKeysWithoutRegardToCaseAndTrimsValues)
{
    const IniText text("[Start With]\n  startdir =  /home/me/ \t\n");
    EXPECT_EQ(text.Find("start with", "StartDir"), "/home/me/");
    EXPECT_EQ(text.Find("START WITH", "STARTDIR"), "/home/me/");
}

TEST(IniText, TellsAnEmptyValueFromAnAbsentKey)
{
    const IniText text("[S]\nempty=\n");
    EXPECT_EQ(text.Find("S", "empty"), "");
    EXPECT_EQ(text.Find("S", "missing"), std::nullopt);
    EXPECT_EQ(text.Find("Other", "empty"), std::nullopt);
}

TEST(IniText, KeysOnlyBelongToTheSectionAboveThem)
{
    const IniText text("Left=1\n[A]\nLeft=2\n[B]\nTop=3\n");
    EXPECT_EQ(text.Find("A", "Left"), "2");
    EXPECT_EQ(text.Find("A", "Top"), std::nullopt);
    EXPECT_EQ(text.Find("B", "Left"), std::nullopt);
}

TEST(IniText, FirstOfRepeatedSectionsAndKeysWins)
{
    const IniText text("[A]\nk=first\nk=second\n[A]\nk=third\nj=4\n");
    EXPECT_EQ(text.Find("A", "k"), "first");
    EXPECT_EQ(text.Find("A", "j"), std::nullopt);
}

TEST(IniText, MalformedLinesAreNeitherSectionsNorKeys)
{
    const IniText text("[Bounds\nLeft=5\n;Top=6\nno equals sign\n[Bounds]\nRight=7\n");
    EXPECT_EQ(text.Find("Bounds", "Left"), std::nullopt);
    EXPECT_EQ(text.Find("Bounds", "Top"), std::nullopt);
    EXPECT_EQ(text.Find("Bounds", "Right"), "7");
    EXPECT_EQ(text.Find("Bounds", "no equals sign"), std::nullopt);
}

TEST(IniText, FirstTimeKeyGoesAfterTheLastLineOfItsSectionBeforeSeparatingBlankLines)
{
    IniText text("[A]\nx=1\n; note\n\n\n[B]\ny=2\n");
    text.Set("a", "z", "3");
    EXPECT_EQ(text.Render(), "[A]\nx=1\n; note\nz=3\n\n\n[B]\ny=2\n");
}

TEST(IniText, FirstTimeKeyInAnEmptySectionFollowsItsHeader)
{
    IniText text("[A]\n\n[B]\n");
    text.Set("B", "k", "v");
    text.Set("A", "j", "w");
    EXPECT_EQ(text.Render(), "[A]\nj=w\n\n[B]\nk=v\n");
}

TEST(IniText, RewriteMovesTheKeyToTheEndOfItsSection)
{
    IniText text("[S]\na=1\nb=2\nc=3\n[T]\na=0\n");
    text.Rewrite("s", "A", "9");
    EXPECT_EQ(text.Render(), "[S]\nb=2\nc=3\nA=9\n[T]\na=0\n");
}

TEST(IniText, RewriteDropsEveryCopyOfTheKeyInItsSection)
{
    IniText text("[S]\nk=1\nj=2\nK=3\n");
    text.Rewrite("S", "k", "4");
    EXPECT_EQ(text.Render(), "[S]\nj=2\nk=4\n");
}

TEST(IniText, KeepsUnknownLinesByteForByte)
{
    const std::string original = "; settings\n[A]\n  odd line  \n[broken\nx=1\n\x01\xff\xfe\n";
    IniText text(original);
    text.Set("A", "y", "2");
    EXPECT_EQ(text.Render(), "; settings\n[A]\n  odd line  \n[broken\nx=1\n\x01\xff\xfe\ny=2\n");
}

TEST(IniText, KeepsCrLfEndingsForNewAndEditedLines)
{
    IniText text("[S]\r\nk=1\r\nj=2");
    EXPECT_EQ(text.Find("S", "k"), "1");
    EXPECT_EQ(text.Find("S", "j"), "2");
    text.Set("S", "k", "3");
    text.Set("S", "n", "4");
    text.Set("T", "m", "5");
    EXPECT_EQ(text.Render(), "[S]\r\nk=3\r\nj=2\r\nn=4\r\n[T]\r\nm=5\r\n");
}

TEST(IniText, KeepsAByteOrderMarkAndStillSeesTheFirstSection)
{
    IniText text("\xEF\xBB\xBF[S]\nk=v\n");
    EXPECT_EQ(text.Find("S", "k"), "v");
    text.Set("S", "j", "w");
    EXPECT_EQ(text.Render(), "\xEF\xBB\xBF[S]\nk=v\nj=w\n");
}

TEST(IniText, ALineBreakInAValueCannotForgeOtherSettings)
{
    IniText text;
    text.Rewrite("Start with", "StartDir", "/tmp/a\n[Bounds]\nLeft=-9999");
    text.Set("S", "k", "x\r\ny=1");
    EXPECT_EQ(text.Find("Start with", "StartDir"), "/tmp/a");
    EXPECT_EQ(text.Find("Bounds", "Left"), std::nullopt);
    EXPECT_EQ(text.Find("S", "y"), std::nullopt);
}

TEST(IniText, UnterminatedLastLineGetsItsBreakBeforeAnAppendedSection)
{
    IniText text("[A]\nx=1");
    text.Set("B", "y", "2");
    EXPECT_EQ(text.Render(), "[A]\nx=1\n[B]\ny=2\n");
}

TEST(ParseIniInteger, ReadsHexWithPrefixAndSignedDecimal)
{
    EXPECT_EQ(ParseIniInteger("0x20"), 32);
    EXPECT_EQ(ParseIniInteger("0XfF"), 255);
    EXPECT_EQ(ParseIniInteger("-5"), -5);
    EXPECT_EQ(ParseIniInteger("+7"), 7);
    EXPECT_EQ(ParseIniInteger("007"), 7);
    EXPECT_EQ(ParseIniInteger("2147483647"), std::numeric_limits<int32_t>::max());
    EXPECT_EQ(ParseIniInteger("-2147483648"), std::numeric_limits<int32_t>::min());
    EXPECT_EQ(ParseIniInteger("0x7FFFFFFF"), std::numeric_limits<int32_t>::max());
}

TEST(ParseIniInteger, RejectsAnythingThatIsNotWhollyANumber)
{
    for (const char *text : {"", "abc", "12abc", "1 2", "-", "+", "0x", "0x-1", "0xg", "1.5", " 5", "--5"})
        EXPECT_EQ(ParseIniInteger(text), std::nullopt) << '"' << text << '"';
}

TEST(ParseIniInteger, RejectsValuesOutsideTheSignedRange)
{
    for (const char *text : {"2147483648", "-2147483649", "0x80000000", "0xFFFFFFFF",
                             "99999999999999999999999999999", "0x123456789abcdef0123"})
        EXPECT_EQ(ParseIniInteger(text), std::nullopt) << text;
}

} // namespace
} // namespace vistrel
