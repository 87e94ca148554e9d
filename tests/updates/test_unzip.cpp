// The extraction of update archives: safe paths, all or nothing, limits, passwords, options.

#include "makezip.h"
#include "metadata/unzip.h"
#include "support/testfolder.h"

#include <QFileInfo>
#include <functional>
#include <gtest/gtest.h>
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
    ZipItem bomb = file("Metadati.sqlite", {}, ZipItem::Kind::Zeros);
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
        QString password = {};
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
    const std::vector<Case> cases = {
        {"zip-slip", PK_ERR, "percorso non ammesso (../evil.txt)", {m, file("../evil.txt", "x")}},
        {"absolute path", PK_ERR, "percorso non ammesso", {m, file("/tmp/evil.txt", "x")}},
        {"symbolic link", PK_ERR, "collegamento simbolico", {m, file("sub/lnk", "../../etc", ZipItem::Kind::Link)}},
        {"the same name twice", PK_NOZIP, "voci ripetute", {m, file("Metadati.sqlitX", "2")}, rename},
        {"names differing in case", PK_ERR, "più volte lo stesso nome", {file("a.txt", "1"), file("A.TXT", "2")}},
        {"a file and a folder of one name", PK_ERR, "più volte lo stesso nome", {file("a", "1"), file("a/b", "2")}},
        {"truncated archive", PK_NOZIP, "non è un archivio zip valido", {q}, halve},
        {"damaged data", PK_ERR, "Metadati.sqlite dell'archivio", {file("Metadati.sqlite", noise), bt}, flip},
        {"wrong password, traditional", IZ_BADPWD, "password", {secret(ZIP_EM_TRAD_PKWARE)}, {}, "sbagliata", {}, PK_ERR},
        {"wrong password, AES", IZ_BADPWD, "è errata", {bt, secret(ZIP_EM_AES_256)}, {}, "sbagliata"},
        {"no password given", IZ_BADPWD, "protetto da una password", {secret(ZIP_EM_AES_128)}},
        {"10,000 entries", PK_MEM, "10000 file, più dei 2000 ammessi", many},
        {"1 GB bomb", PK_MEM, "si espande in modo anomalo", {bomb}},
        {"over the total size", PK_MEM, "supera i 1.000 byte", {big, file("b.bin", big.data)}, {}, {}, small},
        {"folder over a file", PK_ERR, "sub/x.txt è un file, non una cartella", {m, file("sub/x.txt/y.txt", "y")}},
        {"file over a folder", PK_ERR, "c'è una cartella con lo stesso nome", {m, file("sub", "y")}},
        {"empty archive", PK_FIND, "non contiene alcun file", {bt}, emptyZip},
        {"only folders", PK_FIND, "non contiene alcun file", {file("vuota/", {}, ZipItem::Kind::Dir)}},
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
        const auto before = snapshot(s.target);
        const QStringList beside = entriesOf(s.path());
        CGUnzipFiles unzip({.password = c.password, .limits = c.limits});
        const std::int32_t code = unzip.Unzip(s.zip, s.target);
        EXPECT_TRUE(code == c.code || code == c.orCode) << code;
        EXPECT_EQ(unzip.needsPassword(), code == IZ_BADPWD);
        EXPECT_TRUE(unzip.lastError().contains(QString::fromUtf8(c.message))) << unzip.lastError().toStdString();
        // libzip's own words ("Zlib error: data error") are the detail, never the message.
        if (QByteArray(c.what) == "damaged data")
            EXPECT_FALSE(unzip.lastDetail().isEmpty());
        if (!unzip.lastDetail().isEmpty())
            EXPECT_FALSE(unzip.lastError().contains(unzip.lastDetail())) << unzip.lastError().toStdString();
        EXPECT_EQ(snapshot(s.target), before);
        EXPECT_EQ(entriesOf(s.path()), beside);
    }
}

