// The Chinese interface font, set for the whole application.
#pragma once

class QApplication;

namespace tavrin::ui {

// Makes Noto Sans CJK SC the application font (loading it from the system's font folder
// when the font database does not list it, as under some offscreen platforms). Returns
// false when no CJK font could be found; Qt's fallback then decides.
bool useChineseFont(QApplication& app);

}  // namespace tavrin::ui
