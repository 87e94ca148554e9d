#include "support/testfolder.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>

namespace qrn::test {

QString sampleDir()
{
    return QStringLiteral(QUARNARO_SAMPLE_DIR);
}

void copyTree(const QString &from, const QString &to)
{
    QDir().mkpath(to);
    QDirIterator it(from, QDir::Files | QDir::Dirs | QDir::NoDotAndDotDot, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString src = it.next();
        const QString rel = QDir(from).relativeFilePath(src);
        const QString dst = to + QLatin1Char('/') + rel;
        if (QFileInfo(src).isDir())
            QDir().mkpath(dst);
        else {
            QDir().mkpath(QFileInfo(dst).absolutePath());
            QFile::remove(dst);
            QFile::copy(src, dst);
        }
    }
}

TestFolder::TestFolder(bool withSample)
{
    for (const char *d : {"Files", "Files/Help", "Databases", "Shape", "Images", "Excel"})
        QDir().mkpath(path() + QString::fromLatin1(d));
    if (withSample)
        copyTree(sampleDir(), m_dir.path());
}

void TestFolder::write(const QString &relative, const QByteArray &content) const
{
    QDir().mkpath(QFileInfo(file(relative)).absolutePath());
    QFile f(file(relative));
    f.open(QIODevice::WriteOnly | QIODevice::Truncate);
    f.write(content);
}

QByteArray TestFolder::read(const QString &relative) const
{
    QFile f(file(relative));
    if (!f.open(QIODevice::ReadOnly))
        return QByteArray();
    return f.readAll();
}

std::unique_ptr<AppContext> TestFolder::context()
{
    auto ctx = std::make_unique<AppContext>();
    ctx->setProgramFolder(path());
    ctx->numbers = NumberFormat::comma();
    ctx->setPrompt(&prompt);
    return ctx;
}

} // namespace qrn::test
