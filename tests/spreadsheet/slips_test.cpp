// Input-method slips read as meant: the full-width comma, full-width digits and spaces
// (the ideographic one too) around names and counts; names otherwise exact.
#include <gtest/gtest.h>

#include "spreadsheet/slips.h"

namespace tavrin::spreadsheet {
namespace {

const std::string kIdeo = "\xE3\x80\x80";  // U+3000

TEST(SlipsTest, Counts)
{
    struct Case {
        std::string text;
        std::optional<long long> want;
    };
    const std::vector<Case> cases = {
        {"5", 5},         {"５", 5},          {"１２", 12},     {"1２", 12},   {" 6 ", 6},
        {kIdeo + "4" + kIdeo, 4},           {"\t7\n", 7},      {"0", 0},      {"-3", -3},
        {"+2", 2},        {"6.5", std::nullopt}, {"三", std::nullopt}, {"", std::nullopt},
        {" ", std::nullopt}, {"5 5", std::nullopt}, {"5节", std::nullopt}, {"+-1", std::nullopt},
        {"--1", std::nullopt}, {"99999999999999999999", std::nullopt}, {"０x1", std::nullopt},
    };
    for (const auto& c : cases)
        EXPECT_EQ(parseCount(c.text), c.want) << "[" << c.text << "]";
}

TEST(SlipsTest, Lists)
{
    struct Case {
        std::string text;
        std::vector<std::string> want;
    };
    const std::vector<Case> cases = {
        {"5，5，4", {"5", "5", "4"}},
        {"5,5,4", {"5", "5", "4"}},
        {"王芳，3, 李明 ,2", {"王芳", "3", "李明", "2"}},
        {kIdeo + "王芳" + kIdeo + "，" + kIdeo + "３", {"王芳", "３"}},
        {"5", {"5"}},
        {"", {""}},
        {"a,", {"a", ""}},
        {",,", {"", "", ""}},
        {"张 三,1", {"张 三", "1"}},
    };
    for (const auto& c : cases)
        EXPECT_EQ(splitList(c.text), c.want) << "[" << c.text << "]";
}

TEST(SlipsTest, NamesComparedExactlyOnceTrimmed)
{
    struct Case {
        std::string typed, stored;
        bool same;
    };
    const std::vector<Case> cases = {
        {"王芳", "王芳", true},
        {" 王芳" + kIdeo, "王芳", true},
        {"王 芳", "王芳", false},
        {"王芳", "王芳 ", false},  // the stored name is taken as it stands
        {"Wang", "wang", false},
        {"语文１", "语文1", false},  // digits in names are not folded
        {"", "", true},
    };
    for (const auto& c : cases)
        EXPECT_EQ(sameName(c.typed, c.stored), c.same) << "[" << c.typed << "] [" << c.stored << "]";
}

TEST(SlipsTest, TrimAndDigitsLeaveTheRestAlone)
{
    EXPECT_EQ(trimSpaces(kIdeo + " a b " + kIdeo + "\t"), "a b");
    EXPECT_EQ(trimSpaces("a" + kIdeo + "b"), "a" + kIdeo + "b");
    EXPECT_EQ(asciiDigits("０１２３４５６７８９"), "0123456789");
    EXPECT_EQ(asciiDigits("高一（２）班"), "高一（2）班");
    EXPECT_EQ(asciiDigits("\xEF\xBC\x8C"), "\xEF\xBC\x8C");  // the full-width comma is no digit
}

}  // namespace
}  // namespace tavrin::spreadsheet
