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
