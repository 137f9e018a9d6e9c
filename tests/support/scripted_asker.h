// An Asker for screen tests: it records every message and question the screens show and
// answers from a queue the test fills beforehand. A question with no queued answer of its
// kind is recorded in `unexpected` and gets the cancelling answer, so a test sees it.
#pragma once

#include <QString>
#include <QStringList>

#include <deque>
#include <optional>
#include <variant>
#include <vector>

#include "ui/asker.h"

namespace tavrin::testing {

class ScriptedAsker : public ui::Asker {
public:
    enum class Kind { Inform, Ask, Save, Text, OpenFile, SaveFile };
    struct Shown {
        Kind kind;
        QString title;
        QString text;
        ui::Buttons buttons = ui::Buttons::Ok;
    };
    struct FileReply {
        QString name;
    };
    using Reply = std::variant<ui::Answer, ui::SaveAnswer, std::optional<QString>, FileReply>;

    std::vector<Shown> shown;
    std::deque<Reply> replies;
    QStringList unexpected;

    ScriptedAsker& answer(ui::Answer a)
    {
        replies.emplace_back(a);
        return *this;
    }
    ScriptedAsker& answerSave(ui::SaveAnswer a)
    {
        replies.emplace_back(a);
        return *this;
    }
    ScriptedAsker& answerText(std::optional<QString> t)
    {
        replies.emplace_back(std::move(t));
        return *this;
    }
    ScriptedAsker& answerFile(QString name)
    {
        replies.emplace_back(FileReply{std::move(name)});
        return *this;
    }

    // The texts shown, in order.
    QStringList texts() const
    {
        QStringList out;
        for (const auto& s : shown)
            out << s.text;
        return out;
    }
    QStringList titles() const
    {
        QStringList out;
        for (const auto& s : shown)
            out << s.title;
        return out;
    }
    // Every queued answer was used and nothing was asked without one.
    bool done() const { return replies.empty() && unexpected.isEmpty(); }
    void clear()
    {
        shown.clear();
        replies.clear();
        unexpected.clear();
    }

    void inform(const QString& text, const QString& title, ui::Icon) override
    {
        shown.push_back({Kind::Inform, title, text});
    }

    ui::Answer ask(const QString& text, const QString& title, ui::Buttons buttons, ui::Icon) override
    {
        shown.push_back({Kind::Ask, title, text, buttons});
        if (auto* a = next<ui::Answer>(text))
            return *a;
        return buttons == ui::Buttons::YesNo ? ui::Answer::No : ui::Answer::Cancel;
    }

    ui::SaveAnswer askSave(const QString& title, const QString& text) override
    {
        shown.push_back({Kind::Save, title, text});
        if (auto* a = next<ui::SaveAnswer>(text))
            return *a;
        return ui::SaveAnswer::Cancel;
    }

    std::optional<QString> askText(const QString& title, const QString& label, const QString&) override
    {
        shown.push_back({Kind::Text, title, label});
        if (auto* a = next<std::optional<QString>>(label))
            return *a;
        return std::nullopt;
    }

    QString openFileName(const QString& title, const QString& filter) override
    {
        shown.push_back({Kind::OpenFile, title, filter});
        if (auto* a = next<FileReply>(title))
            return a->name;
        return {};
    }

    QString saveFileName(const QString& title, const QString& filter) override
    {
        shown.push_back({Kind::SaveFile, title, filter});
        if (auto* a = next<FileReply>(title))
            return a->name;
        return {};
    }

    // Where the *At dialogs were asked to start, in order.
    QStringList starts;
    QString openFileNameAt(const QString& title, const QString& filter, const QString& start) override
    {
        starts << start;
        return openFileName(title, filter);
    }
    QString saveFileNameAt(const QString& title, const QString& filter, const QString& start) override
    {
        starts << start;
        return saveFileName(title, filter);
    }

private:
    std::optional<Reply> current_;

    template <class T>
    const T* next(const QString& what)
    {
        if (replies.empty() || !std::holds_alternative<T>(replies.front())) {
            unexpected << what;
            return nullptr;
        }
        current_ = replies.front();
        replies.pop_front();
        return &std::get<T>(*current_);
    }
};

}  // namespace tavrin::testing
