#pragma once
// The Access-dialect SQL functions a connection registers on its database handle, and the
// reading of a number they share.

#include "shell/numberformat.h"

#include <QString>
#include <optional>

struct sqlite3;

namespace qrn {

// Registers the functions on db; numbers must outlive the handle.
void registerJetFunctions(sqlite3 *db, const NumberFormat *numbers);

// A text as the Access-dialect functions (Format, CDbl) read a number: exact decimals written
// with a point ("1234.5678", as imported currency fields are kept), otherwise in the program's
// format; nullopt when it is not a number.
std::optional<double> jetNumber(const QString &text, const NumberFormat &numbers);

} // namespace qrn
