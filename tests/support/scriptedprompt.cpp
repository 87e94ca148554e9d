#include "support/scriptedprompt.h"

#include <gtest/gtest.h>

namespace qrn {

namespace {

// The next scripted answer of a queue, or the answer of a user who cancels.
template <typename T> T next(std::deque<T> &queue, T cancelled)
{
    if (queue.empty())
        return cancelled;
    T answer = std::move(queue.front());
    queue.pop_front();
    return answer;
}

} // namespace

Answer ScriptedPrompt::message(const QString &text, const QString &title, Icon icon, Buttons buttons)
{
    m_shown.push_back({Shown::Kind::Message, text, title, icon, buttons});
    const bool question = buttons == Buttons::YesNo || buttons == Buttons::YesNoCancel;
    return next(m_answers, question ? Answer::Yes : Answer::Ok);
}

std::optional<QString> ScriptedPrompt::input(const QString &prompt, const QString &title, const QString &)
{
    m_shown.push_back({Shown::Kind::Input, prompt, title, Icon::None, Buttons::OkCancel});
    return next(m_inputs, std::optional<QString>());
}

QString ScriptedPrompt::browseFolder(const QString &title)
{
    m_shown.push_back({Shown::Kind::Folder, QString(), title, Icon::None, Buttons::OkCancel});
    return next(m_folders, QString());
}

QString ScriptedPrompt::openFile(const QString &title, const QString &, const QString &filter)
{
    m_shown.push_back({Shown::Kind::OpenFile, filter, title, Icon::None, Buttons::OkCancel});
    return next(m_files, QString());
}

QString ScriptedPrompt::saveFile(const QString &title, const QString &, const QString &filter)
{
    m_shown.push_back({Shown::Kind::SaveFile, filter, title, Icon::None, Buttons::OkCancel});
    return next(m_files, QString());
}

std::optional<QColor> ScriptedPrompt::chooseColor(const QColor &)
{
    m_shown.push_back({Shown::Kind::Color, QString(), QString(), Icon::None, Buttons::OkCancel});
    return next(m_colors, std::optional<QColor>());
}

bool ScriptedPrompt::choosePrinter(QPrinter &printer)
{
    m_shown.push_back({Shown::Kind::Printer, QString(), QString(), Icon::None, Buttons::OkCancel});
    const std::function<bool(QPrinter &)> choose = next(m_printers, std::function<bool(QPrinter &)>());
    return choose ? choose(printer) : false;
}

QStringList ScriptedPrompt::messages() const
{
    QStringList out;
    for (const Shown &s : m_shown)
        if (s.kind == Shown::Kind::Message)
            out << s.text;
    return out;
}

void ScriptedPrompt::beginProgress(const QString &text, int total)
{
    m_progress.push_back({text, total, {}, false, false});
    ++m_openProgress;
}

bool ScriptedPrompt::progress(int done)
{
    EXPECT_GT(m_openProgress, 0) << "a step reported outside any work";
    if (m_progress.empty())
        return true;
    Progress &p = m_progress.back();
    p.steps.push_back(done);
    if (m_cancelAt > 0 && ++m_stepCount >= m_cancelAt)
        p.cancelled = true;
    return !p.cancelled;
}

void ScriptedPrompt::endProgress()
{
    EXPECT_GT(m_openProgress, 0) << "work ended that never began";
    --m_openProgress;
    if (!m_progress.empty())
        m_progress.back().ended = true;
}

} // namespace qrn
