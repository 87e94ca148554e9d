#include "shell/prompt.h"

#include <algorithm>
#include <cstdio>
#include <unistd.h>

namespace qrn {

ProgressReport::ProgressReport(Prompt *prompt, const QString &text, int total)
    : m_prompt(prompt), m_total(std::max(total, 0))
{
    if (m_prompt)
        m_prompt->beginProgress(text, m_total);
}

bool ProgressReport::step(int done)
{
    if (m_cancelled || !m_prompt)
        return !m_cancelled;
    done = m_total > 0 ? std::clamp(done, 0, m_total) : std::max(done, 0);
    if (done <= m_last)
        return true;
    m_last = done;
    if (!m_prompt->progress(done))
        m_cancelled = true;
    return !m_cancelled;
}

void ProgressReport::finish()
{
    if (m_prompt)
        m_prompt->endProgress();
    m_prompt = nullptr;
}

std::function<bool(std::size_t, std::size_t)> ProgressReport::part(int from, int to)
{
    return [this, from, to](std::size_t done, std::size_t total) {
        if (total == 0)
            return step(to);
        const double share = double(std::min(done, total)) / double(total);
        return step(from + int(share * double(to - from)));
    };
}

ConsolePrompt::ConsolePrompt(std::FILE *err) : m_err(err ? err : stderr), m_terminal(isatty(fileno(m_err)) == 1) { }

Answer ConsolePrompt::message(const QString &text, const QString &title, Icon, Buttons buttons)
{
    ++m_count;
    const QString line = title.isEmpty() ? text : title + QStringLiteral(": ") + text;
    std::fprintf(stderr, "%s\n", line.toLocal8Bit().constData());
    return (buttons == Buttons::YesNo || buttons == Buttons::YesNoCancel) ? Answer::Yes : Answer::Ok;
}

void ConsolePrompt::beginProgress(const QString &text, int total)
{
    // Work started inside other work is shown as part of the outer one.
    if (m_progressDepth++ > 0)
        return;
    m_progressText = text.toLocal8Bit();
    m_progressTotal = std::max(total, 0);
    m_percent = -1;
}

bool ConsolePrompt::progress(int done)
{
    if (m_progressDepth != 1 || !m_terminal)
        return true;
    if (m_progressTotal == 0) {
        // No end to measure against: the work is named once.
        if (m_percent < 0) {
            m_percent = 0;
            std::fprintf(m_err, "\r%s...", m_progressText.constData());
            std::fflush(m_err);
        }
        return true;
    }
    const int percent = int(qint64(std::clamp(done, 0, m_progressTotal)) * 100 / m_progressTotal);
    if (percent != m_percent) {
        m_percent = percent;
        std::fprintf(m_err, "\r%s... %3d%%", m_progressText.constData(), percent);
        std::fflush(m_err);
    }
    return true;
}

void ConsolePrompt::endProgress()
{
    if (m_progressDepth == 0 || --m_progressDepth > 0)
        return;
    // Clears the line, so what is printed next starts on a clean one.
    if (m_terminal && m_percent >= 0)
        std::fprintf(m_err, "\r\033[K");
    std::fflush(m_err);
    m_percent = -1;
}

} // namespace qrn
