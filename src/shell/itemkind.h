#pragma once
// The two kinds of catalogue item, variables and indicators: "Variabili" and "Indicatori" in the
// menus and the context, and the stem of the names of their metadata tables and columns.

#include <QString>

namespace qrn {

enum class ItemKind { Variables, Indicators };

// The kind a type text names: "Indicatori" (in any case) the indicators, any other text the
// variables.
ItemKind itemKind(const QString &tipo);
// Whether the text is exactly one of the two names.
bool isItemKindName(const QString &tipo);
// "Variabili" or "Indicatori".
QString itemKindName(ItemKind kind);

// The metadata table of a kind and its key and description columns, "Metadati" + the type,
// "Id"/"Desc" + the type without its last letter + "e": MetadatiVariabili, IdVariabile,
// DescVariabile; MetadatiIndicatori, IdIndicatore, DescIndicatore.
struct MetadataNames {
    QString table;
    QString key;
    QString description;
};
MetadataNames metadataNames(ItemKind kind);

} // namespace qrn
