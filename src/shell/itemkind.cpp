#include "shell/itemkind.h"

namespace qrn {

ItemKind itemKind(const QString &tipo)
{
    return tipo.compare(QLatin1String("Indicatori"), Qt::CaseInsensitive) == 0 ? ItemKind::Indicators
                                                                               : ItemKind::Variables;
}

bool isItemKindName(const QString &tipo)
{
    return tipo == QLatin1String("Variabili") || tipo == QLatin1String("Indicatori");
}

QString itemKindName(ItemKind kind)
{
    return kind == ItemKind::Indicators ? QStringLiteral("Indicatori") : QStringLiteral("Variabili");
}

MetadataNames metadataNames(ItemKind kind)
{
    const QString name = itemKindName(kind);
    const QString stem = name.left(name.size() - 1) + QLatin1Char('e');
    return {QStringLiteral("Metadati") + name, QStringLiteral("Id") + stem, QStringLiteral("Desc") + stem};
}

} // namespace qrn
