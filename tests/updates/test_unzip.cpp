// The extraction of update archives: safe paths, all or nothing, limits, passwords, options.

#include "makezip.h"
#include "metadata/unzip.h"
#include "support/testfolder.h"

#include <QDir>
#include <QFile>
#include <functional>
#include <gtest/gtest.h>
#include <optional>
#include <zip.h>

using namespace qrn;
using namespace qrn::test;

namespace {

// A program folder whose Databases/ holds what an earlier installation left, the archive beside.
struct Installed : TestFolder {
    QString target = file("Databases/"), zip = file("update.zip");

    Installed() : TestFolder(false)
    {
        write("Databases/Metadati.sqlite", "vecchio metadati");
        write("Databases/sub/x.txt", "x vecchio");
    }
    QByteArray in(const QString &rel) const { return read("Databases/" + rel); }
};

ZipItem item(ZipItem::Kind kind, const QString &name, const QByteArray &data = {})
{
    ZipItem i = file(name, data);
    i.kind = kind;
    return i;
}

} // namespace

TEST(Unzip, SafeEntryPaths)
{
    const std::vector<std::pair<QString, QString>> cases = {
        {"dir/sub/a.txt", "dir/sub/a.txt"},
        {"./dir//a.txt", "dir/a.txt"},
        {"dir\\a.txt", "dir/a.txt"},
        {"dir/", "dir"},
    };
    for (const auto &[name, expected] : cases)
        EXPECT_EQ(safeEntryPath(name), expected) << name.toStdString();
    for (const char *refused :
         {"dir/../a.txt", "\\\\server\\share\\a", "c:a.txt", "C:/evil.txt", "a.txt:stream", "a\tb.txt", ""})
        EXPECT_EQ(safeEntryPath(QString::fromLatin1(refused)), "") << refused;
}

// Every archive below is refused and leaves the folder, and the folder beside it, as they were.
TEST(Unzip, RefusedArchivesLeaveTheFolderByteForByte)
{
    QByteArray noise(5000, '\0'); // data that do not compress
    quint32 x = 12345;
    for (char &c : noise)
        c = char((x = x * 1103515245u + 12345u) >> 24);
    ZipItem bomb = item(ZipItem::Kind::Zeros, "Metadati.sqlite");
    bomb.zeros = std::int64_t(1) << 30;
    std::vector<ZipItem> many;
    for (int i = 0; i < 10000; ++i)
        many.push_back(file(QString("f%1.txt").arg(i), "x"));
    const ZipItem m = file("Metadati.sqlite", "nuovo");
    const QByteArray s = "segreto", pw = "giusta";
    UnzipLimits small;
    small.maxTotalBytes = 1000;
    struct Case {
        const char *what;
        std::int32_t code;
        const char *message;
        std::vector<ZipItem> items;
        std::function<void(QByteArray &)> change = nullptr; // of the archive's bytes
        QStringList passwords = {};
        UnzipLimits limits = UnzipLimits();
        // Traditional encryption checks a password against one byte of a random header: one wrong
        // password in 256 passes it, and the entry then fails as damaged data.
        std::int32_t orCode = -1;
    };
    const auto rename = [](QByteArray &b) { b.replace("Metadati.sqlitX", "Metadati.sqlite"); };
    const auto halve = [](QByteArray &b) { b.truncate(b.size() / 2); };
    const auto emptyZip = [](QByteArray &b) { b = QByteArray("PK\5\6", 4) + QByteArray(18, '\0'); };
    const auto flip = [](QByteArray &b) { b[2000] = char(b[2000] ^ 0x5a); };
    const auto secret = [&](std::uint16_t method) { return encrypted("Metadati.sqlite", s, method, pw); };
    const ZipItem q = file("Metadati.sqlite", QByteArray(5000, 'q')), big = file("a.bin", QByteArray(600, 'a'));
    const ZipItem bt = file("b.txt", "b");
    const QStringList wrong {"sbagliata0", "sbagliata1", "sbagliata2"};
    const std::vector<Case> cases = {
        {"zip-slip", PK_ERR, "percorso non ammesso (../evil.txt)", {m, file("../evil.txt", "x")}},
        {"absolute path", PK_ERR, "percorso non ammesso", {m, file("/tmp/evil.txt", "x")}},
        {"symbolic link", PK_ERR, "collegamento simbolico", {m, item(ZipItem::Kind::Link, "sub/lnk", "../../etc")}},
        {"the same name twice", PK_NOZIP, "voci ripetute", {m, file("Metadati.sqlitX", "2")}, rename},
        {"names differing in case", PK_ERR, "più volte lo stesso nome", {file("a.txt", "1"), file("A.TXT", "2")}},
        {"a file and a folder of one name", PK_ERR, "più volte lo stesso nome", {file("a", "1"), file("a/b", "2")}},
        {"truncated archive", PK_NOZIP, "non è un archivio zip valido", {q}, halve},
        {"damaged data", PK_ERR, "Metadati.sqlite dell'archivio", {file("Metadati.sqlite", noise), bt}, flip},
        {"wrong password, traditional", IZ_BADPWD, "password", {secret(ZIP_EM_TRAD_PKWARE)}, {}, wrong, {}, PK_ERR},
        {"wrong password, AES", IZ_BADPWD, "è errata", {bt, secret(ZIP_EM_AES_256)}, {}, {"sbagliata"}},
        {"no password given", IZ_BADPWD, "password che non è stata data", {secret(ZIP_EM_AES_128)}, {}, {""}},
        {"10,000 entries", PK_MEM, "10000 file, più dei 2000 ammessi", many},
        {"1 GB bomb", PK_MEM, "si espande in modo anomalo", {bomb}},
        {"over the total size", PK_MEM, "supera i 1.000 byte", {big, file("b.bin", big.data)}, {}, {}, small},
        {"folder over a file", PK_ERR, "sub/x.txt è un file, non una cartella", {m, file("sub/x.txt/y.txt", "y")}},
        {"file over a folder", PK_ERR, "c'è una cartella con lo stesso nome", {m, file("sub", "y")}},
        {"empty archive", PK_FIND, "non contiene alcun file", {bt}, emptyZip},
        {"only folders", PK_FIND, "non contiene alcun file", {item(ZipItem::Kind::Dir, "vuota/")}},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        Installed s;
        makeZip(s.zip, c.items);
        if (c.change) {
            QByteArray bytes = s.read("update.zip");
            c.change(bytes);
            s.write("update.zip", bytes);
        }
        for (const QString &p : c.passwords)
            s.prompt.answerInput(p);
        const auto before = snapshot(s.target);
        const QStringList beside = entriesOf(s.path());
        CGUnzipFiles unzip(&s.prompt);
        unzip.setLimits(c.limits);
        const std::int32_t code = unzip.Unzip(s.zip, s.target);
        EXPECT_TRUE(code == c.code || code == c.orCode) << code;
        EXPECT_TRUE(unzip.lastError().contains(QString::fromUtf8(c.message))) << unzip.lastError().toStdString();
        EXPECT_EQ(snapshot(s.target), before);
        EXPECT_EQ(entriesOf(s.path()), beside);
        EXPECT_TRUE(unzip.extracted().isEmpty());
    }
}

