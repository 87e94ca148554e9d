#pragma once
// The error log (Error.log) and the debug trace (Debug.log) in the files folder.

#include <QDateTime>
#include <QLocale>
#include <QString>
#include <functional>

class QObject;

namespace qrn {

class Prompt;

class ErrorLog {
public:
    ErrorLog() = default;

    void setFilesFolder(const QString &folder) { m_filesFolder = folder; }
    void setPrompt(Prompt *prompt) { m_prompt = prompt; }
    void setDebugTrace(bool on) { m_debugTrace = on; }
    bool debugTrace() const { return m_debugTrace; }
    // Date and time come from here, formatted with the locale's short formats.
    void setClock(std::function<QDateTime()> clock) { m_clock = std::move(clock); }
    void setLocale(const QLocale &locale) { m_locale = locale; }

    // Appends a line to Error.log (after deleting MAPINFO.dbc when present), then shows
    // "Errore : <description> Il File Error.log è stato riempito." and puts the pointer back
    // to normal. detail, the words of the library or the system that failed (often English),
    // goes into the line after the description and is never shown. Never throws.
    void logError(const QString &module, const QString &procedure, const QString &number,
                  const QString &description, const QString &detail = QString()) noexcept;
    void logError(const QObject *window, const QString &procedure, const QString &number,
                  const QString &description, const QString &detail = QString()) noexcept;
    // A failure its caller tells the user itself (a file not written, a refused update): the
    // line of logError in Error.log, and the same in Debug.log when the trace is on; nothing
    // shown. Never throws.
    void writeError(const QString &module, const QString &procedure, const QString &number,
                    const QString &description, const QString &detail = QString()) const noexcept;
    void logError(const QString &module, const QString &procedure, long number, const QString &description) noexcept
    {
        logError(module, procedure, QString::number(number), description);
    }

    // Appends a line to Debug.log when the trace is on; does nothing otherwise. Never throws.
    void debug(const QString &module, const QString &procedure, const QString &text) const noexcept;

    // The line texts, without the line end.
    QString errorLine(const QString &module, const QString &procedure, const QString &number,
                      const QString &description) const;
    // The description of a line: the text, then the detail between brackets when there is one.
    static QString withDetail(const QString &description, const QString &detail);
    QString debugLine(const QString &module, const QString &procedure, const QString &text) const;

    QString errorLogPath() const { return m_filesFolder + QStringLiteral("Error.log"); }
    QString debugLogPath() const { return m_filesFolder + QStringLiteral("Debug.log"); }

private:
    QString stamp() const;
    static void append(const QString &path, const QString &line) noexcept;

    QString m_filesFolder;
    Prompt *m_prompt = nullptr;
#ifdef QUARNARO_DEBUG_TRACE_DEFAULT
    bool m_debugTrace = true;
#else
    bool m_debugTrace = false;
#endif
    std::function<QDateTime()> m_clock;
    QLocale m_locale = QLocale::system();
};

} // namespace qrn
