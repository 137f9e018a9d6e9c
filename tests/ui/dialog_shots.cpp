// dialog_shots DB OUT.png WIDTHxHEIGHT: a picture of the file dialog of 恢复数据 as the
// operator sees it over the window of that size, Qt's own texts in Chinese. Run under
// xvfb-run: the picture is taken from the screen, the dialog being a window of its own.
#include <QApplication>
#include <QEventLoop>
#include <QFileDialog>
#include <QPixmap>
#include <QScreen>
#include <QTimer>

#include <cstdio>

#include "main/form1.h"
#include "store/store.h"
#include "ui/fonts.h"
#include "ui/style.h"
#include "users/users.h"

using namespace tavrin;

namespace {

void settle(int rounds)
{
    for (int i = 0; i < rounds; ++i) {
        QEventLoop loop;
        QTimer::singleShot(30, &loop, &QEventLoop::quit);
        loop.exec();
    }
}

}  // namespace

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    ui::useChineseFont(app);
    ui::useKitStyle(app);
    ui::useChineseQtTexts(app);
    const QStringList wh = argc == 4 ? QString::fromLocal8Bit(argv[3]).split(QLatin1Char('x')) : QStringList();
    if (wh.size() != 2) {
        std::fprintf(stderr, "dialog_shots DB OUT.png WIDTHxHEIGHT\n");
        return 2;
    }
    const QString out = QString::fromLocal8Bit(argv[2]);
    store::Store store(argv[1]);
    mainwin::TForm1 w(store);
    users::autoLogin(users::loadUsers(store), w.session());
    w.setUserLabel(QString::fromUtf8(users::kDefaultUser) + QStringLiteral("（操作员）"));
    w.resize(wh[0].toInt(), wh[1].toInt());
    w.move(0, 0);
    w.show();
    settle(3);
    bool saved = false;
    bool seen = false;
    QTimer::singleShot(0, [&] {
        QTimer::singleShot(400, [&] {
            auto* dialog = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
            if (dialog) {
                seen = true;
                QApplication::processEvents();
                const QRect area = w.frameGeometry().united(dialog->frameGeometry());
                saved = w.screen()->grabWindow(0, area.x(), area.y(), area.width(), area.height()).save(out, "PNG");
                dialog->reject();
            }
        });
        w.restoreData();
    });
    settle(20);
    if (!seen)
        std::fprintf(stderr, "没有出现文件对话框。\n");
    else if (!saved)
        std::fprintf(stderr, "无法保存图片：%s\n", qUtf8Printable(out));
    return seen && saved ? 0 : 1;
}
