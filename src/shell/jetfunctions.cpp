// The functions of the Access SQL dialect (Format, CDbl, InStr, Left, Right, Mid, UCase, LCase,
// Len) as SQLite functions of a connection, and the reading of numbers they share. Every
// function reads the connection's number format from its user data; none keeps state.

#include "shell/jetfunctions.h"

#include "shell/store.h"

#include <cctype>
#include <cstring>
#include <sqlite3.h>

namespace qrn {

namespace {

const NumberFormat &numbersOf(sqlite3_context *ctx)
{
    return *static_cast<const NumberFormat *>(sqlite3_user_data(ctx));
}

QString argText(sqlite3_value *v)
{
    const auto *p = reinterpret_cast<const char *>(sqlite3_value_text(v));
    return p ? QString::fromUtf8(p, sqlite3_value_bytes(v)) : QString();
}

void resultText(sqlite3_context *ctx, const QString &s)
{
    const QByteArray u = s.toUtf8();
    sqlite3_result_text(ctx, u.constData(), int(u.size()), SQLITE_TRANSIENT);
}

// Exact decimals kept as text, as the currency and decimal fields of imported Access files
// are ("1234.5678"): digits, a point, and a number of decimals other than three (which could
// be a group of thousands). Read with the point whatever the program's format.
std::optional<double> exactDecimal(const QString &t)
{
    const int point = t.indexOf(QLatin1Char('.'));
    const int decimals = int(t.size()) - point - 1;
    if (point < 1 || decimals < 1 || decimals == 3)
        return std::nullopt;
    for (int i = 0; i < t.size(); ++i)
        if (i != point && !(t[i].isDigit() && t[i].unicode() < 128) && !(i == 0 && t[i] == QLatin1Char('-')))
            return std::nullopt;
    bool ok = false;
    const double d = t.toDouble(&ok);
    return ok ? std::optional<double>(d) : std::nullopt;
}

// A numeric value of an argument: numbers as they are, text read in the program's format.
std::optional<double> argNumber(sqlite3_context *ctx, sqlite3_value *v)
{
    switch (sqlite3_value_type(v)) {
    case SQLITE_INTEGER:
    case SQLITE_FLOAT:
        return sqlite3_value_double(v);
    case SQLITE_TEXT:
        return jetNumber(argText(v), numbersOf(ctx));
    default:
        return std::nullopt;
    }
}

// Format(value, pattern): the fixed-point patterns "0", "0.0", "0.00", ... with the program's
// decimal mark. A text that is not a number comes back unchanged; a null stays null.
void fnFormat(sqlite3_context *ctx, int argc, sqlite3_value **argv)
{
    if (sqlite3_value_type(argv[0]) == SQLITE_NULL) {
        sqlite3_result_null(ctx);
        return;
    }
    const QString pattern = argc > 1 ? argText(argv[1]) : QString();
    const auto number = argNumber(ctx, argv[0]);
    if (!number) {
        resultText(ctx, argText(argv[0]));
        return;
    }
    int decimals = 0;
    const int dot = pattern.indexOf(QLatin1Char('.'));
    if (dot >= 0) {
        for (int i = dot + 1; i < pattern.size() && (pattern[i] == QLatin1Char('0') || pattern[i] == QLatin1Char('#'));
             ++i)
            ++decimals;
    } else if (pattern.isEmpty()) {
        // Format without a pattern: the shortest text of the number
        QString s = QString::number(*number, 'g', 15);
        s.replace(QLatin1Char('.'), numbersOf(ctx).decimal);
        resultText(ctx, s);
        return;
    }
    resultText(ctx, numbersOf(ctx).fixed(*number, decimals));
}

void fnCDbl(sqlite3_context *ctx, int, sqlite3_value **argv)
{
    if (sqlite3_value_type(argv[0]) == SQLITE_NULL) {
        sqlite3_result_error(ctx, "Uso non valido di Null", -1);
        return;
    }
    const auto number = argNumber(ctx, argv[0]);
    if (!number) {
        sqlite3_result_error(ctx, "Tipo non corrispondente", -1);
        return;
    }
    sqlite3_result_double(ctx, *number);
}

// InStr([start,] text, sought): 1-based position without regard to case, 0 when absent.
void fnInStr(sqlite3_context *ctx, int argc, sqlite3_value **argv)
{
    int start = 1;
    int first = 0;
    if (argc == 3) {
        start = sqlite3_value_int(argv[0]);
        first = 1;
    }
    if (sqlite3_value_type(argv[first]) == SQLITE_NULL || sqlite3_value_type(argv[first + 1]) == SQLITE_NULL) {
        sqlite3_result_null(ctx);
        return;
    }
    if (start < 1) {
        sqlite3_result_error(ctx, "Argomento non valido", -1);
        return;
    }
    const QString text = argText(argv[first]);
    const QString sought = argText(argv[first + 1]);
    if (start > text.size() + 1) {
        sqlite3_result_int(ctx, 0);
        return;
    }
    const int pos = text.indexOf(sought, start - 1, Qt::CaseInsensitive);
    sqlite3_result_int(ctx, pos < 0 ? 0 : pos + 1);
}

void fnLeftRight(sqlite3_context *ctx, int, sqlite3_value **argv, bool left)
{
    if (sqlite3_value_type(argv[0]) == SQLITE_NULL) {
        sqlite3_result_null(ctx);
        return;
    }
    const QString text = argText(argv[0]);
    const int n = sqlite3_value_int(argv[1]);
    if (n < 0) {
        sqlite3_result_error(ctx, "Argomento non valido", -1);
        return;
    }
    resultText(ctx, left ? text.left(n) : text.right(n));
}
void fnLeft(sqlite3_context *ctx, int argc, sqlite3_value **argv)
{
    fnLeftRight(ctx, argc, argv, true);
}
void fnRight(sqlite3_context *ctx, int argc, sqlite3_value **argv)
{
    fnLeftRight(ctx, argc, argv, false);
}

void fnMid(sqlite3_context *ctx, int argc, sqlite3_value **argv)
{
    if (sqlite3_value_type(argv[0]) == SQLITE_NULL) {
        sqlite3_result_null(ctx);
        return;
    }
    const QString text = argText(argv[0]);
    const int start = sqlite3_value_int(argv[1]);
    if (start < 1) {
        sqlite3_result_error(ctx, "Argomento non valido", -1);
        return;
    }
    const int len = argc > 2 ? sqlite3_value_int(argv[2]) : -1;
    resultText(ctx, text.mid(start - 1, len));
}

void fnUCase(sqlite3_context *ctx, int, sqlite3_value **argv)
{
    if (sqlite3_value_type(argv[0]) == SQLITE_NULL)
        return sqlite3_result_null(ctx);
    resultText(ctx, argText(argv[0]).toUpper());
}
void fnLCase(sqlite3_context *ctx, int, sqlite3_value **argv)
{
    if (sqlite3_value_type(argv[0]) == SQLITE_NULL)
        return sqlite3_result_null(ctx);
    resultText(ctx, argText(argv[0]).toLower());
}
void fnLen(sqlite3_context *ctx, int, sqlite3_value **argv)
{
    if (sqlite3_value_type(argv[0]) == SQLITE_NULL)
        return sqlite3_result_null(ctx);
    sqlite3_result_int(ctx, int(argText(argv[0]).size()));
}

} // namespace

void registerJetFunctions(sqlite3 *db, const NumberFormat *numbers)
{
    void *nf = const_cast<NumberFormat *>(numbers);
    const int flags = SQLITE_UTF8 | SQLITE_DETERMINISTIC;
    sqlite3_create_function(db, "Format", 2, flags, nf, fnFormat, nullptr, nullptr);
    sqlite3_create_function(db, "Format", 1, flags, nf, fnFormat, nullptr, nullptr);
    sqlite3_create_function(db, "CDbl", 1, flags, nf, fnCDbl, nullptr, nullptr);
    sqlite3_create_function(db, "InStr", 2, flags, nf, fnInStr, nullptr, nullptr);
    sqlite3_create_function(db, "InStr", 3, flags, nf, fnInStr, nullptr, nullptr);
    sqlite3_create_function(db, "jet_left", 2, flags, nf, fnLeft, nullptr, nullptr);
    sqlite3_create_function(db, "jet_right", 2, flags, nf, fnRight, nullptr, nullptr);
    sqlite3_create_function(db, "Mid", 2, flags, nf, fnMid, nullptr, nullptr);
    sqlite3_create_function(db, "Mid", 3, flags, nf, fnMid, nullptr, nullptr);
    sqlite3_create_function(db, "UCase", 1, flags, nf, fnUCase, nullptr, nullptr);
    sqlite3_create_function(db, "LCase", 1, flags, nf, fnLCase, nullptr, nullptr);
    sqlite3_create_function(db, "Len", 1, flags, nf, fnLen, nullptr, nullptr);
}

std::optional<double> jetNumber(const QString &text, const NumberFormat &numbers)
{
    if (const auto exact = exactDecimal(text))
        return exact;
    return numbers.toNumber(text);
}

} // namespace qrn
