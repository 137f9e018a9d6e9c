// tavrin: the window program.
//
//   tavrin [--db PATH] [--page N --grab OUT.png]
//
// Without --db the school file is db.dat beside the executable. --page/--grab opens page N
// (0 home, 1..5 the steps, 6 class timetable, 7 whole-school timetable, 8 assignment table,
// 9 the cover page)
// after an automatic login, saves a picture of the window and ends; when the login would
// need a password, the picture is of the login dialog instead.
#include <QApplication>
#include <QCommandLineParser>
#include <QEventLoop>
#include <QPixmap>
#include <QTimer>

#include <cstdio>
#include <filesystem>

#include "app/home.h"
#include "main/form1.h"
#include "store/store.h"
#include "ui/fonts.h"
#include "ui/style.h"
#include "ui/page.h"
#include "main/startup.h"
#include "ui/widget_asker.h"
#include "users/ui/frmlogin.h"
#include "users/users.h"

namespace fs = std::filesystem;
using namespace tavrin;

namespace {

// Lets the window settle (layout, first paint) before it is rendered into a picture.
void settle()
{
    for (int i = 0; i < 3; ++i) {
        QEventLoop loop;
        QTimer::singleShot(30, &loop, &QEventLoop::quit);
        loop.exec();
    }
}

int grab(QWidget* w, const QString& out, mainwin::TForm1* form = nullptr)
{
    // The picture shows the window as it opens: wherever the display's pointer happens to
    // be, its hover must not change the status line.
    const QString status = form ? form->status() : QString();
    w->show();
    w->raise();
    settle();
    if (form)
        form->setStatus(status);
    settle();
    QPixmap pm = w->grab();
    if (!pm.save(out, "PNG")) {
        std::fprintf(stderr, "无法保存图片：%s\n", qUtf8Printable(out));
        return 1;
    }
    return 0;
}

}  // namespace

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Tavrin"));
    QApplication::setApplicationVersion(QStringLiteral("10.1"));
    ui::useChineseFont(app);
    ui::useKitStyle(app);
    ui::useChineseQtTexts(app);

    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral("Tavrin 排课系统"));
    parser.addHelpOption();
    QCommandLineOption dbOpt(QStringLiteral("db"), QStringLiteral("数据库文件（默认：程序目录下的 db.dat）"),
                             QStringLiteral("PATH"));
    QCommandLineOption pageOpt(QStringLiteral("page"), QStringLiteral("截图时打开的页面 0..9"), QStringLiteral("N"));
    QCommandLineOption grabOpt(QStringLiteral("grab"), QStringLiteral("把窗口保存为 PNG 图片后退出"),
                               QStringLiteral("OUT.png"));
    parser.addOption(dbOpt);
    parser.addOption(pageOpt);
    QCommandLineOption sizeOpt(QStringLiteral("size"), QStringLiteral("截图时的窗口大小，例如 960x640"),
                               QStringLiteral("WxH"));
    parser.addOption(grabOpt);
    parser.addOption(sizeOpt);
    parser.process(app);

    const bool grabbing = parser.isSet(grabOpt);
    int pageNo = 0;
    if (parser.isSet(pageOpt)) {
        bool ok = false;
        pageNo = parser.value(pageOpt).toInt(&ok);
        if (!ok || pageNo < 0 || pageNo > 9) {
            std::fprintf(stderr, "页面编号应为 0 到 9：%s\n", qUtf8Printable(parser.value(pageOpt)));
            return 1;
        }
    }

    // Nobody answers questions while a picture is taken.
    ui::QuietAsker quiet;
    ui::WidgetAsker boxes(nullptr);
    ui::Asker& asker = grabbing ? static_cast<ui::Asker&>(quiet) : boxes;

    const ui::StartupFile file = ui::openSchoolFile(
        parser.value(dbOpt), fs::path(QCoreApplication::applicationDirPath().toStdString()), asker);
    if (!file.ok)
        return 1;

    try {
        store::Store store(file.path, file.readOnly ? store::Store::Mode::ReadOnly : store::Store::Mode::OpenExisting);
        mainwin::TForm1::Options options;
        if (grabbing)
            options.asker = &quiet;
        mainwin::TForm1 w(store, options);

        if (!grabbing) {
            if (!w.runLogin())
                return 0;
            w.show();
            // Over the window, before the user can do anything with a school read in part.
            w.tellRowsNotLoaded();
            return app.exec();
        }

        const QString out = parser.value(grabOpt);
        auto rows = users::loadUsers(store);
        if (!users::isAutoLogin(rows)) {
            auto* dlg = w.frmLogin();
            dlg->prepare();
            return grab(dlg, out);
        }
        users::autoLogin(rows, w.session());
        w.setUserLabel(QString::fromUtf8(users::kDefaultUser) + QStringLiteral("（操作员）"));
        const QStringList wh = parser.value(sizeOpt).split(QLatin1Char('x'));
        if (wh.size() == 2)
            w.resize(wh[0].toInt(), wh[1].toInt());
        w.show();
        if (pageNo >= 1 && pageNo <= 5)
            w.openStep(pageNo);
        else if (pageNo == 9)
            w.openCover();
        else if (pageNo >= 6)
            w.openTimetable(pageNo == 6 ? ui::KbBan : pageNo == 7 ? ui::KbAll : ui::KbRenke);
        if (w.currentIndex() != (pageNo == 0 ? 0 : pageNo)) {
            std::fprintf(stderr, "页面 %d 现在打不开（前面的步骤还没有数据）。\n", pageNo);
            return 1;
        }
        return grab(&w, out, &w);
    } catch (const std::exception& e) {
        asker.inform(QString::fromUtf8(e.what()), QStringLiteral("Tavrin"), ui::Icon::Critical);
        return 1;
    }
}
