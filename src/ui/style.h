// The screen kit's look on top of the platform's style.
#pragma once

class QApplication;

namespace tavrin::ui {

// Wraps the application's style so that what is drawn too faintly by it reads clearly:
// an unchecked check box gets a frame dark enough (above 4.5:1) on white and on the
// window's grey.
void useKitStyle(QApplication& app);

}  // namespace tavrin::ui
