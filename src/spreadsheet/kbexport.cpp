#include "spreadsheet/kbexport.h"

#include <cmath>
#include <fmt/format.h>

namespace tavrin::spreadsheet {

std::string schoolYearText(int year, int month)
{
    if (month >= 7)
        return fmt::format("{}至{}学年度第一学期", year, year + 1);
    return fmt::format("{}至{}学年度第二学期", year - 1, year);
}

bool readPrintSetting(store::Store& st, KbExportOptions& o)
{
    auto q = st.prepare("SELECT FontName1, FontSize1, FontName2, FontSize2, Paper, TimeHead, BottomText "
                        "FROM PrintSetting ORDER BY rowid LIMIT 1");
    if (!q.step())
        return false;
    auto text = [&](int c) { return q.isNull(c) ? std::string() : q.text(c); };
    auto number = [&](int c) { return q.isNull(c) ? 0 : q.integer(c); };
    applyStoredFonts(o, text(0), number(1), text(2), number(3));
    const std::string paper = text(4);
    o.paper = paper == "A5" ? "A5" : paper == "A4L" ? "A4L" : "A4";
    o.timeHead = text(5);
    o.bottomText = text(6);
    return true;
}

void writePrintSetting(store::Store& st, const KbExportOptions& o)
{
    const std::string paper = o.paper == "A5" ? "A5" : o.paper == "A4L" ? "A4L" : "A4";
    st.transaction([&] {
        const std::int64_t rowid = st.scalar("SELECT rowid FROM PrintSetting ORDER BY rowid LIMIT 1");
        if (rowid != 0) {
            st.run("UPDATE PrintSetting SET FontName1=?1, FontSize1=?2, FontName2=?3, FontSize2=?4, Paper=?5, "
                   "TimeHead=?6, BottomText=?7 WHERE rowid=?8",
                   o.font1, o.size1, o.font2, o.size2, paper, o.timeHead, o.bottomText, rowid);
        } else {
            st.run("INSERT INTO PrintSetting(FontName1, FontSize1, FontName2, FontSize2, Paper, TimeHead, BottomText) "
                   "VALUES(?1, ?2, ?3, ?4, ?5, ?6, ?7)",
                   o.font1, o.size1, o.font2, o.size2, paper, o.timeHead, o.bottomText);
        }
    });
}

std::vector<RunEntry> dayRun(const model::School& s)
{
    const int J = s.P();
    auto sectionOf = [&](int k) { return k <= s.mor ? 1 : (k <= s.mor + s.aft ? 2 : 3); };
    std::vector<RunEntry> run;
    // A public slot stored past the last period (left when the day was shortened) is not in
    // the run: only slots 0..J count.
    for (int k = 0; k <= J; ++k) {
        if (k >= 1)
            run.push_back({false, k, sectionOf(k)});
        if (!s.PublicTime[static_cast<std::size_t>(k)].empty() && J >= 1)
            run.push_back({true, k, sectionOf(k == 0 ? 1 : k)});
    }
    return run;
}

std::vector<int> classOrder(const model::School& s)
{
    std::vector<int> out;
    for (int ji = 1; ji <= s.MaxJiID; ++ji) {
        const int n = ji < static_cast<int>(s.BanCountInJi.size()) ? s.BanCountInJi[static_cast<std::size_t>(ji)] : 0;
        for (int k = 1; k <= n; ++k)
            if (s.BanID.inside(ji, k))
                out.push_back(s.BanID(ji, k));
    }
    return out;
}

namespace {

const char* const kTitle = "课　　程　　表";

struct Block {
    int section, first, last;  // run indexes, 0-based
};

std::vector<Block> blocks(const std::vector<RunEntry>& run)
{
    std::vector<Block> out;
    for (int i = 0; i < static_cast<int>(run.size()); ++i) {
        if (out.empty() || out.back().section != run[static_cast<std::size_t>(i)].section)
            out.push_back({run[static_cast<std::size_t>(i)].section, i, i});
        else
            out.back().last = i;
    }
    return out;
}

// Where a filled timetable's parts lie in the template.
struct Geometry {
    int D = 0, J = 0, P = 0;
    std::vector<RunEntry> run;
    int layout = 1;
    int nameCol = 0;
    bool headShared = false;  // a week too small to give the heading a cell of its own
    int offset = 0;           // rows between the two copies on "A4L"
    int lastRow = 0;          // the footnote row

