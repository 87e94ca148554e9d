// Export of the widest table the program makes: 6 territory columns and 251 item columns
// (257 in all) for 170 territories, plus a small metadata sheet, to each format.
#include "Workbook.h"
#include "WorkbookDetail.h"

#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

using namespace qrn::workbook;

namespace {

Workbook exportTable()
{
    Sheet data;
    data.name = "Dati";
    data.repeatColumns = 6;
    data.header.bold = true;
    data.header.fill = 0xDDEBF7;
    const char *heads[] = {"TipoTerritorio", "COD_TERR", "PROV", "REG", "COD_NUTS", "Territorio"};
    std::vector<Cell> header;
    for (const char *h : heads)
        header.push_back(Cell::ofText(h));
    for (int c = 6; c < 257; ++c) {
        char h[16];
        std::snprintf(h, sizeof h, "AS%03d_%d", c % 1000, 1996 + c % 13);
        header.push_back(Cell::ofText(h));
    }
    data.rows.push_back(header);
    for (int r = 1; r <= 170; ++r) {
        char code[8];
        std::snprintf(code, sizeof code, "%03d", r);
        std::vector<Cell> row = {Cell::ofText("P"),
                                 Cell::ofText(code),
                                 Cell::ofText(code),
                                 Cell::ofText(std::to_string(r % 20 + 1)),
                                 Cell::ofText("ITC" + std::to_string(r % 9)),
                                 Cell::ofText("Provincia di Località n. " + std::to_string(r))};
        for (int c = 6; c < 257; ++c) {
            if ((r + c) % 17 == 0)
                row.push_back(Cell::ofText("n.d."));
            else
                row.push_back(Cell::ofNumber((r * 7919 + c * 104729) % 100000 / 100.0));
        }
        data.rows.push_back(std::move(row));
    }
    Sheet meta;
    meta.name = "Metadati variabili";
    meta.header = data.header;
    meta.rows.push_back({Cell::ofText("Variabile"), Cell::ofText("Area"), Cell::ofText("DescVariabile")});
    for (int i = 0; i < 251; ++i)
        meta.rows.push_back({Cell::ofText("AS" + std::to_string(i)), Cell::ofText("Servizi"),
                             Cell::ofText("Descrizione della variabile numero " + std::to_string(i))});
    Workbook wb;
    wb.sheets = {std::move(data), std::move(meta)};
    return wb;
}

std::string outPath(const char *ext)
{
    return (std::filesystem::temp_directory_path() / ("qrn_bench_workbook" + std::string(ext))).string();
}

void BM_WriteXls(benchmark::State &state)
{
    const Workbook wb = exportTable();
    const std::string path = outPath(".xls");
    std::string error;
    for (auto _ : state)
        if (!writeXls(wb, path, &error))
            state.SkipWithError(error.c_str());
    state.counters["bytes"] = static_cast<double>(std::filesystem::file_size(path));
    std::filesystem::remove(path);
}
BENCHMARK(BM_WriteXls)->Unit(benchmark::kMillisecond);

void BM_BuildXlsStreamOnly(benchmark::State &state)
{
    const Workbook wb = exportTable();
    for (auto _ : state) {
        auto laidOut = detail::layoutForXls(wb, nullptr);
        auto stream = detail::buildXlsStream(*laidOut, nullptr);
        benchmark::DoNotOptimize(stream);
    }
}
BENCHMARK(BM_BuildXlsStreamOnly)->Unit(benchmark::kMillisecond);

void BM_WriteXlsx(benchmark::State &state)
{
    const Workbook wb = exportTable();
    const std::string path = outPath(".xlsx");
    std::string error;
    for (auto _ : state)
        if (!writeXlsx(wb, path, &error))
            state.SkipWithError(error.c_str());
    state.counters["bytes"] = static_cast<double>(std::filesystem::file_size(path));
    std::filesystem::remove(path);
}
BENCHMARK(BM_WriteXlsx)->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
