// The Chinese interface: its font and Qt's own texts, set for the whole application.
#pragma once

class QApplication;
class QTranslator;

namespace tavrin::ui {

// Makes Noto Sans CJK SC the application font (loading it from the system's font folder
// when the font database does not list it, as under some offscreen platforms). Returns
// false when no CJK font could be found; Qt's fallback then decides.
bool useChineseFont(QApplication& app);

// Makes Chinese the default locale and Qt's own texts (file dialogs, the text boxes' context
// menus, standard buttons) Chinese, from Qt's installed `qtbase_zh_CN`. Returns the
// translator installed (owned by `app`), or nullptr when the translations are not installed:
// those texts then stay in English and nothing else changes.
QTranslator* useChineseQtTexts(QApplication& app);

}  // namespace tavrin::ui