    Geometry(const model::School& s, int lay) : D(s.theDay), J(s.P()), run(dayRun(s)), layout(lay)
    {
        P = static_cast<int>(run.size()) - J;
        if (layout == 1) {
            const int L = 1 + J + P;
            nameCol = L;
            const int X = (J + P + 1) / 2 + 1;
            headShared = X >= L;
            offset = D + 7;
            lastRow = D + 6;
        } else {
            nameCol = D + 3;
            offset = J + P + 5;
            lastRow = J + P + 4;
        }
    }
};

std::string lessonFont(const KbExportOptions& o) { return o.showKe ? o.font1 : o.font2; }
double lessonSize(const KbExportOptions& o) { return o.showKe ? o.size1 : o.size2; }

void template1(Sheet& sh, const model::School& s, const KbExportOptions& o, const Geometry& g)
{
    const int D = g.D, L = 1 + g.J + g.P;
    sh.setText(1, 1, kTitle);
    sh.merge({1, 1, 1, L});
    sh.align({1, 1, 1, L}, HAlign::Center);
    sh.fontSize({1, 1, 1, L}, 30);
    if (!o.kaiTi.empty())
        sh.font({1, 1, 1, L}, o.kaiTi);
    sh.setText(2, 1, s.XiaoName);
    const int X = (g.J + g.P + 1) / 2 + 1;
    if (!g.headShared)
        sh.setText(2, X, o.timeHead);
    sh.setText(3, 1, "      时\n 课    间\n   程\n\n 星期");
    sh.merge({3, 1, 5, 1});
    sh.wrap({3, 1, 5, 1});
    for (const Block& b : blocks(g.run)) {
        static const char* const labels[] = {"", "上　　午", "下　　午", "晚　　习"};
        sh.setText(3, 2 + b.first, labels[b.section]);
        sh.merge({3, 2 + b.first, 3, 2 + b.last});
    }
    for (int i = 0; i < static_cast<int>(g.run.size()); ++i) {
        const RunEntry& e = g.run[static_cast<std::size_t>(i)];
        const int c = 2 + i;
        if (!e.pub) {
            sh.setText(4, c, fmt::format("第{}节", e.k));
            if (!s.TimeStr[static_cast<std::size_t>(e.k)].empty())
                sh.setText(5, c, s.TimeStr[static_cast<std::size_t>(e.k)]);
        } else {
            sh.setText(6, c, s.PublicTime[static_cast<std::size_t>(e.k)]);
            sh.merge({4, c, 5, c});
            sh.wrap({4, c, 5, c});
            sh.merge({6, c, D + 5, c});
            sh.vertical({6, c, D + 5, c});
            sh.valign({6, c, D + 5, c}, VAlign::Distributed);
            sh.indent({6, c, D + 5, c}, 1);
        }
    }
    sh.shrink({5, 2, 5, L});
    for (int d = 1; d <= D; ++d)
        sh.setText(d + 5, 1, s.WeekName[s.DayToWeek[static_cast<std::size_t>(d)]]);
    sh.setText(D + 6, 1, o.bottomText);
    sh.fontSize({D + 6, 1, D + 6, 1}, 10);

    sh.bordersAll({3, 1, D + 5, 1}, 2);
    sh.bordersInsideVertical({3, 1, D + 5, 1}, 2);
    sh.borderAround({3, 1, D + 5, 1}, 3);
    for (const Block& b : blocks(g.run)) {
        const Range area{3, 2 + b.first, D + 5, 2 + b.last};
        sh.bordersAll(area, 2);
        sh.bordersInsideHorizontal(area, 2);
        sh.bordersInsideVertical(area, 2);
        sh.borderAround(area, 3);
    }
    sh.font({2, 2, 5, L}, o.font1);
    sh.fontSize({2, 1, 5, L}, 12);
    const Range lessons{6, 2, D + 5, L};
    sh.font(lessons, lessonFont(o));
    sh.fontSize(lessons, lessonSize(o));
    sh.wrap(lessons);
    sh.align({3, 1, D + 5, L}, HAlign::Center);
    sh.valign({3, 1, D + 5, L}, VAlign::Center);
    sh.align({3, 1, 5, 1}, HAlign::Left);
    sh.align({2, 1, 2, 1}, HAlign::Left);
    if (!g.headShared)
        sh.align({2, X, 2, X}, HAlign::Center);
    sh.align({2, L, 2, L}, g.headShared ? HAlign::Center : HAlign::Right);
    if (g.headShared)
        sh.wrap({2, L, 2, L});

    sh.columnWidth(1, 10);
    const double w = std::trunc(105.0 / (g.J + g.P / 2.0));
    for (int i = 0; i < static_cast<int>(g.run.size()); ++i)
        sh.columnWidth(2 + i, g.run[static_cast<std::size_t>(i)].pub ? w / 2 : w);
    sh.rowHeight(1, 38);
    for (int r = 2; r <= 5; ++r)
        sh.rowHeight(r, 25);
    for (int d = 1; d <= D; ++d)
        sh.rowHeight(d + 5, std::trunc(260.0 / D));
    if (g.headShared)
        sh.rowHeight(2, 38);
}

void template2(Sheet& sh, const model::School& s, const KbExportOptions& o, const Geometry& g)
{
    const int D = g.D, R = g.lastRow, last = D + 3;
    sh.setText(1, 1, kTitle);
    sh.merge({1, 1, 1, last});
    sh.align({1, 1, 1, last}, HAlign::Center);
    sh.fontSize({1, 1, 1, last}, 30);
    if (!o.kaiTi.empty())
        sh.font({1, 1, 1, last}, o.kaiTi);
    sh.setText(2, 1, s.XiaoName);
    sh.align({2, 1, 2, 1}, HAlign::Left);
    // The heading's merge stops before the name cell, which keeps a cell of its own.
    const int X = (D + 1) / 2 + 2;
    const int X2 = std::min(X + 1, D + 2);
    sh.setText(2, X, o.timeHead);
    sh.merge({2, X, 2, X2});
    sh.align({2, X, 2, X2}, HAlign::Center);
    sh.align({2, last, 2, last}, HAlign::Right);
    sh.setText(3, 1, "   课       星\n       程    期\n 时间");
    sh.merge({3, 1, 3, 3});
    sh.wrap({3, 1, 3, 3});
    for (int d = 1; d <= D; ++d)
        sh.setText(3, d + 3, s.WeekName[s.DayToWeek[static_cast<std::size_t>(d)]]);
    for (const Block& b : blocks(g.run)) {
        static const char* const labels[] = {"", "上\n\n午", "下\n\n午", "晚\n\n习"};
        sh.setText(4 + b.first, 1, labels[b.section]);
        sh.merge({4 + b.first, 1, 4 + b.last, 1});
        sh.wrap({4 + b.first, 1, 4 + b.last, 1});
    }
    for (int i = 0; i < static_cast<int>(g.run.size()); ++i) {
        const RunEntry& e = g.run[static_cast<std::size_t>(i)];
        const int w = 4 + i;
        if (!e.pub) {
            sh.setNumber(w, 2, e.k);
            if (!s.TimeStr[static_cast<std::size_t>(e.k)].empty())
                sh.setText(w, 3, s.TimeStr[static_cast<std::size_t>(e.k)]);
        } else {
            sh.setText(w, 4, s.PublicTime[static_cast<std::size_t>(e.k)]);
            sh.merge({w, 2, w, 3});
            sh.wrap({w, 2, w, 3});
            sh.merge({w, 4, w, last});
        }
    }
    sh.font({4, 2, R - 1, 2}, o.font1);
    sh.fontSize({4, 2, R - 1, 2}, 12);
    sh.shrink({4, 3, R, 3});
    sh.setText(R, 1, o.bottomText);
    sh.fontSize({R, 1, R, 1}, 10);

    sh.bordersAll({3, 1, 3, last}, 2);
    sh.bordersInsideVertical({3, 1, 3, last}, 2);
    sh.borderAround({3, 1, 3, last}, 3);
    for (const Block& b : blocks(g.run)) {
        const Range area{4 + b.first, 1, 4 + b.last, last};
        sh.bordersAll(area, 2);
        sh.bordersInsideHorizontal(area, 2);
        sh.bordersInsideVertical(area, 2);
        sh.borderAround(area, 3);
    }
    const Range lessons{4, 4, R - 1, last};
    sh.font(lessons, lessonFont(o));
    sh.fontSize(lessons, lessonSize(o));
    sh.wrap(lessons);
    sh.align({3, 1, R - 1, last}, HAlign::Center);
    sh.valign({3, 1, R - 1, last}, VAlign::Center);
    sh.align({3, 1, 3, 3}, HAlign::Left);

    sh.columnWidth(1, 3);
    sh.columnWidth(2, 3);
    sh.columnWidth(3, 9);
    for (int d = 1; d <= D; ++d)
        sh.columnWidth(d + 3, std::trunc(103.0 / D));
    sh.rowHeight(1, 38);
    sh.rowHeight(2, 25);
    sh.rowHeight(3, 50);
    const double h = std::trunc(380.0 / (g.J + g.P / 2.0));
    for (int i = 0; i < static_cast<int>(g.run.size()); ++i)
        sh.rowHeight(4 + i, g.run[static_cast<std::size_t>(i)].pub ? h / 2 : h);
}

void pageSetup(Sheet& sh, const KbExportOptions& o, const Geometry& g)
{
    PageSetup& pg = sh.page;
    if (o.paper == "A4L") {
        if (g.layout == 1) {
            sh.rowHeight(g.D + 7, 183);
            sh.copyRows(1, g.D + 6, g.D + 8);
        } else {
            sh.rowHeight(g.lastRow + 1, 140);
            sh.copyRows(1, g.lastRow, g.lastRow + 2);
        }
        pg.fitToPage = true;
        pg.paper = Paper::A4;
        pg.landscape = false;
        pg.zoom = 50;
    } else if (o.paper == "A5") {
        pg.fitToPage = true;
        pg.paper = Paper::A5;
        pg.landscape = true;
    } else {
        pg.paper = Paper::A4;
        pg.landscape = true;
    }
    pg.left = pg.right = 36;
    pg.top = pg.bottom = 31;
    pg.header = pg.footer = 36;
    pg.centerH = pg.centerV = true;
}

std::string nameOf(const model::School& s, bool teacher, int id)
{
    const auto& names = teacher ? s.TeaName : s.BanName;
    return id >= 0 && id < static_cast<int>(names.size()) ? names[static_cast<std::size_t>(id)] : std::string();
}

void fill(Sheet& sh, int position, bool teacher, int id, const model::School& s, const KbGrids& grids,
          const KbExportOptions& o, const Geometry& g)
{
    const int off = position == 2 ? g.offset : 0;
    const std::string name = nameOf(s, teacher, id);
    if (g.headShared) {
        sh.setText(2 + off, g.nameCol, o.timeHead.empty() ? name : o.timeHead + "\n" + name);
    } else {
        sh.setText(2 + off, g.nameCol, name);
    }
    sh.name = position == 1 ? name : sh.name + ";" + name;

    const model::Array2<int>& grid = teacher ? *grids.tea : *grids.ban;
    const bool bothFontsEqual = o.font1 == o.font2 && o.size1 == o.size2;
    for (int d = 1; d <= g.D; ++d) {
        for (int i = 0; i < static_cast<int>(g.run.size()); ++i) {
            const RunEntry& e = g.run[static_cast<std::size_t>(i)];
            if (e.pub)
                continue;
            const int slot = model::slotOf(d, e.k, g.J);
            const int r = g.layout == 1 ? d + 5 + off : 4 + i + off;
            const int c = g.layout == 1 ? 2 + i : d + 3;
            const int a = grid.inside(id, slot) ? grid(id, slot) : -1;
            const model::Renke rk = s.renke(a);
            if (rk.real) {
                const std::string ke = rk.ke >= 0 && rk.ke < static_cast<int>(s.KemuName.size())
                                           ? s.KemuName[static_cast<std::size_t>(rk.ke)]
                                           : std::string();
                const std::string other = teacher ? nameOf(s, false, rk.ban) : nameOf(s, true, rk.tea);
                if (o.showKe && o.showName) {
                    if (bothFontsEqual || ke.empty())
                        sh.setText(r, c, ke + "\n(" + other + ")");
                    else
                        sh.setRuns(r, c, {{ke, o.font1, double(o.size1)}, {"\n(" + other + ")", o.font2, double(o.size2)}});
                } else if (o.showKe) {
                    sh.setText(r, c, ke);
                } else if (o.showName) {
                    sh.setText(r, c, other);
                }
            } else if (!teacher && s.GudinKe.inside(id, slot)) {
                const std::string& fixed = s.GudinKe(id, slot);
                if (!fixed.empty() && fixed != "无课")
                    sh.setText(r, c, fixed);
            }
        }
    }
}

}  // namespace

Sheet timetableTemplate(const model::School& s, const KbExportOptions& o)
{
    const Geometry g(s, o.layout);
    Sheet sh;
    if (o.layout == 2)
        template2(sh, s, o, g);
    else
        template1(sh, s, o, g);
    pageSetup(sh, o, g);
    return sh;
}

bool exportTimetables(const model::School& s, const KbGrids& grids, const KbExportOptions& o, const KbExportJob& job,
                      Workbook& out, const Progress& progress)
{
    const Geometry g(s, o.layout);
    const Sheet tpl = timetableTemplate(s, o);
    const int total = static_cast<int>(job.classes.size() + job.teachers.size());
    int done = 0;
    if (progress && !progress(0, total))
        return false;
    auto list = [&](const std::vector<int>& ids, bool teacher) {
        int c = 0;
        for (int id : ids) {
            ++c;
            if (o.paper == "A4L" && c % 2 == 0) {
                fill(out.sheet(out.count() - 1), 2, teacher, id, s, grids, o, g);
            } else {
                Sheet& sh = out.insertCopy(tpl, out.count() - 1);
                fill(sh, 1, teacher, id, s, grids, o, g);
            }
            ++done;
            if (progress && !progress(done, total))
                return false;
        }
        return true;
    };
    return list(job.classes, false) && list(job.teachers, true);
}

}  // namespace tavrin::spreadsheet
