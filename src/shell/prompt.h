#pragma once
// Every message box, input box and file, folder, colour or printer dialog of the program goes
// through this interface: Qt dialogs in the program, a scripted fake in tests and in the
// command-line tool.

#include <QColor>
#include <QString>
#include <QStringList>
#include <cstdio>
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
    // The busy (hourglass) pointer and the default one. Calls pair up as guards nest: the busy
    // pointer stays until every setBusy(true) has had its setBusy(false).
    virtual void setBusy(bool busy) = 0;

    // Long work. beginProgress announces it (what is being done, how many steps in all);
    // progress tells how many steps are done and answers false once the user asked to stop;
    // endProgress closes it. A total of 0 means the number of steps is not known beforehand
    // (the steps then count what is done, with no end to compare it to). A window shows a progress bar with a cancel button once the work
    // has lasted half a second, so short work shows nothing. Without an override the work runs
    // to its end unseen. Use ProgressReport rather than these calls.
    virtual void beginProgress(const QString &text, int total)
    {
        (void)text;
        (void)total;
    }
    virtual bool progress(int done)
    {
        (void)done;
        return true;
    }
    virtual void endProgress() { }
};

// One piece of long work reported through a prompt: begins it, forwards the steps (each value
// once, never going back), remembers a cancel for good, and ends it when it goes out of scope,
// also when the work ends early or throws. A null prompt reports nothing and never cancels.
class ProgressReport {
public:
    ProgressReport(Prompt *prompt, const QString &text, int total);
    ~ProgressReport() { finish(); }
    ProgressReport(const ProgressReport &) = delete;
    ProgressReport &operator=(const ProgressReport &) = delete;

    // done steps of the whole (of an unknown whole when total is 0); false when the user asked
    // to stop (now or earlier).
    bool step(int done);
    bool cancelled() const { return m_cancelled; }
    int total() const { return m_total; }
    // Closes the report (the prompt's endProgress); later steps only answer the cancel state.
    void finish();

    // A part of the work done by code that knows nothing of prompts: the steps from..to of the
    // whole are handed out as the part's own (done of total). The answer is step's.
    std::function<bool(std::size_t done, std::size_t total)> part(int from, int to);

private:
    Prompt *m_prompt;
    int m_total;
    int m_last = -1;
    bool m_cancelled = false;
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
// by the command-line tool. Long work shows as a line of percentages rewritten in place on the
// error stream when that stream is a terminal, and not at all otherwise (a log or a pipe gets
// only the messages); it is never cancelled from here.
class ConsolePrompt : public Prompt {
public:
    // err is where progress goes (standard error when null).
    explicit ConsolePrompt(std::FILE *err = nullptr);
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
    void beginProgress(const QString &text, int total) override;
    bool progress(int done) override;
    void endProgress() override;
    int messageCount() const { return m_count; }

private:
    int m_count = 0;
    std::FILE *m_err;
    bool m_terminal;
    QByteArray m_progressText;
    int m_progressTotal = 0;
    int m_percent = -1; // the last percentage printed, -1 before the first
    int m_progressDepth = 0;
};

} // namespace qrn