TEST(Unzip, ReplacesFilesAndRecreatesFoldersWithoutAsking)
{
    Installed s;
    s.write("Databases/Metadati.sqlite-journal", "giornale vecchio");
    s.write("Databases/Territorio.sqlite", "vecchio territorio");
    makeZip(s.zip,
            {file("Metadati.sqlite", "nuovo metadati"), file("territorio.sqlite", "nuovo territorio"),
             item(ZipItem::Kind::Dir, "vuota/"), file("nuova/cartella/a.txt", "a")});
    const QStringList beside = entriesOf(s.path());
    CGUnzipFiles unzip(&s.prompt);
    ASSERT_EQ(unzip.Unzip(s.zip, s.target), PK_OK) << unzip.lastError().toStdString();
    EXPECT_TRUE(s.prompt.shown().empty());
    EXPECT_EQ(unzip.extracted(), QStringList({"Metadati.sqlite", "territorio.sqlite", "nuova/cartella/a.txt"}));
    EXPECT_EQ(s.in("Metadati.sqlite"), "nuovo metadati");
    EXPECT_EQ(s.in("nuova/cartella/a.txt"), "a");
    EXPECT_EQ(s.in("sub/x.txt"), "x vecchio");
    EXPECT_TRUE(QFileInfo(s.target + "vuota").isDir());
    // The journal of the replaced database would be replayed into the new file: it goes too.
    EXPECT_FALSE(QFileInfo::exists(s.target + "Metadati.sqlite-journal"));
    // A name differing only in case replaces the old file instead of standing beside it.
    EXPECT_FALSE(QFileInfo::exists(s.target + "Territorio.sqlite"));
    EXPECT_EQ(s.in("territorio.sqlite"), "nuovo territorio");
    EXPECT_EQ(entriesOf(s.path()), beside); // no staging folder left
    // The file times of the archive are kept.
    EXPECT_EQ(QFileInfo(s.target + "Metadati.sqlite").lastModified().toSecsSinceEpoch(), 1210000000);
}

