// Whole runs of quarnaro-cli as separate processes: a databases folder the user may only read,
// and several first starts at once on one new program folder. Neither may write into the
// data databases.

#include "support/testfolder.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <gtest/gtest.h>
#include <memory>
#include <unistd.h>
#include <vector>

using qrn::test::TestFolder;

namespace {

// name:hash of every file of the databases folder.
QStringList databaseFiles(const TestFolder &tf)
{
    QStringList files;
    for (const QFileInfo &fi : QDir(tf.file("Databases")).entryInfoList(QDir::Files, QDir::Name))
        files << fi.fileName() + ":"
                + QString::fromLatin1(
                     QCryptographicHash::hash(tf.read("Databases/" + fi.fileName()), QCryptographicHash::Sha1).toHex());
    return files;
}

void setMode(const QString &path, QFile::Permissions p)
{
    ASSERT_TRUE(QFile::setPermissions(path, p)) << path.toStdString();
}

constexpr auto kReadOnlyDir = QFile::ReadOwner | QFile::ExeOwner | QFile::ReadGroup | QFile::ExeGroup | QFile::ReadOther
    | QFile::ExeOther;
constexpr auto kReadOnlyFile = QFile::ReadOwner | QFile::ReadGroup | QFile::ReadOther;
constexpr auto kOpenDir = kReadOnlyDir | QFile::WriteOwner | QFile::WriteGroup | QFile::WriteOther;

} // namespace

TEST(StartProcesses, AReadOnlyDatabasesFolderServesTheTableRoad)
{
    TestFolder tf;
    const QStringList before = databaseFiles(tf);
    // The administrator would write anyway: the program then runs as an ordinary user.
    QString program = QStringLiteral(QUARNARO_CLI);
    QStringList args;
    if (::geteuid() == 0) {
        program = QStringLiteral("setpriv");
        args = {"--reuid=65534", "--regid=65534", "--clear-groups", QStringLiteral(QUARNARO_CLI)};
        setMode(tf.path(), kReadOnlyDir);
        setMode(tf.file("Files"), kOpenDir);
    }
    for (const QFileInfo &fi : QDir(tf.file("Databases")).entryInfoList(QDir::Files))
        setMode(fi.filePath(), kReadOnlyFile);
    setMode(tf.file("Databases"), kReadOnlyDir);

    QProcess p;
    p.start(program,
            args
                + QStringList {"--home", tf.path(), "tabella", "--db", "Variabili.mdb", "--voce", "AS013-2005",
                               "--gruppi", "6"});
    ASSERT_TRUE(p.waitForFinished(60000));
    const QString err = QString::fromUtf8(p.readAllStandardError());
    EXPECT_EQ(p.exitCode(), 0) << err.toStdString();
    EXPECT_TRUE(err.isEmpty()) << err.toStdString();
    EXPECT_EQ(QString::fromUtf8(p.readAllStandardOutput()).count('\n'), 21) << "the header and the 20 regions";
    EXPECT_FALSE(QFileInfo::exists(tf.file("Files/Error.log")));
    setMode(tf.file("Databases"), kOpenDir);
    setMode(tf.path(), kOpenDir);
    EXPECT_EQ(databaseFiles(tf), before);
}

TEST(StartProcesses, EightFirstStartsAtOnceAllSucceed)
{
    for (int round = 0; round < 4; ++round) {
        TestFolder tf;
        const QStringList before = databaseFiles(tf);
        std::vector<std::unique_ptr<QProcess>> runs;
        for (int i = 0; i < 8; ++i) {
            runs.push_back(std::make_unique<QProcess>());
            runs.back()->start(QStringLiteral(QUARNARO_CLI), {"--home", tf.path(), "menu"});
        }
        for (auto &p : runs) {
            ASSERT_TRUE(p->waitForFinished(60000));
            const QString err = QString::fromUtf8(p->readAllStandardError());
            EXPECT_EQ(p->exitCode(), 0) << round << ": " << err.toStdString();
            EXPECT_TRUE(err.isEmpty()) << round << ": " << err.toStdString();
        }
        EXPECT_EQ(databaseFiles(tf), before) << round;
    }
}
