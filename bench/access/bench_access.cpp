// The Access-format reader on nwind.mdb (Jet 3, 3 MB, nine tables):
//
// ImportNwind: the whole import into a new SQLite file (child process, temporary file,
// rename), as the first opening of the file does it.
// ReopenThroughCache: what every later opening costs: the store finds the Access file under
// its logical name, the cache finds its up-to-date SQLite file, and the connection opens and
// runs a first query.

#include "access/accesscache.h"
#include "access/mdbimport.h"
#include "shell/store.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <benchmark/benchmark.h>

using namespace qrn;

namespace {

const QString kNwind = QStringLiteral(QUARNARO_ACCESS_FIXTURES "/nwind.mdb");

void ImportNwind(benchmark::State &state)
{
    QTemporaryDir dir;
    const QString out = dir.filePath("nwind.sqlite");
    qint64 rows = 0;
    for (auto _ : state)
        rows = access::importToSqlite(kNwind, out).totalRows();
    state.counters["rows"] = double(rows);
}
BENCHMARK(ImportNwind)->Unit(benchmark::kMillisecond)->MinTime(3.0);

void ReopenThroughCache(benchmark::State &state)
{
    QTemporaryDir dir;
    QDir().mkpath(dir.filePath("Databases"));
    QFile::copy(kNwind, dir.filePath("Databases/Ordini.mdb"));
    access::AccessCache(dir.filePath("cache")).install();
    StoreLocator::resolve(dir.filePath("Databases"), "Ordini.mdb"); // the first import
    for (auto _ : state) {
        const QString store = StoreLocator::resolve(dir.filePath("Databases"), "Ordini.mdb");
        auto cn = Connection::open(store, NumberFormat::comma());
        benchmark::DoNotOptimize(cn->query("SELECT count(*) FROM [Order Details]").value(0));
    }
    StoreLocator::setAccessImporter(nullptr);
}
BENCHMARK(ReopenThroughCache)->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
