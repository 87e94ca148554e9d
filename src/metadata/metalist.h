#pragma once
// The metadata browser and the metadata list: the configured databases, the codes of the
// variables or of the indicators, and the details of one code.

#include "metadata/sheet.h"

#include <QString>
#include <QStringList>
#include <optional>
#include <utility>
#include <vector>

namespace qrn {

class Connection;

// The configured databases as (description, file name), in the order of DbConfigs.
QString configuredDatabasesQuery();
std::vector<std::pair<QString, QString>> loadConfiguredDatabases(Connection &cn); // throws DbError
// The type of the catalogue of the configured database at index: the first holds the
// variables, every other one indicators.
QString browserTipo(int databaseIndex);

// The codes of a type, without those whose topic code holds "- NO" or "-NO".
QString metadataCodesQuery(const QString &tipo);
QStringList loadMetadataCodes(Connection &cn, const QString &tipo); // throws DbError

QString metadataDetailsQuery(const QString &tipo, const QString &code);
struct MetadataDetails {
    QString descrizione, argomento, settore;
    YearBoxes anni; // the level mark of each year in upper case, "" for a null
};
// Nothing when the code has no entry. Throws DbError.
std::optional<MetadataDetails> loadMetadataDetails(Connection &cn, const QString &tipo, const QString &code);

} // namespace qrn
