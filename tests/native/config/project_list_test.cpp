#include "config/project_list.h"

#include <gtest/gtest.h>

#include <map>

namespace {

using Names = std::vector<std::string>;
const char* kNeverStamped = "2011年1月1日1时1分1秒";  // what a missing "操作时间" reads as

TEST(ProjectSortKey, SecondsFromTheReferenceMoment) {
    EXPECT_EQ(project_sort_key("2012年12月21日3时14分35秒"), 0);
    EXPECT_EQ(project_sort_key("2012年12月21日3时14分36秒"), 1);
    EXPECT_EQ(project_sort_key("2012年12月21日3时14分34秒"), -1);
    EXPECT_EQ(project_sort_key("2012年12月22日3时14分35秒"), 86400);
    EXPECT_EQ(project_sort_key("2012年12月21日"), -(3 * 3600 + 14 * 60 + 35));
    // 2011-01-01 01:01:01 lies 720 days, 2 h 13 min 34 s before the reference.
    EXPECT_EQ(project_sort_key(kNeverStamped), -(720LL * 86400 + 2 * 3600 + 13 * 60 + 34));
}

TEST(ProjectSortKey, FarDatesAndInvalidTextDoNotOverflow) {
    // Beyond ±68 years from the reference a 32-bit key would wrap around.
    EXPECT_LT(project_sort_key("1943年1月1日"), project_sort_key("1945年1月1日"));
    EXPECT_GT(project_sort_key("2090年1月1日"), project_sort_key("2080年1月1日"));
    EXPECT_GT(project_sort_key("9999年12月31日23时59分59秒"), 0);
    EXPECT_EQ(project_sort_key("abc"), project_sort_key("100年1月1日"));
    EXPECT_LT(project_sort_key("abc"), project_sort_key("101年1月1日"));
    EXPECT_LT(project_sort_key("abc"), 0);
}

class Ordering : public ::testing::Test {
   protected:
    std::map<std::string, std::string> stamps;  // a missing entry is a project never stamped
    int reads = 0;
    Names order(const Names& names) {
        return order_by_operation_time(names, [&](const std::string& n) {
            ++reads;
            auto it = stamps.find(n);
            return it == stamps.end() ? std::string(kNeverStamped) : it->second;
        });
    }
};

TEST_F(Ordering, MostRecentFirstInvalidLast) {
    stamps = {{"old", "2005年3月4日"},
              {"bad", "abc"},
              {"new", "2024年5月6日7时8分9秒"},
              {"淺東", "2020年1月1日1时"},
              {"ancient", "1900年1月1日"}};
    EXPECT_EQ(order({"old", "bad", "unstamped", "new", "淺東", "ancient"}),
              (Names{"new", "淺東", "unstamped", "old", "ancient", "bad"}));
    EXPECT_GE(reads, 6);
}

TEST_F(Ordering, EqualKeysKeepFileOrder) {
    stamps = {{"a", "2020年1月1日1时1分1秒"},
              {"b", "2020年1月1日1时1分1秒"},
              {"c", "2021年1月1日"},
              {"x", "abc"},
              {"y", "not a date"}};
    EXPECT_EQ(order({"x", "a", "y", "b", "c"}), (Names{"c", "a", "b", "x", "y"}));
    EXPECT_EQ(order({"b", "a"}), (Names{"b", "a"}));
    // Never stamped and stamped exactly at the default moment tie.
    stamps = {{"p", kNeverStamped}};
    EXPECT_EQ(order({"q", "p"}), (Names{"q", "p"}));
}

TEST_F(Ordering, UnstampedSitsBetweenLaterAndEarlierStamps) {
    stamps = {{"before", "2011年1月1日1时1分0秒"}, {"after", "2011年1月1日1时1分2秒"}};
    EXPECT_EQ(order({"before", "none", "after"}), (Names{"after", "none", "before"}));
}

TEST_F(Ordering, EmptyAndSingleLists) {
    EXPECT_EQ(order({}), Names{});
    EXPECT_EQ(order({"only"}), Names{"only"});
}

}  // namespace
