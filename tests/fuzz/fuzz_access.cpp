// libFuzzer target for the Access-format import: the header check, libmdb's reading of the
// catalogue, the table definitions and the rows, and the copy into SQLite, all in this process
// (the program itself runs the reading in a child process).
//
// An input is a mutation of one of the real Access files of the fixtures folder: its first
// byte picks the file (15 for nwind.mdb), then every five bytes write one byte (a 32-bit offset, wrapped to the
// file's size, and the value); an input of exactly one byte beyond a multiple of five also cuts
// the file at a page boundary chosen by its last byte. The mutated copy keeps the layout of a
// real file, so the reading goes past the header check into the pages.
//
// Properties checked besides the sanitizers: an import either succeeds with the tables it
// reports present in SQLite with the rows it reports, or fails with a DbError.

#include "access/mdbimport.h"
#include "shell/dberror.h"

#include <QFile>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <sqlite3.h>

namespace {

void check(bool ok, const char *what)
{
    if (!ok) {
        std::fprintf(stderr, "property failed: %s\n", what);
        std::abort();
    }
}

QByteArray readFixture(const char *name)
{
    QFile f(QStringLiteral(QUARNARO_ACCESS_FIXTURES "/") + QLatin1String(name));
    const QByteArray content = f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    check(!content.isEmpty(), "fixture files readable");
    return content;
}

const QByteArray &fixture(bool large)
{
    if (large) {
        static const QByteArray nwind = readFixture("nwind.mdb");
        return nwind;
    }
    static const QByteArray dates = readFixture("DateTestDatabase.mdb");
    return dates;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    if (size == 0)
        return 0;
    // The small Jet 4 file fifteen times out of sixteen: it reads many times faster.
    QByteArray content = fixture(data[0] % 16 == 15);
    content.detach();
    const std::size_t patches = (size - 1) / 5;
    for (std::size_t p = 0; p < patches; ++p) {
        std::uint32_t offset;
        std::memcpy(&offset, data + 1 + p * 5, 4);
        content[qsizetype(offset % std::uint32_t(content.size()))] = char(data[1 + p * 5 + 4]);
    }
    if ((size - 1) % 5 == 1) {
        const qsizetype pages = content.size() / 2048;
        content.truncate((data[size - 1] % pages + 1) * 2048);
    }

    sqlite3 *db = nullptr;
    sqlite3_open(":memory:", &db);
    try {
        const qrn::access::ImportSummary s = qrn::access::importBuffer(content, db);
        for (const qrn::access::ImportedTable &t : s.tables) {
            sqlite3_stmt *st = nullptr;
            const QByteArray sql = "SELECT count(*) FROM \"" + t.name.toUtf8().replace("\"", "\"\"") + "\"";
            check(sqlite3_prepare_v2(db, sql.constData(), -1, &st, nullptr) == SQLITE_OK, "reported table exists");
            check(sqlite3_step(st) == SQLITE_ROW && sqlite3_column_int64(st, 0) == t.rows, "reported rows stored");
            sqlite3_finalize(st);
        }
    } catch (const qrn::DbError &) {
    }
    sqlite3_close(db);
    return 0;
}
