// libFuzzer target of the update installer: the input is the bytes of a zip archive, extracted
// into an empty folder. Whatever the bytes, nothing may be written outside that folder, no
// working folder may be left beside it, and a refused archive must leave it empty.

#include "fuzzcheck.h"
#include "metadata/unzip.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    static QTemporaryDir base;
    const QString root = base.path();
    const QString zip = root + QStringLiteral("/in.zip");
    const QString target = root + QStringLiteral("/t");
    {
        QFile f(zip);
        if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate))
            return 0;
        f.write(reinterpret_cast<const char *>(data), qint64(size));
    }
    QDir().mkpath(target);

    qrn::UnzipPolicy policy;
    policy.limits.maxTotalBytes = 4 << 20, policy.limits.maxEntries = 200, policy.limits.ratioFloor = 1 << 20;
    policy.mode = size % 4 == 1 ? qrn::UnzipPolicy::Mode::Test
        : size % 4 == 2         ? qrn::UnzipPolicy::Mode::List
                                : qrn::UnzipPolicy::Mode::Extract;
    policy.keepFolders = size % 8 != 3;
    qrn::CGUnzipFiles unzip(policy);
    const std::int32_t code = unzip.Unzip(zip, target);

    bool empty = true;
    QDirIterator it(target, QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot | QDir::System,
                    QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QFileInfo fi(it.next());
        empty = false;
        check(!fi.isSymLink(), "a link written");
        check(fi.canonicalFilePath().startsWith(QFileInfo(target).canonicalFilePath() + QLatin1Char('/')),
              "a file outside the folder");
    }
    check(code == qrn::PK_OK || empty, "a refused archive left files");
    check(QDir(root).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot | QDir::System).size() == 2,
          "a working folder left beside the folder");
    QDir(target).removeRecursively();
    return 0;
}
