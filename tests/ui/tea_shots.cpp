// tea_shots SCHOOL OUTDIR WIDTHxHEIGHT: pictures of the teacher page on a copy of a school
// file, the window at that size (run under xvfb-run, not a test):
//   step4-teachers-WxH.png  the teacher grid with its assignment texts, the chip strip open on
//                           a selected teacher, and the unassigned list (the first teachers'
//                           assignments taken back, so that it has class rows) with its hint;
//   step4-drop-WxH.png      the periods dialog shown by a drop of a list row on a teacher.
// tea_shots --measure SCHOOL: a drop through the page (the entry added, the teacher's text,
// the unassigned list rebuilt at its scroll position, the strip), averaged over 100 drops.
#include <QApplication>
#include <QCursor>
#include <QDir>
#include <QElapsedTimer>
#include <QMimeData>
#include <QPainter>
#include <QPushButton>
#include <QScreen>
#include <QSpinBox>

#include <cstdio>
#include <memory>

#include "entry/teachers.h"
#include "entry/ui/teapage.h"
#include "main/form1.h"
#include "store/store.h"
#include "support/shot_window.h"
#include "support/shots.h"
#include "ui/fonts.h"
#include "ui/style.h"
#include "ui/widget_asker.h"
#include "users/users.h"

using namespace tavrin;
using entry::ui::TeaModel;
using entry::ui::TeaPage;
using entry::ui::TfrmJieshu;
using testing::saveShot;
using testing::settle;

namespace {

struct Open {
    testing::ShotWindow shot;
    std::unique_ptr<mainwin::TForm1>& w = shot.w;
    TeaPage* page = nullptr;

    bool open(const QString& school, QSize size)
    {
        if (!shot.open(school, size))
            return false;
        w->openStep(4);
        page = dynamic_cast<TeaPage*>(w->page(4));
        return page && page->model()->rowCount() >= 3;
    }
    // Gives the first `n` teachers' periods back to the list.
    void takeBack(int n)
    {
        auto& d = page->draft();
        for (int r = 0; r < n; ++r)
            for (const auto& c : entry::chips(d, d.rows[static_cast<std::size_t>(r)].id))
                entry::deleteChip(d, c.entry);
        page->refreshAfterImport();
    }
    // The first subject row of the list.
    int firstSubjectRow() const
    {
        const auto& rows = page->renkeModel()->rows();
        for (std::size_t i = 0; i < rows.size(); ++i)
            if (!rows[i].isClass)
                return static_cast<int>(i);
        return -1;
    }
    void drop(int listRow, int teaRow)
    {
        std::unique_ptr<QMimeData> m(page->renkeModel()->mimeData({page->renkeModel()->index(listRow, 0)}));
        page->model()->dropMimeData(m.get(), Qt::CopyAction, -1, -1, page->model()->index(teaRow, TeaModel::kName));
        QCoreApplication::processEvents();
    }
};

int measure(const QString& school)
{
    Open o;
    if (!o.open(school, {1920, 1080}))
        return 1;
    o.takeBack(o.page->model()->rowCount());
    settle();
    int answer = 1;
    o.page->setDialogRunner([&](QDialog& d) {
        auto& j = dynamic_cast<TfrmJieshu&>(d);
        j.edtJieshu()->setValue(std::min(answer, j.edtJieshu()->maximum()));
        j.btn1()->click();
    });
    const int rounds = 100;
    QElapsedTimer t;
    qint64 total = 0;
    for (int i = 0; i < rounds; ++i) {
        const int row = o.firstSubjectRow();
        if (row < 0)
            break;
        std::unique_ptr<QMimeData> m(o.page->renkeModel()->mimeData({o.page->renkeModel()->index(row, 0)}));
        const int tea = i % o.page->model()->rowCount();
        t.start();
        o.page->model()->dropMimeData(m.get(), Qt::CopyAction, -1, -1, o.page->model()->index(tea, TeaModel::kName));
        QCoreApplication::processEvents();
        total += t.nsecsElapsed();
    }
    const auto& d = o.page->draft();
    std::printf("drop on a teacher through the page, %d teachers, %d entries, %d list rows: %.3f ms\n",
                o.page->model()->rowCount(), d.RenKeNum, o.page->renkeModel()->rowCount(),
                double(total) / 1e6 / rounds);
    return 0;
}

}  // namespace

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    ui::useChineseFont(app);
    ui::useKitStyle(app);
    if (argc == 3 && QString::fromLocal8Bit(argv[1]) == QStringLiteral("--measure"))
        return measure(QString::fromLocal8Bit(argv[2]));
    if (argc < 4) {
        std::fprintf(stderr, "tea_shots SCHOOL OUTDIR WIDTHxHEIGHT\n");
        return 2;
    }
    const QDir out(QString::fromLocal8Bit(argv[2]));
    const QString size = QString::fromLocal8Bit(argv[3]);
    const auto wh = testing::shotSize(size);
    if (!wh)
        return 2;
    Open o;
    if (!o.open(QString::fromLocal8Bit(argv[1]), *wh))
        return 1;
    o.takeBack(2);
    settle();

    // The strip on the third teacher, the hint over the list.
    o.page->selectRow(2);
    QEvent enter(QEvent::Enter);
    QApplication::sendEvent(o.page->lvRenke()->viewport(), &enter);
    if (!saveShot(*o.w, out.filePath(QStringLiteral("step4-teachers-%1.png").arg(size))))
        return 1;
    QEvent leave(QEvent::Leave);
    QApplication::sendEvent(o.page->lvRenke()->viewport(), &leave);

    // A drop on the second teacher: the dialog beside the pointer, over the window. Pressing
    // the list row has taken the selection away.
    o.page->selectRow(-1);
    const QRect target = o.page->lvtea()->visualRect(o.page->model()->index(1, TeaModel::kName));
    QCursor::setPos(o.page->lvtea()->viewport()->mapToGlobal(target.center()) + QPoint(180, 60));
    bool shot = false;
    o.page->setDialogRunner([&](QDialog& d) {
        d.show();
        settle();
        QPixmap picture = o.w->grab();
        QPainter p(&picture);
        p.drawPixmap(o.w->mapFromGlobal(d.frameGeometry().topLeft()), d.grab());
        p.end();
        shot = picture.save(out.filePath(QStringLiteral("step4-drop-%1.png").arg(size)), "PNG");
        if (shot)
            std::printf("%s\n", qUtf8Printable(out.filePath(QStringLiteral("step4-drop-%1.png").arg(size))));
        d.reject();
    });
    const int row = o.firstSubjectRow();
    if (row < 0)
        return 1;
    o.drop(row, 1);
    return shot ? 0 : 1;
}
