#include "spreadsheet/schoolexport.h"

#include <QBuffer>
#include <QImage>
#include <QPainter>

#include <algorithm>
#include <cmath>
#include <vector>

#include "model/slots.h"

namespace tavrin::spreadsheet {

bool readSchoolPrintSetting(store::Store& st, SchoolExportOptions& o)
{
    auto q = st.prepare("SELECT FontNameAll1, FontSizeAll1, FontNameAll2, FontSizeAll2, PaperAll, TimeHead "
                        "FROM PrintSetting ORDER BY rowid LIMIT 1");
    if (!q.step())
        return false;
    auto text = [&](int c) { return q.isNull(c) ? std::string() : q.text(c); };
    auto number = [&](int c) { return q.isNull(c) ? 0 : q.integer(c); };
    applyStoredFonts(o, text(0), number(1), text(2), number(3));
    o.paper = text(4) == "A3" ? "A3" : "A4";
    o.timeHead = text(5);
    return true;
}

void writeSchoolPrintSetting(store::Store& st, const SchoolExportOptions& o)
{
    const std::string paper = o.paper == "A3" ? "A3" : "A4";
    st.transaction([&] {
        const std::int64_t rowid = st.scalar("SELECT rowid FROM PrintSetting ORDER BY rowid LIMIT 1");
        if (rowid != 0) {
            st.run("UPDATE PrintSetting SET FontNameAll1=?1, FontSizeAll1=?2, FontNameAll2=?3, FontSizeAll2=?4, "
                   "PaperAll=?5, TimeHead=?6 WHERE rowid=?7",
                   o.font1, o.size1, o.font2, o.size2, paper, o.timeHead, rowid);
        } else {
            st.run("INSERT INTO PrintSetting(FontNameAll1, FontSizeAll1, FontNameAll2, FontSizeAll2, PaperAll, TimeHead) "
                   "VALUES(?1, ?2, ?3, ?4, ?5, ?6)",
                   o.font1, o.size1, o.font2, o.size2, paper, o.timeHead);
        }
    });
}

std::string schoolTableTitle(const model::School& s, SchoolTable kind)
{
    return s.XiaoName + (kind == SchoolTable::Timetable ? "总课程表" : "总任课表");
}

SchoolTableShape schoolTableShape(const model::School& s, const SchoolExportOptions& o)
{
    SchoolTableShape t;
    const bool assignments = o.kind == SchoolTable::Assignments;
    t.n = assignments ? s.TeaOldNum : s.MaxBanID;
    const int J = s.P();
    const int W = static_cast<int>(dayRun(s).size());
    const int P = W - J;
    t.W = W;
    const double paperSpan = o.paper == "A4" ? 87 : 145;
    if (o.layout == 2) {
        t.L = t.n + 3 + (assignments ? 1 : 0);
        t.Z = s.theDay * W + 3 + (assignments ? 1 : 0);
        t.Y = 3;
        t.X = 3;
        const double floor = o.paper == "A4" ? 2 : 3;
        t.c = t.n > 0 ? paperSpan / t.n - 0.1 : floor;
        t.c = std::max(t.c, floor);
    } else {
        t.L = s.theDay * W + 1 + (assignments ? 1 : 0);
        t.Z = t.n + 5 + (assignments ? 1 : 0);
        t.Y = 5;
        t.X = 1;
        const double span = (J + P / 2.0) * s.theDay;
        t.c = span > 0 ? paperSpan / span - 0.1 : 0;
    }
    return t;
}

namespace {

const std::string& at(const std::vector<std::string>& v, int i)
{
    static const std::string none;
    return i >= 0 && i < static_cast<int>(v.size()) ? v[static_cast<std::size_t>(i)] : none;
}

struct Blk {
    int section, first, last;  // run positions, 1-based
};

std::vector<Blk> sectionBlocks(const std::vector<RunEntry>& run)
{
    std::vector<Blk> out;
    for (int i = 0; i < static_cast<int>(run.size()); ++i) {
        const int sec = run[static_cast<std::size_t>(i)].section;
        if (out.empty() || out.back().section != sec)
            out.push_back({sec, i + 1, i + 1});
        else
            out.back().last = i + 1;
    }
    return out;
}

// A column of w characters as the spreadsheet draws it with its default font, in pixels.
int columnPixels(double w) { return w < 1 ? static_cast<int>(w * 12 + 0.5) : static_cast<int>(w * 7 + 5); }

// The two lines across the corner, drawn on a transparent picture the corner's size: each
// from a point on the corner's top or left edge to its bottom-right, the points given as
// shares of the corner's width and height (a cell's own diagonal runs corner to corner only).
std::string cornerLines(int width, int height, double topX, double leftY)
{
    QImage img(std::max(1, width), std::max(1, height), QImage::Format_ARGB32);
    img.fill(Qt::transparent);
    {
        QPainter p(&img);
        p.setRenderHint(QPainter::Antialiasing);
        p.setPen(QPen(Qt::black, 1));
        const QPointF end(width - 0.5, height - 0.5);
        p.drawLine(QPointF(topX * width, 0.5), end);
        p.drawLine(QPointF(0.5, leftY * height), end);
    }
    QByteArray bytes;
    QBuffer buf(&bytes);
    buf.open(QIODevice::WriteOnly);
    img.save(&buf, "PNG");
    return bytes.toStdString();
}

// The frame: title, heading, corner, days, sections, periods and public slots, widths, lines.
void frame(Sheet& sh, const model::School& s, const SchoolExportOptions& o, const SchoolTableShape& t,
           const std::vector<RunEntry>& run)
{
    const bool assignments = o.kind == SchoolTable::Assignments;
    const bool across = o.layout != 2;
    const int L = t.L, Z = t.Z, W = t.W, n = t.n;
    sh.setText(1, 1, o.title.empty() ? schoolTableTitle(s, o.kind) : o.title);
    sh.merge({1, 1, 1, L});
    sh.fontSize({1, 1, 1, L}, 20);
    // A merged row is never fitted to its text when the file is opened: sized for 20 points.
    sh.rowHeight(1, 27);
    if (!o.kaiTi.empty())
        sh.font({1, 1, 1, L}, o.kaiTi);
    sh.setText(2, 1, o.timeHead);
    sh.merge({2, 1, 2, L});
    sh.valign({2, 1, 2, L}, VAlign::Top);
    sh.rowHeight(2, 25);
    sh.fontSize({2, 1, Z, L}, 10);
    sh.align({1, 1, Z, L}, HAlign::Center);
    sh.valign({1, 1, 1, L}, VAlign::Center);
    sh.valign({3, 1, Z, L}, VAlign::Center);

    const Range corner{3, 1, t.Y, t.X};
    if (across) {
        sh.setText(3, 1, assignments ? "任　 时\n　 课  间\n教师" : "课　 时\n　 程  间\n班级");
    } else {
        sh.setText(3, 1, assignments ? " 任   教\n      师\n   程\n\n时间" : " 课   班\n      级\n   程\n\n时间");
    }
    sh.merge(corner);
    sh.wrap(corner);
    sh.align(corner, HAlign::Left);
    // The corner's rows get fixed heights so the picture of its lines fits it exactly.
    if (across) {
        for (int r = 3; r <= 5; ++r)
            sh.rowHeight(r, 15);
        sh.addPicture({3, 1, cornerLines(columnPixels(8), 60, 12.75 / 51.75, 19.5 / 42.75)});
    } else {
        sh.addPicture({3, 1, cornerLines(3 * columnPixels(2), 90, 15.75 / 47.25, 30.75 / 67.5)});
    }

    const Range lessons{t.Y + 1, 2, Z, L};
    sh.font(lessons, o.showKe ? o.font1 : o.font2);
    sh.fontSize(lessons, o.showKe ? o.size1 : o.size2);
    // Two lines a lesson: the rows grow to them when the file is opened.
    sh.wrap(lessons);

    static const char* const labels[] = {"", "上午", "下午", "晚习"};
    const std::vector<Blk> blocks = sectionBlocks(run);
    // The last row (layout 1) or column (layout 2) a public slot's merge reaches: the
    // entities only, never the counts.
    const int lastEntity = n + (across ? 5 : 3);
    for (int d = 1; d <= s.theDay && W > 0; ++d) {
        const int base = (d - 1) * W;
        const std::string& day = s.WeekName[s.DayToWeek[static_cast<std::size_t>(d)]];
        if (across) {
            sh.setText(3, base + 2, day);
            sh.merge({3, base + 2, 3, base + 1 + W});
            for (const Blk& b : blocks) {
                sh.setText(4, base + 1 + b.first, labels[b.section]);
                sh.merge({4, base + 1 + b.first, 4, base + 1 + b.last});
            }
        } else {
            sh.setText(base + 4, 1, day);
            sh.merge({base + 4, 1, base + 3 + W, 1});
            for (const Blk& b : blocks) {
                sh.setText(base + 3 + b.first, 2, labels[b.section]);
                sh.merge({base + 3 + b.first, 2, base + 3 + b.last, 2});
            }
        }
        for (int r = 1; r <= W; ++r) {
            const RunEntry& e = run[static_cast<std::size_t>(r - 1)];
            if (across) {
                const int col = base + 1 + r;
                if (!e.pub) {
                    sh.setNumber(5, col, e.k);
                    sh.columnWidth(col, t.c);
                } else {
                    const Range slot{5, col, std::max(5, lastEntity), col};
                    sh.setText(5, col, s.PublicTime[static_cast<std::size_t>(e.k)]);
                    sh.merge(slot);
                    sh.fontSize(slot, 8);
                    sh.vertical(slot);
                    sh.valign(slot, VAlign::Distributed);
                    sh.indent(slot, 1);
                    sh.columnWidth(col, t.c / 2);
                }
            } else {
                const int row = base + 3 + r;
                if (!e.pub) {
                    sh.setNumber(row, 3, e.k);
                } else {
                    const Range slot{row, 4, row, std::max(4, lastEntity)};
                    sh.setText(row, 4, s.PublicTime[static_cast<std::size_t>(e.k)]);
                    sh.merge(slot);
                    sh.fontSize(slot, 8);
                    sh.align(slot, HAlign::Distributed);
                    sh.indent(slot, 1);
                }
            }
        }
    }
    if (across) {
        sh.columnWidth(1, 8);
    } else {
        const int lastSlotRow = s.theDay * W + 3;
        for (const Range& rg : {Range{4, 1, lastSlotRow, 3}, Range{3, 4, 3, std::max(4, lastEntity)}}) {
            sh.valign(rg, VAlign::Distributed);
            sh.vertical(rg);
            sh.indent(rg, 1);
        }
        sh.rowHeight(3, 67.5);
        for (int c = 1; c <= 3; ++c)
            sh.columnWidth(c, 2);
        for (int i = 1; i <= n; ++i)
            sh.columnWidth(i + 3, t.c);
    }
    if (assignments) {
        sh.setText(3, L, "节数\n合计");
        sh.merge({3, L, t.Y, L});
        sh.wrap({3, L, t.Y, L});
        if (!across) {
            sh.setText(Z, 1, "节数合计");
            sh.merge({Z, 1, Z, 3});
        }
    }
    const Range table{3, 1, Z, L};
    sh.bordersInsideHorizontal(table, 1);
    sh.bordersInsideVertical(table, 1);
    sh.borderAround(table, 2);
}

void pageSetup(Sheet& sh, const SchoolExportOptions& o, const SchoolTableShape& t)
{
    PageSetup& pg = sh.page;
    pg.paper = o.paper == "A4" ? Paper::A4 : Paper::A3;
    pg.landscape = true;
    pg.centerH = true;
    pg.left = pg.right = 28.35;
    pg.top = pg.bottom = 42.52;
    pg.header = pg.footer = 36.85;
    // A table longer or wider than a page repeats its headings and names on every page.
    pg.titleRow1 = 3;
    pg.titleRow2 = t.Y;
    pg.titleCol1 = 1;
    pg.titleCol2 = t.X;
}

}  // namespace

bool exportSchoolTable(const model::School& s, const KbGrids& g, const SchoolExportOptions& o, Workbook& out,
                       const Progress& progress)
{
    const bool assignments = o.kind == SchoolTable::Assignments;
    const bool across = o.layout != 2;
    const SchoolTableShape t = schoolTableShape(s, o);
    const std::vector<RunEntry> run = dayRun(s);
    Sheet& sh = out.add(schoolTableTitle(s, o.kind));
    frame(sh, s, o, t, run);
    pageSetup(sh, o, t);

    const int J = s.P();
    const model::Array2<int>& grid = assignments ? *g.tea : *g.ban;
    const bool differentFace = o.font1 != o.font2, differentSize = o.size1 != o.size2;
    std::vector<int> perSlot(static_cast<std::size_t>(s.theDay * t.W + 1), 0);
    int sum = 0;
    if (progress && !progress(0, t.n))
        return false;
    for (int i = 1; i <= t.n; ++i) {
        const auto& names = assignments ? s.TeaName : s.BanName;
        if (across)
            sh.setText(i + 5, 1, at(names, i));
        else
            sh.setText(3, i + 3, at(names, i));
        int week = 0;
        for (int d = 1; d <= s.theDay; ++d) {
            for (int r = 1; r <= t.W; ++r) {
                const RunEntry& e = run[static_cast<std::size_t>(r - 1)];
                if (e.pub)
                    continue;
                const int slot = model::slotOf(d, e.k, J);
                const int a = grid.inside(i, slot) ? grid(i, slot) : -1;
                const model::Renke rk = s.renke(a);
                if (!rk.real)
                    continue;
                const int pos = (d - 1) * t.W + r;
                ++week;
                ++perSlot[static_cast<std::size_t>(pos)];
                const std::string ke = o.showKe ? at(o.keShort ? s.KemuName2 : s.KemuName, rk.ke) : std::string();
                std::string second;
                if (o.showName)
                    second = assignments ? at(s.BanName, rk.ban) : at(o.nameShort ? s.TeaName2 : s.TeaName, rk.tea);
                const int row = across ? i + 5 : pos + 3;
                const int col = across ? pos + 1 : i + 3;
                if (o.showKe && o.showName) {
                    if (!ke.empty() && !second.empty() && (differentFace || differentSize)) {
                        sh.setRuns(row, col, {{ke, o.font1, double(o.size1)},
                                              {"\n" + second, differentFace ? o.font2 : o.font1,
                                               double(differentSize ? o.size2 : o.size1)}});
                    } else {
                        sh.setText(row, col, ke + "\n" + second);
                    }
                } else if (o.showKe || o.showName) {
                    sh.setText(row, col, o.showKe ? ke : second);
                }
            }
        }
        if (assignments) {
            if (across)
                sh.setNumber(i + 5, t.L, week);
            else
                sh.setNumber(t.Z, i + 3, week);
            sum += week;
        }
        if (progress && !progress(i, t.n))
            return false;
    }
    if (assignments) {
        for (int pos = 1; pos < static_cast<int>(perSlot.size()); ++pos) {
            const int count = perSlot[static_cast<std::size_t>(pos)];
            if (count <= 0)
                continue;
            if (across)
                sh.setNumber(t.n + 6, pos + 1, count);
            else
                sh.setNumber(pos + 3, t.n + 4, count);
        }
        sh.setNumber(t.Z, t.L, sum);
    }
    return true;
}

}  // namespace tavrin::spreadsheet