TEST(Unzip, PasswordsAreAskedOnceAndAnEmptyAnswerIsRemembered)
{
    for (const std::uint16_t method : {std::uint16_t(ZIP_EM_TRAD_PKWARE), std::uint16_t(ZIP_EM_AES_256)}) {
        SCOPED_TRACE(method);
        Installed s;
        makeZip(s.zip,
                {encrypted("Metadati.sqlite", "nuovo", method, "girasole"), encrypted("b.txt", "b", method, "girasole"),
                 file("c.txt", "c")});
        // A wrong answer is asked again; the right one serves every entry.
        s.prompt.answerInput(QString("sbagliata"));
        s.prompt.answerInput(QString("girasole"));
        CGUnzipFiles unzip(&s.prompt);
        ASSERT_EQ(unzip.Unzip(s.zip, s.target), PK_OK) << unzip.lastError().toStdString();
        EXPECT_EQ(s.in("Metadati.sqlite"), "nuovo");
        EXPECT_EQ(s.in("b.txt"), "b");
        ASSERT_EQ(s.prompt.shown().size(), 2u);
        EXPECT_EQ(s.prompt.shown()[0].text, "Please Enter The Password!");

        // Testing the archive goes through every entry; after an empty answer no prompt follows.
        s.prompt.clear();
        s.prompt.answerInput(QString());
        unzip.setTestZip(1);
        EXPECT_EQ(unzip.Unzip(), IZ_BADPWD);
        EXPECT_EQ(s.prompt.shown().size(), 1u);
        EXPECT_EQ(unzip.GetLastMessage(),
                  "    testing: Metadati.sqlite errore\n    testing: b.txt errore\n"
                  "    testing: c.txt OK\n");
        // The next extraction asks again.
        s.prompt.clear();
        s.prompt.answerInput(QString("girasole"));
        EXPECT_EQ(unzip.Unzip(), PK_OK);
        EXPECT_EQ(s.prompt.shown().size(), 1u);
    }
    // The callback writes the answer NUL-terminated; a cancelled box counts as an empty answer.
    ScriptedPrompt prompt;
    prompt.answerInput(QString("chiave"));
    prompt.answerInput(std::nullopt);
    CGUnzipFiles unzip(&prompt);
    char buffer[256];
    std::fill(std::begin(buffer), std::end(buffer), 'z');
    EXPECT_EQ(unzip.passwordCallback(buffer, 256), 0);
    EXPECT_STREQ(buffer, "chiave");
    EXPECT_EQ(unzip.passwordCallback(buffer, 256), 1);
}

TEST(Unzip, OverwriteOptions)
{
    struct Case {
        const char *what;
        bool overwrite;
        std::optional<Answer> asked; // the overwrite question and its answer
        bool onlyNewer, freshen;
        std::int32_t code;
        QByteArray metadati, nuovo;
    };
    // The archive's file (2008) is older than the one in the folder (now).
    const std::vector<Case> cases = {
        {"never overwrite", false, {}, false, false, PK_OK, "vecchio metadati", "n"},
        {"asked, yes", false, Answer::Yes, false, false, PK_OK, "nuovo", "n"},
        {"asked, no", false, Answer::No, false, false, PK_OK, "vecchio metadati", "n"},
        {"asked, cancel: nothing at all", false, Answer::Cancel, false, false, IZ_CTRLC, "vecchio metadati", ""},
        {"only newer files", true, {}, true, false, PK_OK, "vecchio metadati", "n"},
        {"freshen: only newer files already present", true, {}, false, true, PK_OK, "vecchio metadati", ""},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        Installed s;
        makeZip(s.zip, {file("Metadati.sqlite", "nuovo"), file("nuovo.txt", "n")});
        CGUnzipFiles unzip(&s.prompt);
        unzip.setOverWriteFiles(c.overwrite);
        unzip.setPromptOverwrite(c.asked.has_value());
        if (c.asked)
            s.prompt.answer(*c.asked);
        unzip.setExtractOnlyNewer(c.onlyNewer);
        unzip.setExtractNewer(c.freshen);
        EXPECT_EQ(unzip.Unzip(s.zip, s.target), c.code);
        EXPECT_EQ(s.in("Metadati.sqlite"), c.metadati);
        EXPECT_EQ(s.in("nuovo.txt"), c.nuovo);
        EXPECT_EQ(s.prompt.messages(), c.asked ? QStringList {"Overwrite Metadati.sqlite?"} : QStringList());
        if (c.asked) {
            EXPECT_EQ(s.prompt.shown()[0].buttons, Buttons::YesNoCancel);
        }
    }
}

TEST(Unzip, NamesFoldersListingAndMissingArchive)
{
    Installed s;
    makeZip(s.zip, {file("cartine/Regioni 2001.shp", "shp"), file("cartine/leggimi.txt", "l")});
    CGUnzipFiles unzip(&s.prompt);
    unzip.setHonorDirectories(0);
    unzip.setSpaceToUnderScore(1);
    ASSERT_EQ(unzip.Unzip(s.zip, s.target), PK_OK);
    EXPECT_EQ(s.in("Regioni_2001.shp"), "shp");
    EXPECT_FALSE(QFileInfo::exists(s.target + "cartine"));

    // Listing writes nothing and needs no folder.
    CGUnzipFiles list;
    list.setExtractList(1);
    const auto before = snapshot(s.target);
    ASSERT_EQ(list.Unzip(s.zip), PK_OK);
    EXPECT_EQ(snapshot(s.target), before);
    const QStringList lines = list.GetLastMessage().split('\n', Qt::SkipEmptyParts);
    ASSERT_EQ(lines.size(), 2);
    EXPECT_TRUE(lines[0].startsWith("Filename: cartine/Regioni 2001.shp "));

    CGUnzipFiles none;
    EXPECT_EQ(none.Unzip(), PK_PARAM);
    EXPECT_EQ(none.Unzip(s.path() + "/manca.zip", s.target), PK_NOZIP);
    EXPECT_TRUE(none.lastError().contains("Impossibile trovare l'archivio"));
}
