#include "support/scriptedprompt.h"

#include <gtest/gtest.h>

namespace qrn {

Answer ScriptedPrompt::message(const QString &text, const QString &title, Icon icon, Buttons buttons)
{
    m_shown.push_back({Shown::Kind::Message, text, title, icon, buttons});
    if (!m_answers.empty()) {
        const Answer a = m_answers.front();
        m_answers.pop_front();
        return a;
    }
    return (buttons == Buttons::YesNo || buttons == Buttons::YesNoCancel) ? Answer::Yes : Answer::Ok;
}

std::optional<QString> ScriptedPrompt::input(const QString &prompt, const QString &title, const QString &)
{
    m_shown.push_back({Shown::Kind::Input, prompt, title, Icon::None, Buttons::OkCancel});
    std::optional<QString> v;
    if (!m_inputs.empty()) {
        v = std::move(m_inputs.front());
        m_inputs.pop_front();
    }
    return v;
}

QString ScriptedPrompt::browseFolder(const QString &title)
{
    m_shown.push_back({Shown::Kind::Folder, QString(), title, Icon::None, Buttons::OkCancel});
    if (m_folders.empty())
        return QString();
    QString f = m_folders.front();
    m_folders.pop_front();
    return f;
}

QString ScriptedPrompt::openFile(const QString &title, const QString &, const QString &filter)
{
    m_shown.push_back({Shown::Kind::OpenFile, filter, title, Icon::None, Buttons::OkCancel});
    if (m_files.empty())
        return QString();
    QString f = m_files.front();
    m_files.pop_front();
    return f;
}

QString ScriptedPrompt::saveFile(const QString &title, const QString &, const QString &filter)
{
    m_shown.push_back({Shown::Kind::SaveFile, filter, title, Icon::None, Buttons::OkCancel});
    if (m_files.empty())
        return QString();
    QString f = m_files.front();
    m_files.pop_front();
    return f;
}

std::optional<QColor> ScriptedPrompt::chooseColor(const QColor &)
{
    m_shown.push_back({Shown::Kind::Color, QString(), QString(), Icon::None, Buttons::OkCancel});
    if (m_colors.empty())
        return std::nullopt;
    auto c = m_colors.front();
    m_colors.pop_front();
    return c;
}

bool ScriptedPrompt::choosePrinter(QPrinter &printer)
{
    m_shown.push_back({Shown::Kind::Printer, QString(), QString(), Icon::None, Buttons::OkCancel});
    if (m_printers.empty())
        return false;
    auto choose = std::move(m_printers.front());
    m_printers.pop_front();
    return choose(printer);
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
