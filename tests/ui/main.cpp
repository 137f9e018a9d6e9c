// Runs the screen test classes: `ui_tests` runs all, `ui_tests ShellTest [QtTest args]` one.
#include <QApplication>
#include <QtTest>

#include <memory>
#include <vector>

#include "ui/fonts.h"
#include "ui/style.h"
#include "ui_tests.h"

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    tavrin::ui::useChineseFont(app);
    tavrin::ui::useKitStyle(app);
    std::vector<std::unique_ptr<QObject>> all;
    all.emplace_back(std::make_unique<ShellTest>());
    all.emplace_back(std::make_unique<HomeTest>());
    all.emplace_back(std::make_unique<StoreCommandsTest>());
    all.emplace_back(std::make_unique<UsersUiTest>());
    all.emplace_back(std::make_unique<StartupTest>());

    QStringList args = app.arguments();
    QString only;
    if (args.size() > 1 && !args[1].startsWith('-')) {
        only = args[1];
        args.removeAt(1);
    }
    int failed = 0;
    bool ran = false;
    for (auto& t : all) {
        if (!only.isEmpty() && only != QString::fromUtf8(t->metaObject()->className()))
            continue;
        ran = true;
        failed += QTest::qExec(t.get(), args);
    }
    if (!ran) {
        qWarning("no test class named %s", qPrintable(only));
        return 1;
    }
    return failed == 0 ? 0 : 1;
}
