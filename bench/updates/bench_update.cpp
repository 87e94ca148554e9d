// Timings of the update installer:
//  - an archive of five 8 MB databases (pages of mixed text and numbers, compressing about
//    4 to 1) installed over the previous ones, all or nothing, each run;
//  - the refusal of a 1 GB bomb of zeros (the archive is about 1 MB), which must not depend on
//    the size it claims.

#include "makezip.h"
#include "metadata/unzip.h"

#include <QDir>
#include <QTemporaryDir>
#include <benchmark/benchmark.h>

using namespace qrn;
using namespace qrn::test;

namespace {

QByteArray databaseLike(int seed, int size)
{
    QByteArray b;
    b.reserve(size);
    quint32 x = quint32(seed) * 2654435761u + 1;
    while (b.size() < size) {
        x = x * 1103515245u + 12345u;
        b += "COD_TERR;" + QByteArray::number(x >> 20) + ";Territorio " + QByteArray::number((x >> 8) % 107) + ";"
            + QByteArray::number(double(x % 100000) / 100.0, 'f', 2) + "\n";
    }
    b.truncate(size);
    return b;
}

void BM_InstallDatabases(benchmark::State &state)
{
    QTemporaryDir root;
    const QString zip = root.path() + "/agg.zip";
    const QString target = root.path() + "/Databases/";
    std::vector<ZipItem> items;
    for (int i = 0; i < 5; ++i)
        items.push_back(file(QString("Dati%1.sqlite").arg(i), databaseLike(i, 8 << 20)));
    makeZip(zip, items);
    QDir().mkpath(target);
    for (auto _ : state) {
        CGUnzipFiles unzip;
        if (unzip.Unzip(zip, target) != PK_OK)
            state.SkipWithError(unzip.lastError().toUtf8().constData());
    }
    state.SetBytesProcessed(state.iterations() * 5 * (8 << 20));
}
BENCHMARK(BM_InstallDatabases)->Unit(benchmark::kMillisecond)->MinTime(3);

void BM_RefuseBomb(benchmark::State &state)
{
    QTemporaryDir root;
    const QString zip = root.path() + "/bomba.zip";
    ZipItem bomb = file("Metadati.sqlite", {});
    bomb.kind = ZipItem::Kind::Zeros;
    bomb.zeros = std::int64_t(1) << 30;
    makeZip(zip, {bomb});
    for (auto _ : state) {
        CGUnzipFiles unzip;
        if (unzip.Unzip(zip, root.path() + "/Databases/") != PK_MEM)
            state.SkipWithError("not refused");
    }
}
BENCHMARK(BM_RefuseBomb)->Unit(benchmark::kMicrosecond);

} // namespace

BENCHMARK_MAIN();
