// The picture programs' window: the school file copied aside, so a picture never writes to
// the file it is given, and the main window on the copy with a quiet asker, signed in, shown
// at the size asked for in the top-left corner of the screen.
#pragma once

#include <QFile>
#include <QSize>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>

#include <memory>
#include <optional>

#include "main/form1.h"
#include "store/store.h"
#include "ui/widget_asker.h"
#include "users/users.h"

namespace tavrin::testing {

struct ShotWindow {
    QTemporaryDir dir;
    std::unique_ptr<store::Store> store;
    ui::QuietAsker quiet;
    std::unique_ptr<mainwin::TForm1> w;

    bool open(const QString& school, QSize size)
    {
        const QString copy = dir.filePath(QStringLiteral("db.dat"));
        if (!QFile::copy(school, copy))
            return false;
        store = std::make_unique<store::Store>(copy.toStdString());
        mainwin::TForm1::Options options;
        options.asker = &quiet;
        w = std::make_unique<mainwin::TForm1>(*store, options);
        users::autoLogin(users::loadUsers(*store), w->session());
        w->resize(size);
        w->move(0, 0);
        w->show();
        return true;
    }
};

// "960x640" as a window size; nothing for any other text.
inline std::optional<QSize> shotSize(const QString& text)
{
    const QStringList wh = text.split('x');
    if (wh.size() != 2)
        return std::nullopt;
    return QSize(wh[0].toInt(), wh[1].toInt());
}

}  // namespace tavrin::testing