TEST(Unzip, ReplacesFilesAndRecreatesFoldersWithoutAsking)
{
    Installed s;
    s.write("Databases/Metadati.sqlite-journal", "giornale vecchio");
    s.write("Databases/Territorio.sqlite", "vecchio territorio");
    makeZip(s.zip,
            {file("Metadati.sqlite", "nuovo metadati"), file("territorio.sqlite", "nuovo territorio"),
             file("vuota/", {}, ZipItem::Kind::Dir), file("nuova/cartella/a.txt", "a")});
    const QStringList beside = entriesOf(s.path());
    CGUnzipFiles unzip;
    ASSERT_EQ(unzip.Unzip(s.zip, s.target), PK_OK) << unzip.lastError().toStdString();
    EXPECT_EQ(unzip.extracted(), QStringList({"Metadati.sqlite", "territorio.sqlite", "nuova/cartella/a.txt"}));
    EXPECT_EQ(s.in("Metadati.sqlite"), "nuovo metadati");
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

// Without the password nothing is written and the result asks for one; with it every entry opens.
TEST(Unzip, PasswordsComeWithThePolicy)
{
    for (const std::uint16_t method : {std::uint16_t(ZIP_EM_TRAD_PKWARE), std::uint16_t(ZIP_EM_AES_256)}) {
        SCOPED_TRACE(method);
        Installed s;
        makeZip(s.zip,
                {encrypted("Metadati.sqlite", "nuovo", method, "girasole"), encrypted("b.txt", "b", method, "girasole"),
                 file("c.txt", "c")});
        const auto before = snapshot(s.target);
        CGUnzipFiles unzip;
        EXPECT_EQ(unzip.Unzip(s.zip, s.target), IZ_BADPWD);
        EXPECT_EQ(snapshot(s.target), before);
        unzip.policy().password = "girasole";
        ASSERT_EQ(unzip.Unzip(s.zip, s.target), PK_OK) << unzip.lastError().toStdString();
        EXPECT_FALSE(unzip.needsPassword());
        EXPECT_EQ(s.in("Metadati.sqlite") + s.in("b.txt"), "nuovob");

        // Testing the archive without the password goes through every entry.
        CGUnzipFiles test({.mode = UnzipPolicy::Mode::Test});
        EXPECT_EQ(test.Unzip(s.zip), IZ_BADPWD);
        EXPECT_EQ(test.GetLastMessage(),
                  "    testing: Metadati.sqlite errore\n    testing: b.txt errore\n"
                  "    testing: c.txt OK\n");
    }
}

TEST(Unzip, ExistingFiles)
{
    using enum UnzipPolicy::Existing;
    struct Case {
        UnzipPolicy::Existing rule;
        QByteArray metadati, nuovo;
    };
    // The archive's file (2008) is older than the one in the folder (now).
    const std::vector<Case> cases = {
        {Replace, "nuovo", "n"},
        {Keep, "vecchio metadati", "n"},
        {Newer, "vecchio metadati", "n"},
        {Freshen, "vecchio metadati", ""},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(int(c.rule));
        Installed s;
        makeZip(s.zip, {file("Metadati.sqlite", "nuovo"), file("nuovo.txt", "n")});
        CGUnzipFiles unzip({.existing = c.rule});
        EXPECT_EQ(unzip.Unzip(s.zip, s.target), PK_OK);
        EXPECT_EQ(s.in("Metadati.sqlite"), c.metadati);
        EXPECT_EQ(s.in("nuovo.txt"), c.nuovo);
    }
}

TEST(Unzip, NamesFoldersListingAndMissingArchive)
{
    Installed s;
    makeZip(s.zip, {file("cartine/Regioni 2001.shp", "shp"), file("cartine/leggimi.txt", "l")});
    CGUnzipFiles unzip({.keepFolders = false, .spacesToUnderscores = true});
    ASSERT_EQ(unzip.Unzip(s.zip, s.target), PK_OK);
    EXPECT_EQ(s.in("Regioni_2001.shp"), "shp");
    EXPECT_FALSE(QFileInfo::exists(s.target + "cartine"));

    // Listing writes nothing and needs no folder.
    CGUnzipFiles list({.mode = UnzipPolicy::Mode::List});
    const auto before = snapshot(s.target);
    ASSERT_EQ(list.Unzip(s.zip), PK_OK);
    EXPECT_EQ(snapshot(s.target), before);
    const QStringList lines = list.GetLastMessage().split('\n', Qt::SkipEmptyParts);
    EXPECT_TRUE(lines.size() == 2 && lines[0].startsWith("Filename: cartine/Regioni 2001.shp "));

    CGUnzipFiles none;
    EXPECT_EQ(none.Unzip(s.path() + "/manca.zip", s.target), PK_NOZIP);
    EXPECT_TRUE(none.lastError().contains("Impossibile trovare l'archivio"));
}
