// libFuzzer target of the Access import (header check, libmdb's reading, the copy into SQLite) in
// this process. An input mutates a real file of the fixtures: its first byte picks the file (15
// for nwind.mdb), then every five bytes write one byte (a 32-bit offset wrapped to the size, and
// the value); one byte beyond a multiple of five also cuts the file at a page chosen by that byte.
// An import either stores the tables and rows it reports in SQLite or fails with a DbError.

#include "access/mdbimport.h"
#include "fuzzcheck.h"
#include "shell/dberror.h"

#include <QFile>
#include <cstring>
#include <sqlite3.h>

namespace {

const QByteArray &fixture(bool large)
{
    const auto read = [](const char *name) {
        QFile f(QStringLiteral(QUARNARO_ACCESS_FIXTURES "/") + QLatin1String(name));
        const QByteArray content = f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
        check(!content.isEmpty(), "fixture files readable");
        return content;
    };
    static const QByteArray nwind = read("nwind.mdb"), dates = read("DateTestDatabase.mdb");
    return large ? nwind : dates;
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
