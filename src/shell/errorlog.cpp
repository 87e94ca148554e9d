#include "shell/errorlog.h"

#include "shell/prompt.h"

#include <QFile>
#include <QObject>

namespace qrn {

QString ErrorLog::stamp() const
{
    const QDateTime now = m_clock ? m_clock() : QDateTime::currentDateTime();
    // The locale's short date and its time with seconds, without a time-zone name.
    QString timeFormat = m_locale.timeFormat(QLocale::LongFormat);
    timeFormat.remove(QLatin1Char('t'));
    timeFormat = timeFormat.trimmed();
    return m_locale.toString(now.date(), QLocale::ShortFormat) + QLatin1Char(' ')
        + m_locale.toString(now.time(), timeFormat);
}

QString ErrorLog::errorLine(const QString &module, const QString &procedure, const QString &number,
                            const QString &description) const
{
    return stamp() + QStringLiteral(" - Module:") + module + QStringLiteral(" Function: ") + procedure
        + QStringLiteral(" Error N.") + number + QStringLiteral(" Description:") + description;
}

QString ErrorLog::debugLine(const QString &module, const QString &procedure, const QString &text) const
{
    return stamp() + QStringLiteral(" - Module:") + module + QStringLiteral(" Function: ") + procedure
        + QStringLiteral(" Debug:") + text;
}

void ErrorLog::append(const QString &path, const QString &line) noexcept
{
    try {
        QFile f(path);
        if (!f.open(QIODevice::WriteOnly | QIODevice::Append))
            return;
        // 8-bit text: Latin-1, characters outside it become '?'
        QByteArray bytes;
        bytes.reserve(line.size() + 2);
        for (const QChar c : line)
            bytes.append(c.unicode() < 256 ? char(c.unicode()) : '?');
        bytes.append("\r\n");
        f.write(bytes);
    } catch (...) {
    }
}

QString ErrorLog::withDetail(const QString &description, const QString &detail)
{
    if (detail.trimmed().isEmpty())
        return description;
    return description + QStringLiteral(" [") + QString(detail).replace(QLatin1Char('\n'), QLatin1Char(' ')).trimmed()
        + QLatin1Char(']');
}

void ErrorLog::logError(const QString &module, const QString &procedure, const QString &number,
                        const QString &description, const QString &detail) noexcept
{
    try {
        if (!m_filesFolder.isEmpty()) {
            const QString mapinfo = m_filesFolder + QStringLiteral("MAPINFO.dbc");
            if (QFile::exists(mapinfo))
                QFile::remove(mapinfo);
        }
    } catch (...) {
    }
    writeError(module, procedure, number, description, detail);
    try {
        if (m_prompt) {
            m_prompt->message(QStringLiteral("Errore : ") + description
                                  + QStringLiteral(" Il File Error.log è stato riempito."),
                              QString(), Icon::Exclamation, Buttons::Ok);
            m_prompt->setBusy(false);
        }
    } catch (...) {
    }
}


void ErrorLog::logError(const QObject *window, const QString &procedure, const QString &number,
                        const QString &description, const QString &detail) noexcept
{
    logError(window ? window->objectName() : QString(), procedure, number, description, detail);
}

void ErrorLog::writeError(const QString &module, const QString &procedure, const QString &number,
                          const QString &description, const QString &detail) const noexcept
{
    try {
        if (m_filesFolder.isEmpty())
            return;
        const QString text = withDetail(description, detail);
        append(errorLogPath(), errorLine(module, procedure, number, text));
        debug(module, procedure, text);
    } catch (...) {
    }
}

void ErrorLog::debug(const QString &module, const QString &procedure, const QString &text) const noexcept
{
    if (!m_debugTrace || m_filesFolder.isEmpty())
        return;
    append(debugLogPath(), debugLine(module, procedure, text));
}

} // namespace qrn
