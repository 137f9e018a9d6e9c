#include <gtest/gtest.h>

#include "users/users.h"
#include "model/info.h"
#include "store/store.h"
#include "support/testutil.h"

using namespace tavrin;
using json = nlohmann::ordered_json;

// A school small enough to work out by hand:
// class 1: 40 slots - 3 fixed = 37, weekly 6 + 6 + 26 = 38 (over capacity);
// class 2: 40 slots, weekly 6 + 5 = 11;
// teacher 2 teaches 数学 to both classes as one combined lesson (4 a week) and 语文 to
// class 2 (6): 10 lessons; still without a teacher: class 1 数学 2 and 体育 6, class 2 数学 1.
TEST(Info, JsonOfASmallSchoolGivesTheFiguresWorkedOutByHand)
{
    tavrin::testing::TempDir d;
    ASSERT_TRUE(users::initDatabase(d / "db.dat"));
    store::Store s(d / "db.dat");
    s.exec(R"SQL(
INSERT INTO setting VALUES('学校名称','实验中学');
INSERT INTO daybd VALUES(1,'星期一'),(2,'星期二'),(3,'星期三'),(4,'星期四'),(5,'星期五');
INSERT INTO jieshu VALUES(4,4,0);
INSERT INTO timebd VALUES(1,'7:50');
INSERT INTO publictimebd VALUES(0,'早读');
INSERT INTO jibd VALUES(1,'高一');
INSERT INTO banbd VALUES(1,'高一(1)班',1,0),(2,'高一(2)班',1,1);
INSERT INTO gudinbd VALUES(1,'班会',1,8,1),(2,'无课',5,7,1),(3,'无课',5,8,1);
INSERT INTO kemubd VALUES(1,'语文','语',0,0),(2,'数学','数',2,1),(3,'体育','体',3,0);
INSERT INTO kemujieshu VALUES(1,1,6),(2,1,6),(3,1,26),(1,2,6),(2,2,5);
INSERT INTO teabd VALUES(1,'王老师','王',0),(2,'赵老师','赵',0),(3,'孙老师','孙',1);
INSERT INTO renkebd VALUES(0,1,1,1,6,0),(1,2,2,1,6,0),(2,2,1,2,4,1),(3,2,2,2,4,1),(4,3,1,3,20,0);
INSERT INTO teshutea VALUES(1,1,9,3);
INSERT INTO PaiOptJie VALUES(1,1,-2,NULL,1,NULL),(1,1,-2,NULL,2,NULL),(2,3,1,NULL,NULL,3);
INSERT INTO PaiOptDay VALUES(1,3,-1,2,1,NULL);
INSERT INTO teaman VALUES(1,1);
INSERT INTO teawife VALUES(1,2);
)SQL");

    json j = model::schoolInfo(s);

    EXPECT_EQ(j["school_name"], "实验中学");
    const auto& w = j["week"];
    ASSERT_EQ(w["days"].size(), 5u);
    EXPECT_EQ(w["days"][1], (json{{"day", 2}, {"weekday", 2}, {"name", "星期二"}}));
    EXPECT_EQ(w["periods"], 8);
    EXPECT_EQ(w["slots"], 40);
    EXPECT_EQ(w["times"], json::parse(R"([{"jie":1,"time":"7:50"}])"));
    EXPECT_EQ(w["public"], json::parse(R"([{"after":0,"text":"早读"}])"));

    EXPECT_EQ(j["grades"], json::parse(R"([{"id":1,"name":"高一","classes":[1,2]}])"));
    EXPECT_EQ(j["classes"], json::parse(R"([
      {"id":1,"name":"高一(1)班","grade":1,"grade_name":"高一","capacity":37,"kemujieshu":38,
       "over_capacity":true,"fixed":3,"locked":false},
      {"id":2,"name":"高一(2)班","grade":1,"grade_name":"高一","capacity":40,"kemujieshu":11,
       "over_capacity":false,"fixed":0,"locked":true}])"));
    EXPECT_EQ(j["subjects"][1], json::parse(R"({"id":2,"name":"数学","short":"数","maxjie":2,"lianpai":1})"));

    std::vector<int> lessons;
    for (const auto& t : j["teachers"])
        lessons.push_back(t["lessons"].get<int>());
    EXPECT_EQ(lessons, (std::vector<int>{6, 10, 20}));
    EXPECT_EQ(j["teachers"][2]["locked"], true);

    // Ordered by subject, teacher, class.
    EXPECT_EQ(j["assignments"], json::parse(R"([
      {"index":0,"class":1,"teacher":1,"subject":1,"lessons":6,"heban":0},
      {"index":1,"class":2,"teacher":2,"subject":1,"lessons":6,"heban":0},
      {"index":2,"class":1,"teacher":2,"subject":2,"lessons":4,"heban":1},
      {"index":3,"class":2,"teacher":2,"subject":2,"lessons":4,"heban":1},
      {"index":4,"class":1,"teacher":3,"subject":3,"lessons":20,"heban":0}])"));

    EXPECT_EQ(j["unassigned"], json::parse(R"([
      {"class":1,"class_name":"高一(1)班","subjects":[{"subject":2,"name":"数学","periods":2},
                                                       {"subject":3,"name":"体育","periods":6}]},
      {"class":2,"class_name":"高一(2)班","subjects":[{"subject":2,"name":"数学","periods":1}]}])"));

    EXPECT_EQ(j["conditions"], json::parse(R"({
      "jie":[{"opt":1,"rows":[{"jie":1,"num":-2,"class":0,"subject":1,"teacher":0},
                              {"jie":1,"num":-2,"class":0,"subject":2,"teacher":0}]},
             {"opt":2,"rows":[{"jie":3,"num":1,"class":0,"subject":0,"teacher":3}]}],
      "day":[{"opt":1,"rows":[{"weekday":3,"num":-1,"class":2,"subject":1,"teacher":0}]}],
      "exclusive":[{"wmid":1,"teachers":[1,2]}]})"));

    EXPECT_EQ(j["skipped"], json::parse(R"([{"table":"teshutea","row":"teaid=1, theday=1, thejie=9, teshu=3",
                                              "reason":"节次超出每天节数"}])"));
}

TEST(Info, AnEmptySchoolHasEveryKeyWithEmptyLists)
{
    tavrin::testing::TempDir d;
    ASSERT_TRUE(users::initDatabase(d / "db.dat"));
    store::Store s(d / "db.dat");
    json j = model::schoolInfo(s);
    const char* keys[] = {"school_name", "week",       "grades",     "classes",    "subjects", "teachers",
                          "assignments", "totals",     "unassigned", "conditions", "skipped"};
    ASSERT_EQ(j.size(), std::size(keys));
    int i = 0;
    for (auto& [k, v] : j.items())
        EXPECT_EQ(k, keys[i++]);
    EXPECT_EQ(j["week"]["slots"], 0);
    EXPECT_TRUE(j["classes"].empty());
    EXPECT_TRUE(j["skipped"].empty());
    EXPECT_EQ(j["totals"], json::parse(R"({"kemujieshu":0,"assigned":0,"unassigned":0,"capacity":0})"));
}
