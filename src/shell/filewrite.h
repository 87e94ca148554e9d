#pragma once
// Writing a file whole or not at all, and the result a writer hands back to its caller.
// A file is written into a temporary file beside it (QSaveFile) and renamed over the target
// only once every byte is written and flushed: a failure, a full disk or a crash midway leaves
// the earlier file, or none, never a partial one. Writers never tell the user themselves: the
// caller shows the message and logs the detail.

#include <QString>
#include <functional>

class QIODevice;

namespace qrn {

struct WriteResult {
    bool ok = false;
    QString message; // for the user, in Italian
    QString detail; // the words of the library or of the system, for the error log

    explicit operator bool() const { return ok; }
    static WriteResult done(const QString &message = QString()) { return {true, message, QString()}; }
    static WriteResult failed(const QString &message, const QString &detail = QString())
    {
        return {false, message, detail};
    }
};

// "Impossibile scrivere il file <path>."
QString notWrittenText(const QString &path);

// Writes path through a QSaveFile. fill writes the content into the device it is given and
// answers false (with the reason in detail) when it cannot; then, or when the file cannot be
// made or committed, nothing changes at path and the result carries notWrittenText and detail.
WriteResult writeWholeFile(const QString &path, const std::function<bool(QIODevice &, QString &detail)> &fill);

} // namespace qrn
