#include "shell/filewrite.h"

#include <QSaveFile>

namespace qrn {

QString notWrittenText(const QString &path)
{
    return QStringLiteral("Impossibile scrivere il file %1.").arg(path);
}

WriteResult writeWholeFile(const QString &path, const std::function<bool(QIODevice &, QString &detail)> &fill)
{
    if (path.isEmpty())
        return WriteResult::failed(QStringLiteral("Nessun nome di file."));
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return WriteResult::failed(notWrittenText(path), file.errorString());
    QString detail;
    if (!fill(file, detail)) {
        file.cancelWriting();
        return WriteResult::failed(notWrittenText(path),
                                   detail.isEmpty() && file.error() != QFileDevice::NoError ? file.errorString()
                                                                                            : detail);
    }
    if (!file.commit())
        return WriteResult::failed(notWrittenText(path), file.errorString());
    return WriteResult::done();
}

} // namespace qrn
