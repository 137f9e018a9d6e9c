#include "ui/fonts.h"

#include <QApplication>
#include <QFile>
#include <QFont>
#include <QFontDatabase>
#include <QLibraryInfo>
#include <QLocale>
#include <QTranslator>

namespace tavrin::ui {

bool useChineseFont(QApplication& app)
{
    const QString family = QStringLiteral("Noto Sans CJK SC");
    bool have = QFontDatabase::families().contains(family);
    if (!have) {
        for (const char* f : {"/usr/share/fonts/opentype/noto/NotoSansCJK-Regular.ttc",
                              "/usr/share/fonts/opentype/noto-cjk/NotoSansCJK-Regular.ttc",
                              "/usr/share/fonts/noto-cjk/NotoSansCJK-Regular.ttc"}) {
            if (QFile::exists(QString::fromUtf8(f)) && QFontDatabase::addApplicationFont(QString::fromUtf8(f)) >= 0) {
                have = QFontDatabase::families().contains(family);
                if (have)
                    break;
            }
        }
    }
    if (!have)
        return false;
    QFont font(family);
    font.setPixelSize(14);
    font.setStyleHint(QFont::SansSerif);
    app.setFont(font);
    return true;
}

QTranslator* useChineseQtTexts(QApplication& app)
{
    const QLocale chinese(QLocale::Chinese, QLocale::China);
    QLocale::setDefault(chinese);
    auto* texts = new QTranslator(&app);
    if (!texts->load(chinese, QStringLiteral("qtbase"), QStringLiteral("_"),
                     QLibraryInfo::path(QLibraryInfo::TranslationsPath))) {
        delete texts;
        return nullptr;
    }
    QApplication::installTranslator(texts);
    return texts;
}

}  // namespace tavrin::ui
