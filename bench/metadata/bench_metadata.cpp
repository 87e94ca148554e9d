// The metadata work a user waits for: reading a sheet, searching the glossary, and laying a
// report out into a PDF file.

#include "metadata/glossary.h"
#include "metadata/report.h"
#include "metadata/sheet.h"
#include "shell/context.h"
#include "shell/store.h"
#include "support/testfolder.h"

#include <QTextDocument>
#include <benchmark/benchmark.h>

using namespace qrn;

namespace {

struct Sample {
    test::TestFolder tf;
    std::unique_ptr<AppContext> ctx;
    std::unique_ptr<Connection> cn;
    Sample()
    {
        ctx = tf.context();
        ctx->DbFolder = tf.file("Databases/");
        cn = ctx->openDatabase("Metadati.mdb");
    }
};

Sample &sample()
{
    static Sample s;
    return s;
}

void VariableSheet(benchmark::State &state)
{
    for (auto _ : state)
        benchmark::DoNotOptimize(loadVariableSheet(*sample().cn, "TR001"));
}
BENCHMARK(VariableSheet)->Unit(benchmark::kMillisecond);

void GlossaryContains(benchmark::State &state)
{
    for (auto _ : state)
        benchmark::DoNotOptimize(glossaryTerms(*sample().cn, glossaryContainsQuery("d'i")));
}
BENCHMARK(GlossaryContains)->Unit(benchmark::kMillisecond);

void VariableReportPdf(benchmark::State &state)
{
    const QString path = sample().tf.file("bench.pdf");
    for (auto _ : state) {
        auto report = buildReport(*sample().cn, ReportKind::Variabili, "TR001");
        writeReportPdf(*report->document, path);
    }
}
BENCHMARK(VariableReportPdf)->Unit(benchmark::kMillisecond);

} // namespace
