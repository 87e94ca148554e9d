#pragma once
// What a core routine hands back instead of telling the user itself: a value, or a failure
// carrying the Italian message and, for failures that go to the error log, the procedure,
// number and detail of the line. The caller reports the failure (reportFailure) under its own
// name: a window its object name, the command line "quarnaro-cli".

#include "shell/prompt.h"

#include <QString>
#include <optional>
#include <utility>

namespace qrn {

class ErrorLog;

struct Failure {
    QString message; // for the user, in Italian
    // Shown as a message box when nothing is logged (procedure empty).
    QString title;
    Icon icon = Icon::Exclamation;
    // The error-log line: empty procedure means the failure is only shown.
    QString procedure;
    QString number;
    QString detail;

    bool logged() const { return !procedure.isEmpty(); }
    static Failure shown(const QString &message, const QString &title, Icon icon)
    {
        return {message, title, icon, QString(), QString(), QString()};
    }
    static Failure toLog(const QString &procedure, const QString &number, const QString &message,
                         const QString &detail = QString())
    {
        return {message, QString(), Icon::Critical, procedure, number, detail};
    }
};

// A value or the failure that kept it from being made.
template <typename T>
class Result {
public:
    Result(T value) : m_value(std::move(value)) {}
    Result(Failure failure) : m_failure(std::move(failure)) {}

    explicit operator bool() const { return m_value.has_value(); }
    const T &value() const { return *m_value; }
    T &value() { return *m_value; }
    const T *operator->() const { return &*m_value; }
    T *operator->() { return &*m_value; }
    const Failure &failure() const { return *m_failure; }

private:
    std::optional<T> m_value;
    std::optional<Failure> m_failure;
};

// The outcome of a routine that makes nothing but may fail.
struct Done { };
using Status = Result<Done>;

// Reports a failure as the program always has: a logged one through the error log (which
// writes the line and shows "Errore : ..."), under module; the others as a message through
// prompt, when there is one.
void reportFailure(const Failure &failure, ErrorLog &log, Prompt *prompt, const QString &module);

} // namespace qrn
