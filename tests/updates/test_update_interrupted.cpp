// An update killed after every step of its commit, then a start of the program: the folder is
// found exactly as before the update or exactly as after it, with no leftovers beside it.

#include "makezip.h"
#include "shell/store.h"
#include "support/testfolder.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QProcessEnvironment>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace qrn;
using namespace qrn::test;

namespace {

struct Kind {
    const char *option; // of quarnaro-cli aggiorna
    const char *folder; // the folder updated, under the program folder
    const char *replaced; // a file of the folder the archive replaces
};

int runCli(const QString &home, const QStringList &args, int stopAfter = 0)
{
    QProcess p;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    if (stopAfter > 0)
        env.insert("QUARNARO_UPDATE_STOP_AFTER", QString::number(stopAfter));
    p.setProcessEnvironment(env);
    p.start(QStringLiteral(QUARNARO_CLI), QStringList {"--home", home} + args);
    EXPECT_TRUE(p.waitForFinished(60000));
    return p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1;
}

// What an update may leave: the journal and its lock in Files/, work folders beside the folder.
QStringList leftovers(const QString &home, const QString &folder)
{
    QStringList found = QDir(home + "Files").entryList({"Aggiornamento.giornale*"}, QDir::Files | QDir::Hidden);
    found.removeAll("Aggiornamento.giornale.lock"); // a lock file of a dead process is taken over
    for (const QString &e : entriesOf(home))
        if (e.startsWith("." + folder + "-"))
            found << e;
    return found;
}

} // namespace

class InterruptedUpdate : public testing::TestWithParam<Kind> { };

TEST_P(InterruptedUpdate, AStartFindsTheFolderBeforeOrAfterNeverAMix)
{
    const Kind kind = GetParam();
    const QString folder = QString::fromLatin1(kind.folder);
    TestFolder tf;
    const QString replaced = folder + "/" + kind.replaced;
    // A new version of one file (a database stays one, so that the program still starts), a
    // file in a new folder, an empty folder.
    QFile::copy(tf.file(replaced), tf.file("nuovo"));
    if (folder == "Databases")
        Connection::open(tf.file("nuovo"), NumberFormat::comma())
            ->execute("UPDATE InfoAggiornamento SET Etichetta = 'Aprile 2027'");
    else
        tf.write("nuovo", tf.read("nuovo") + "modificato");
    const QString zip = tf.file("aggiornamento.zip");
    makeZip(zip,
            {file(kind.replaced, tf.read("nuovo")), file("nuova/cartella/a.txt", "a"),
             file("vuota/", {}, ZipItem::Kind::Dir)});

    // The folder as a start leaves it, and as the whole update makes it.
    ASSERT_EQ(runCli(tf.path(), {"menu"}), 0);
    const auto before = snapshot(tf.file(folder));
    auto after = before;
    after[kind.replaced] = tf.read("nuovo");
    after["nuova/"] = after["nuova/cartella/"] = after["vuota/"] = "";
    after["nuova/cartella/a.txt"] = "a";

    QTemporaryDir runs;
    int rolledBack = 0, rolledForward = 0;
    for (int step = 1;; ++step) {
        SCOPED_TRACE(step);
        const QString home = runs.filePath(QString::number(step)) + "/";
        copyTree(tf.path(), home);
        const int status = runCli(home, {"aggiorna", kind.option, zip}, step);
        if (status == 0) { // the update ran to its end before the step
            EXPECT_EQ(snapshot(home + folder), after);
            EXPECT_EQ(leftovers(home, folder), QStringList());
            break;
        }
        ASSERT_EQ(status, 77) << "not stopped by the hook";
        ASSERT_LT(step, 100);
        ASSERT_EQ(runCli(home, {"menu"}), 0);
        const auto found = snapshot(home + folder);
        EXPECT_TRUE(found == before || found == after);
        // Once the update is committed it is never undone.
        if (found == before) {
            EXPECT_EQ(rolledForward, 0);
            ++rolledBack;
        } else {
            ++rolledForward;
        }
        EXPECT_EQ(leftovers(home, folder), QStringList());
        QDir(home).removeRecursively();
    }
    EXPECT_GT(rolledBack, 3);
    EXPECT_GT(rolledForward, 0);
}

INSTANTIATE_TEST_SUITE_P(Folders, InterruptedUpdate,
                         testing::Values(Kind {"--banca-dati", "Databases", "Metadati.sqlite"},
                                         Kind {"--mappe", "Shape", "regioni.dbf"}),
                         [](const auto &info) { return std::string(info.param.folder); });
