// libFuzzer target of the derived-indicator expressions. The first byte picks the decimal mark and
// the mode: 0 evaluates a row expression, 1 plays keypad presses, 2 tokenizes an expression text,
// 3 checks the quick cell reader and the result writer. Besides the sanitizers it aborts when a
// property fails: values read back as numbers, the keypad keeps its text well formed, and the
// compiled formula gives, row by row, what each row's expression gives.

#include "fuzzcheck.h"
#include "shell/numberformat.h"
#include "table/formula/derivedindicator.h"
#include "table/formula/expression.h"
#include "table/formula/formulabuilder.h"

#include <fuzzer/FuzzedDataProvider.h>

#include <cmath>
#include <cstring>

using namespace qrn;
using namespace qrn::formula;

namespace {

const QStringList &headers()
{
    static const QStringList h = QStringList(6)
        + QStringList {"AS013_2005", "AS014_2005", "IAS013_2006", "12", "Funz12005", "AS013_2005"};
    return h;
}

void sameNumber(const QString &text, const NumberFormat &fmt)
{
    const std::optional<double> quick = readCellNumber(text, fmt);
    const std::optional<double> general = fmt.toNumber(text);
    check(quick.has_value() == general.has_value(), "quick reader accepts what the format accepts");
    if (quick)
        check(std::memcmp(&*quick, &*general, sizeof(double)) == 0, "quick reader reads the same number");
}

QString cellText(FuzzedDataProvider &in)
{
    static const char *const pool[] = {"0",   "0,00", "0.00", "1,5", "-",   "",   "1.234,5", "12",
                                       "abc", "1e5",  "'",    "3",   " 7 ", "-0", "1,5E300", "2"};
    if (in.ConsumeBool())
        return QString::fromUtf8(pool[in.ConsumeIntegralInRange<int>(0, 15)]);
    return QString::fromStdString(in.ConsumeRandomLengthString(16));
}

void checkResult(const EvalResult &r, QStringView expression, const NumberFormat &fmt)
{
    if (r.kind != ResultKind::Value) {
        check(r.text.isEmpty(), "blank and error results carry no text");
        return;
    }
    check(!r.text.isEmpty(), "a value has text");
    check(fmt.isNumber(r.text), "a value reads as a number");
    if (r.text != expression.trimmed())
        check(!r.text.contains(fmt.group), "a computed value has no group marks");
}

void differential(const QList<Token> &tokens, FuzzedDataProvider &in, const NumberFormat &fmt)
{
    const std::optional<CompiledFormula> f = CompiledFormula::compile(tokens, fmt);
    for (int row = 0; row < 3; ++row) {
        QStringList cells;
        for (int c = 0; c < headers().size(); ++c)
            cells.append(cellText(in));
        for (const QString &c : cells)
            sameNumber(c, fmt);
        const auto cell = [&](int c) -> const QString & { return cells.at(c); };
        const QString e = rowExpression(tokens, cell, fmt);
        const EvalResult byText = evaluateRowExpression(e, fmt);
        checkResult(byText, e, fmt);
        check(f ? f->evaluate(cell) == byText : byText.kind == ResultKind::SyntaxError || e.isEmpty(),
              "the compiled formula gives what the row expression gives");
    }
}

void keypad(FuzzedDataProvider &in, const NumberFormat &fmt)
{
    DerivedMemory memory;
    FormulaBuilder b(memory);
    const QStringList data = headers().mid(6);
    int presses = in.ConsumeIntegralInRange<int>(0, 64);
    while (presses-- > 0 && in.remaining_bytes() > 0) {
        const QString before = b.text();
        const int key = in.ConsumeIntegralInRange<int>(0, 19 + int(data.size()));
        const bool accepted = key <= 9 ? b.digit(key)
            : key == 10                ? b.decimalPoint()
            : key <= 15                ? b.op("+-*/^"[key - 11])
            : key == 16                ? b.percent()
            : key == 17                ? b.openParen()
            : key == 18                ? b.closeParen()
            : key == 19                ? (b.endNumberEntry(), false)
                                       : b.column(data.at(key - 20));
        check(accepted || b.text() == before, "a refused input changes nothing");
        check(!accepted || b.text().startsWith(before), "an input only appends");
    }
    const QString &t = b.text();
    check(!t.contains(QLatin1String("  ")), "no double blank");
    check(t.isEmpty() || !QStringLiteral("+-*/^").contains(t.front()), "no leading operator");
    const QList<Token> tokens = tokenize(t, headers());
    for (const Token &tok : tokens)
        check(!tok.text.isEmpty(), "keypad text has no empty token");
    differential(tokens, in, fmt);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    FuzzedDataProvider in(data, size);
    const std::uint8_t head = in.ConsumeIntegral<std::uint8_t>();
    const NumberFormat fmt = (head & 1) ? NumberFormat::point() : NumberFormat::comma();
    const int mode = (head >> 1) % 4;
    if (mode == 1)
        keypad(in, fmt);
    else if (mode == 2)
        differential(tokenize(QString::fromStdString(in.ConsumeRandomLengthString(512)), headers()), in, fmt);
    else if (mode == 0) {
        const QString e = QString::fromStdString(in.ConsumeRemainingBytesAsString());
        checkResult(evaluateRowExpression(e, fmt), e, fmt);
    } else {
        const double v = in.ConsumeFloatingPoint<double>();
        if (std::isfinite(v) && std::fabs(v) < 4503599627370496.0)
            check(formatResult(v, fmt) == fmt.fixed(v, 4), "result written as the number format writes it");
        sameNumber(QString::fromStdString(in.ConsumeRemainingBytesAsString()), fmt);
    }
    return 0;
}
