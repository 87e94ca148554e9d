#pragma once
// The tests' stand-in for the user: a prompt that answers from a script and records every
// message and dialog it was shown, so a test asserts what the user would have seen.

#include "shell/prompt.h"

#include <QColor>
#include <QStringList>
#include <deque>
#include <functional>
#include <optional>
#include <vector>

namespace qrn {

// A prompt that answers from a script and records what was asked, for the tests. Without a scripted answer a message gets the affirmative answer
// of its buttons (Ok or Yes), an input or dialog gets the cancel answer.
class ScriptedPrompt : public Prompt {
public:
    struct Shown {
        enum class Kind { Message, Input, Folder, OpenFile, SaveFile, Color, Printer } kind;
        QString text;
        QString title;
        Icon icon = Icon::None;
        Buttons buttons = Buttons::Ok;
    };

    void answer(Answer a) { m_answers.push_back(a); }
    void answerInput(const std::optional<QString> &text) { m_inputs.push_back(text); }
    void answerFolder(const QString &folder) { m_folders.push_back(folder); }
    void answerFile(const QString &path) { m_files.push_back(path); }
    void answerColor(const std::optional<QColor> &c) { m_colors.push_back(c); }
    // A printer choice: sets the printer up (for example to a PDF file); true means printed.
    void answerPrinter(std::function<bool(QPrinter &)> choose) { m_printers.push_back(std::move(choose)); }
    void answerPrinter(bool accept)
    {
        answerPrinter([accept](QPrinter &) { return accept; });
    }

    Answer message(const QString &text, const QString &title, Icon icon, Buttons buttons) override;
    std::optional<QString> input(const QString &prompt, const QString &title, const QString &defaultText) override;
    QString browseFolder(const QString &title) override;
    QString openFile(const QString &title, const QString &folder, const QString &filter) override;
    QString saveFile(const QString &title, const QString &folder, const QString &filter) override;
    std::optional<QColor> chooseColor(const QColor &initial) override;
    bool choosePrinter(QPrinter &printer) override;
    void setBusy(bool busy) override { m_busy = busy; }

    // Long work as the prompt saw it: what was announced, every step reported, whether it ended.
    struct Progress {
        QString text;
        int total = 0;
        std::vector<int> steps;
        bool ended = false;
        bool cancelled = false; // this prompt answered "stop"
    };
    // The user presses "Annulla" at the n-th step reported (from 1, counted over every piece of
    // work from now on); 0 never.
    void cancelProgressAtStep(int n)
    {
        m_cancelAt = n;
        m_stepCount = 0;
    }
    void beginProgress(const QString &text, int total) override;
    bool progress(int done) override;
    void endProgress() override;
    const std::vector<Progress> &progressShown() const { return m_progress; }

    const std::vector<Shown> &shown() const { return m_shown; }
    QStringList messages() const; // texts of the message boxes shown, in order
    bool showed(const QString &text) const { return messages().contains(text); }
    bool busy() const { return m_busy; }
    void clear() { m_shown.clear(); }

private:
    std::vector<Shown> m_shown;
    std::deque<Answer> m_answers;
    std::deque<std::optional<QString>> m_inputs;
    std::deque<QString> m_folders;
    std::deque<QString> m_files;
    std::deque<std::optional<QColor>> m_colors;
    std::deque<std::function<bool(QPrinter &)>> m_printers;
    bool m_busy = false;
    std::vector<Progress> m_progress;
    int m_openProgress = 0;
    int m_cancelAt = 0;
    int m_stepCount = 0;
};

} // namespace qrn
