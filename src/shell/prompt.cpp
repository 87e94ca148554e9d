#include "shell/prompt.h"

#include <cstdio>

namespace qrn {

Answer ConsolePrompt::message(const QString &text, const QString &title, Icon, Buttons buttons)
{
    ++m_count;
    const QString line = title.isEmpty() ? text : title + QStringLiteral(": ") + text;
    std::fprintf(stderr, "%s\n", line.toLocal8Bit().constData());
    return (buttons == Buttons::YesNo || buttons == Buttons::YesNoCancel) ? Answer::Yes : Answer::Ok;
}

} // namespace qrn
