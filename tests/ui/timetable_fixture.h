// The small school of the class and teacher page tests and a window showing page 6 alone.
#pragma once

#include <QAction>
#include <QString>
#include <QtTest>

#include <memory>

#include "main/form1.h"
#include "spreadsheet/ui/tfrmprkb.h"
#include "store/store.h"
#include "support/scripted_asker.h"
#include "support/uitest.h"
#include "timetable/ui/timetablepage.h"
#include "ui/kbgrid.h"
#include "ui/widgets.h"
#include "users/users.h"

namespace tavrin::testing {

using timetable::ui::KbGrid;
using timetable::ui::TimetablePage;

// The grid's layout as the page set it: 2 when the days are rows.
inline int layoutOf(const KbGrid* g)
{
    return g->geometry().daysAsRows ? 2 : 1;
}

inline const QString kHint = QStringLiteral("提示：选择“表格样式”，选择一种自己习惯的课程表格式进行操作和打印。");
inline const QString kViewer = QStringLiteral("以“浏览者”身份登陆时不能修改数据。");

// Monday to Wednesday, 2 + 2 + 1 periods (P = 5, N = 15; slot = (day - 1) * 5 + period),
// period 1 at "08:00-08:45". Classes 初一(1)班, 初一(2)班, 初二(1)班; teachers 张老师,
// 李老师, 王老师.
//   r0 张老师 语文 初一(1)班 3   slots 1 6 11
//   r1 张老师 语文 初一(2)班 3   slots 2 7 12
//   r2 李老师 数学 初一(1)班 2   slot 2 (one lesson waits)
//   r3 王老师 体育 初二(1)班 2   slots 3 8
// 初一(1)班 has 班会 on Monday period 5 and "无课" on Tuesday period 5.
inline void fillSchool(store::Store& s)
{
    s.transaction([&] {
        s.run("INSERT INTO jibd(jiid, jiname) VALUES(1, '初一'), (2, '初二')");
        s.run("INSERT INTO banbd(banid, banname, jiid, islock) VALUES(1, '初一(1)班', 1, 0), (2, '初一(2)班', 1, 0),"
              " (3, '初二(1)班', 2, 0)");
        for (int w = 1; w <= 3; ++w)
            s.run("INSERT INTO daybd(dayid, dayname) VALUES(?1, '')", w);
        s.run("INSERT INTO jieshu(mor, aft, nig) VALUES(2, 2, 1)");
        s.run("INSERT INTO timebd(jieid, jietime) VALUES(1, '08:00-08:45')");
        s.run("INSERT INTO gudinbd(gudinid, gudinname, theday, thejie, theban) VALUES(1, '班会', 1, 5, 1),"
              " (2, '无课', 2, 5, 1)");
        s.run("INSERT INTO kemubd(kemuid, kemuname, kemuname2, maxjie, lianpai) VALUES(1, '语文', '语', 0, 0),"
              " (2, '数学', '数', 0, 0), (3, '体育', '体', 0, 0)");
        s.run("INSERT INTO teabd(teaid, teaname, teaname2, islock) VALUES(1, '张老师', '张', 0), (2, '李老师', '李', 0),"
              " (3, '王老师', '王', 0)");
        struct R {
            int tea, ban, ke, n;
        };
        const R rows[] = {{1, 1, 1, 3}, {1, 2, 1, 3}, {2, 1, 2, 2}, {3, 3, 3, 2}};
        int difid = 0;
        for (const auto& r : rows) {
            s.run("INSERT INTO renkebd(difid, teaid, banid, keid, jieshu, heban) VALUES(?1, ?2, ?3, ?4, ?5, 0)", difid++,
                  r.tea, r.ban, r.ke, r.n);
            s.run("INSERT INTO kemujieshu(kemuid, banid, jieshu) VALUES(?1, ?2, ?3)", r.ke, r.ban, r.n);
        }
        // (weekday, period, class, teacher, subject, score)
        s.run("INSERT INTO kechenbd(kechenid, theday, thejie, theban, thetea, theke, teshu) VALUES"
              " (1, 1, 1, 1, 1, 1, 30), (2, 2, 1, 1, 1, 1, 30), (3, 3, 1, 1, 1, 1, 1000),"
              " (4, 1, 2, 2, 1, 1, 30), (5, 2, 2, 2, 1, 1, 30), (6, 3, 2, 2, 1, 1, 30),"
              " (7, 1, 2, 1, 2, 2, 30), (8, 1, 3, 3, 3, 3, 30), (9, 2, 3, 3, 3, 3, 30)");
    });
}

struct KbWindow {
    ScriptedAsker asker;
    std::unique_ptr<mainwin::TForm1> w;
    TimetablePage* page = nullptr;

    explicit KbWindow(store::Store& st, int userType = users::Operator)
    {
        w = pageWindow(
            st, asker,
            [this](mainwin::TForm1::Options& o) {
                o.pages[6] = [this](ui::Shell& sh) {
                    page = new TimetablePage(sh);
                    return page;
                };
            },
            userType);
        w->resize(1100, 760);
        w->show();
    }
    mainwin::TForm1* operator->() const { return w.get(); }
    template <class T>
    T* find(const char* name) const
    {
        T* c = page->findChild<T*>(QString::fromUtf8(name));
        if (!c)
            qFatal("no control %s", name);
        return c;
    }
    KbGrid* grid() const { return page->grid(); }
    QString cell(int slot) const { return grid()->cell(slot).text; }
    QAction* act(const char* name) const { return page->action(name); }
};

// What the timetable export dialog ticks when it opens: read from the modal dialog by a
// zero timer started before the click that opens it, which then closes it.
struct ExportTicks {
    bool opened = false;
    QList<int> bans, teas;
    int layoutChecked = 0;  // the export layout checked (1 or 2)

    void readOnOpen()
    {
        QTimer::singleShot(0, [this] {
            auto* d = qobject_cast<spreadsheet::TfrmPrKb*>(QApplication::activeModalWidget());
            if (!d)
                return;
            opened = true;
            for (int row = 1; row < d->lvSelBan()->rowCount(); ++row)
                if (d->lvSelBan()->isChecked(row))
                    bans.push_back(d->lvSelBan()->value(row).toInt());
            for (int row = 1; row < d->lvSelTea()->rowCount(); ++row)
                if (d->lvSelTea()->isChecked(row))
                    teas.push_back(d->lvSelTea()->value(row).toInt());
            layoutChecked = d->btnGdType(1)->isChecked() ? 1 : d->btnGdType(2)->isChecked() ? 2 : 0;
            d->close();
        });
    }
};

inline int number(store::Store& s, const char* sql)
{
    return static_cast<int>(s.scalar(sql));
}

inline QString setting(store::Store& s)
{
    auto q = s.prepare("SELECT setVar FROM setting WHERE setName = '课表显示'");
    return q.step() ? QString::fromStdString(q.text(0)) : QString();
}


}  // namespace tavrin::testing
