#pragma once
// The statement that reads the catalogue entry of a variable or an indicator for its
// metadata sheet.

#include <QString>

namespace qrn {

QString metadataSheetQuery(const QString &tipo, const QString &code);
// The window keyword of the sheet of a type: the variable sheet or the indicator sheet.
QString metadataSheetWindow(const QString &tipo);

} // namespace qrn
