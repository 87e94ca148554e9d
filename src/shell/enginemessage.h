#pragma once
// The Italian texts of the data engine's messages.

#include <QString>

namespace qrn {

// The Italian text of a message of the engine ("no such table: X" and the like); a message
// without a translation is given in parentheses after a general Italian one.
QString engineMessage(const QString &message);

} // namespace qrn
