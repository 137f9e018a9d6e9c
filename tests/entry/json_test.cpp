// The working copies as JSON: what `tavrin-cli classes` and `week` print reads back as the
// same working copy, and malformed input is refused with the place named.
#include <gtest/gtest.h>

#include "entry/json.h"
#include "entry_fixture.h"

using namespace tavrin;
using namespace tavrin::testing;
using nlohmann::json;

namespace {

TEST(EntryJson, ClassesRoundTrip)
{
    SchoolBuilder b;
    fillEntrySchool(b);
    entry::ClassDraft d = entry::loadClasses(b.store());
    ASSERT_TRUE(entry::addGroup(d).ok);
    d.groups[0].classes[1].name = "引号\"与\\反斜杠😀";
    const json j = json::parse(entry::toJson(d).dump());
    EXPECT_TRUE(j.at("groups").at(3).at("id").is_null());
    EXPECT_EQ(j.at("groups").at(0).at("classes").at(1).at("id"), 2);
    EXPECT_EQ(entry::classesFromJson(json::parse(j.dump())), d);
}

TEST(EntryJson, WeekRoundTrip)
{
    SchoolBuilder b({1, 3, 6}, 2, 0, 3);
    fillEntrySchool(b);
    entry::WeekDraft d = entry::loadWeek(b.store());
    entry::setPublicTime(d, 0, "早读");
    entry::setTimes(d, "8:00\n\n9:00");
    entry::setGudin(d, entry::Scope::cls(2), 6, 27, "晚自习");
    const json j = json::parse(entry::toJson(d).dump());
    EXPECT_EQ(j.at("days"), json({1, 3, 6}));
    EXPECT_EQ(j.at("nig"), 3);
    const entry::WeekDraft back = entry::weekFromJson(json::parse(j.dump()), entry::loadWeek(b.store()));
    EXPECT_EQ(back, d);
}

TEST(EntryJson, MalformedInputNamesThePlace)
{
    struct Bad {
        const char* text;
        const char* message;
    };
    const Bad classes[] = {
        {R"({})", "班级数据缺少“groups”。"},
        {R"({"groups":[{"id":1,"classes":[]}]})", "第1个年级组缺少“name”。"},
        {R"({"groups":[{"id":"1","name":"a","classes":[]}]})", "第1个年级组的“id”应为整数。"},
        {R"({"groups":[{"name":"a","classes":[{"name":7}]}]})", "第1个年级组的第1个班级的“name”应为文字。"},
    };
    for (const auto& c : classes) {
        try {
            entry::classesFromJson(json::parse(c.text));
            ADD_FAILURE() << c.text;
        } catch (const entry::BadJson& e) {
            EXPECT_EQ(std::string(e.what()), c.message);
        }
    }
    SchoolBuilder b;
    fillEntrySchool(b);
    const Bad weeks[] = {
        {R"({"days":[1],"mor":10,"aft":0,"nig":0})", "课节数据的“mor”应在0到9之间。"},
        {R"({"days":[8],"mor":1,"aft":0,"nig":0})", "课节数据的“days”应在1到7之间。"},
        {R"({"days":[1],"mor":1,"aft":0,"nig":0,"fixed":[{"class":6,"weekday":1,"period":1,"name":"x"}]})",
         "固定课的班级6不存在。"},
        {R"({"days":[1],"mor":1,"aft":0,"nig":0,"fixed":[{"class":1,"weekday":1,"period":28,"name":"x"}]})",
         "固定课的“period”应在1到27之间。"},
    };
    for (const auto& c : weeks) {
        try {
            entry::weekFromJson(json::parse(c.text), entry::loadWeek(b.store()));
            ADD_FAILURE() << c.text;
        } catch (const entry::BadJson& e) {
            EXPECT_EQ(std::string(e.what()), c.message);
        }
    }
}

}  // namespace
