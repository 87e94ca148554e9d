#pragma once
// Every message box, input box and file, folder, colour or printer dialog of the program goes
// through this interface: Qt dialogs in the program, a scripted fake in tests and in the
// command-line tool.

#include <QColor>
#include <QString>
#include <QStringList>
#include <deque>
#include <functional>
#include <optional>
#include <vector>

class QPrinter;

namespace qrn {

enum class Icon { None, Information, Exclamation, Critical, Question };
enum class Buttons { Ok, OkCancel, YesNo, YesNoCancel };
enum class Answer { Ok, Cancel, Yes, No };

class Prompt {
public:
    virtual ~Prompt() = default;
    // A message box; an empty title means the program's name.
    virtual Answer message(const QString &text, const QString &title = QString(), Icon icon = Icon::None,
                           Buttons buttons = Buttons::Ok) = 0;
    // An input box; nullopt when cancelled.
    virtual std::optional<QString> input(const QString &prompt, const QString &title, const QString &defaultText) = 0;
    // The folder picker; the chosen folder ends with a separator, "" when cancelled.
    virtual QString browseFolder(const QString &title) = 0;
    // File dialogs; "" when cancelled. filter uses "Description|*.ext|Description|*.ext".
    virtual QString openFile(const QString &title, const QString &folder, const QString &filter) = 0;
    virtual QString saveFile(const QString &title, const QString &folder, const QString &filter) = 0;
    virtual std::optional<QColor> chooseColor(const QColor &initial) = 0;
    // The printer chooser: sets printer up as chosen; false when cancelled.
    virtual bool choosePrinter(QPrinter &printer)
    {
        (void)printer;
        return false;
    }
    // The busy (hourglass) pointer and the default one.
    virtual void setBusy(bool busy) = 0;
};

// Keeps the busy pointer on for as long as it lives, also when an operation ends early or
// throws; release() puts the normal pointer back sooner. A null prompt does nothing.
class BusyPointer {
public:
    explicit BusyPointer(Prompt *prompt) : m_prompt(prompt)
    {
        if (m_prompt)
            m_prompt->setBusy(true);
    }
    ~BusyPointer() { release(); }
    void release()
    {
        if (m_prompt)
            m_prompt->setBusy(false);
        m_prompt = nullptr;
    }
    BusyPointer(const BusyPointer &) = delete;
    BusyPointer &operator=(const BusyPointer &) = delete;

private:
    Prompt *m_prompt;
};

// A prompt that answers from a script and records what was asked; the tests and the
// command-line tool use it. Without a scripted answer a message gets the affirmative answer
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
};

// A prompt that writes messages to standard error and answers nothing interactively; used
// by the command-line tool.
class ConsolePrompt : public Prompt {
public:
    Answer message(const QString &text, const QString &title, Icon icon, Buttons buttons) override;
    std::optional<QString> input(const QString &, const QString &, const QString &defaultText) override
    {
        return defaultText;
    }
    QString browseFolder(const QString &) override { return QString(); }
    QString openFile(const QString &, const QString &, const QString &) override { return QString(); }
    QString saveFile(const QString &, const QString &, const QString &) override { return QString(); }
    std::optional<QColor> chooseColor(const QColor &) override { return std::nullopt; }
    bool choosePrinter(QPrinter &) override { return false; }
    void setBusy(bool) override { }
    int messageCount() const { return m_count; }

private:
    int m_count = 0;
};

} // namespace qrn
