#include "app/home.h"

#include "store/dbfile.h"
#include "store/schema.h"
#include "users/users.h"

namespace tavrin::app {

HomeState loadMain(store::Store& s)
{
    HomeState h;
    auto any = [&](const char* sql) { return s.scalar(sql) != 0; };
    h.hasBan = any("SELECT EXISTS(SELECT 1 FROM banbd)");
    h.hasDay = any("SELECT EXISTS(SELECT 1 FROM daybd)");
    h.hasKemuJieshu = any("SELECT EXISTS(SELECT 1 FROM kemujieshu)");
    h.hasRenke = any("SELECT EXISTS(SELECT 1 FROM renkebd)");
    h.hasKechen = any("SELECT EXISTS(SELECT 1 FROM kechenbd)");

    h.kbLayout = 1;
    {
        auto st = s.prepare("SELECT setName, setVar FROM setting");
        while (st.step()) {
            if (st.text(0) == "课表显示" && st.text(1) == "日行")
                h.kbLayout = 2;
            // The first non-empty value wins.
            if (st.text(0) == "学校名称" && h.xiaoName.empty())
                h.xiaoName = st.text(1);
        }
    }

    h.stepEnabled = {};
    h.clearShown = {};
    h.stepEnabled[1] = true;
    h.noPaiShown = true;
    if (h.hasBan) {
        h.clearShown[1] = true;
        h.stepEnabled[2] = true;
        if (h.hasDay) {
            h.clearShown[2] = true;
            h.stepEnabled[3] = true;
            if (h.hasKemuJieshu) {
                h.clearShown[3] = true;
                h.stepEnabled[4] = true;
                if (h.hasRenke) {
                    h.clearShown[4] = true;
                    h.stepEnabled[5] = true;
                    h.stepEnabled[6] = true;
                    if (h.hasKechen) {
                        h.clearShown[6] = true;
                        h.noPaiShown = false;
                    }
                }
            }
        }
    }

    if (!h.hasBan)
        h.status = "请设置班级。";
    else if (!h.hasDay)
        h.status = "请设置课时。";
    else if (!h.hasKemuJieshu)
        h.status = "请设置科目节数。";
    else if (!h.hasRenke)
        h.status = "请设置教师任课。";
    else if (h.hasKechen)
        h.status = "打开课程表，可以进行手工调课、打印课程表或导出至EXCEL。";
    else
        h.status = "未排课，点击“开始排课”进行自动排课。";
    return h;
}

ClearTexts clearTexts(int step)
{
    switch (step) {
    case 1:
        return {"清除数据", "确认要清除班级数据吗？",
                "清除班级数据会一并删除与班级有关的课时、科目节数、任课情况、课程表等数据，请慎重，真的要清除吗？"};
    case 2:
        return {"清除数据", "确认要清除课时数据吗？",
                "清除课时数据，会清除所有固定课、公共时段、课表时间显示等数据，请慎重，真的要清除吗？"};
    case 3:
        return {"清除数据", "确认要清除科目数据吗？",
                "清除科目数据会一并清除任课情况、清空课程表等数据，请慎重，真的要清除吗？"};
    case 4:
        return {"清除数据", "确认要清除教师数据吗？", "清除教师数据会一并清空课程表，请慎重，真的要清除吗？"};
    case 6:
        return {"清空课程表", "确认要清空课程表吗？请慎重！\n（清空后所有课程都移至课程暂放区）", nullptr};
    default:
        return {"", "", nullptr};
    }
}

bool asksSecondQuestion(int step, const HomeState& h)
{
    return step >= 1 && step <= 4 && h.hasDay;
}

bool initDatabase(const std::filesystem::path& file)
{
    return store::createDatabase(file, [](store::Store& s) { users::ensureDefaultUser(s); });
}

std::vector<std::pair<std::string, long long>> tableCounts(store::Store& s)
{
    std::vector<std::pair<std::string, long long>> out;
    for (const auto& t : store::tables()) {
        // Table names come from our own fixed list, never from input.
        out.emplace_back(t.name, static_cast<long long>(s.scalar(std::string("SELECT count(*) FROM ") + t.name)));
    }
    return out;
}

}  // namespace tavrin::app
