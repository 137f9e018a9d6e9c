// The picture programs' two steps (run under xvfb-run, not tests): let the window settle,
// then save a widget's picture and print the file's name.
#pragma once

#include <QEventLoop>
#include <QString>
#include <QTimer>
#include <QWidget>

#include <cstdio>

namespace tavrin::testing {

inline void settle()
{
    for (int i = 0; i < 3; ++i) {
        QEventLoop loop;
        QTimer::singleShot(30, &loop, &QEventLoop::quit);
        loop.exec();
    }
}

inline bool saveShot(QWidget& w, const QString& file)
{
    settle();
    if (!w.grab().save(file, "PNG")) {
        std::fprintf(stderr, "无法保存图片：%s\n", qUtf8Printable(file));
        return false;
    }
    std::printf("%s\n", qUtf8Printable(file));
    return true;
}

}  // namespace tavrin::testing
