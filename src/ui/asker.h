// Every message box, question and file dialog of the program goes through an Asker, so
// that a screen's flow can run in a test with scripted answers instead of a person.
#pragma once

#include <QString>

#include <optional>

namespace tavrin::users {
struct Session;
}

namespace tavrin::ui {

enum class Icon { Information, Question, Warning, Critical };
enum class Buttons { Ok, OkCancel, YesNo, YesNoCancel };
enum class Answer { Ok, Cancel, Yes, No };
// The three answers of the save question; Cancel also when it is closed any other way.
enum class SaveAnswer { Save, NoSave, Cancel };

class Asker {
public:
    virtual ~Asker() = default;

    // A message with an OK button. An empty title shows the program's name.
    virtual void inform(const QString& text, const QString& title = {}, Icon icon = Icon::Information) = 0;

    // A question; a box closed without a choice answers Cancel (or No for Yes/No boxes).
    virtual Answer ask(const QString& text, const QString& title, Buttons buttons, Icon icon = Icon::Question) = 0;

    // The save question (`TFrmMsgbox`): "保存(&S)", "不保存(&N)", "取消(&C)", the last the default.
    virtual SaveAnswer askSave(const QString& title, const QString& text) = 0;

    // One line of text; nullopt when cancelled.
    virtual std::optional<QString> askText(const QString& title, const QString& label, const QString& initial = {}) = 0;

    // File dialogs; an empty string when nothing was chosen. `filter` in Qt's form, for
    // example "排课备份文件 (*.wkt)". The save dialog asks before replacing a file.
    virtual QString openFileName(const QString& title, const QString& filter) = 0;
    virtual QString saveFileName(const QString& title, const QString& filter) = 0;
    // The same, starting at `start`: a folder, or a file to offer (its folder and name).
    virtual QString openFileNameAt(const QString& title, const QString& filter, const QString& start)
    {
        (void)start;
        return openFileName(title, filter);
    }
    virtual QString saveFileNameAt(const QString& title, const QString& filter, const QString& start)
    {
        (void)start;
        return saveFileName(title, filter);
    }
};

// The read-only gate of every command that changes data: a viewer is told
// "以“浏览者”身份登陆时不能修改数据。" and the command must stop (true is returned).
bool refuseViewer(const users::Session& session, Asker& asker);

// The filter of the backup and restore dialogs.
inline const char* const kBackupFilter = "排课备份文件 (*.wkt)";

}  // namespace tavrin::ui
