#pragma once
// Identify on the thematic map: what the map window lists for the territory under the pointer,
// the row of the map data table tMappa for the territory's code and the territory's own
// description from territorio.mdb, chosen by the GeoName of the layer searched.

#include "shell/result.h"

#include <QList>
#include <QString>
#include <optional>

namespace qrn {
struct Services;
}

namespace qrn::map {

struct IdentifyField {
    QString field;
    QString value;
    friend bool operator==(const IdentifyField &, const IdentifyField &) = default;
};

// Whether a GeoName names a layer of provinces, whose codes are province numbers.
bool provinceGeoName(const QString &geoName);

inline constexpr QLatin1String kNoDataText {"Dato non presente"};

// The fields of the tMappa row of code (its first row; for a territory the map table holds no
// row of, but the territory query finds, the value field with kNoDataText), then the fields of
// the territory query of geoName ("regioni", "nuts2", "province103" or "province107"; none for
// another name). code is the territory code in the table's form (tableCode of the feature's
// FieldId text); a province may also come as "12", "012" or "12.0". Numbers are written in
// services' decimal mark. A failing tMappa query counts as no row; a failing territory query
// leaves the fields found so far and its failure (procedure "DoIdentify") for the caller.
struct Identification {
    QList<IdentifyField> fields;
    std::optional<Failure> failure;
};
Identification identifyTerritory(Services &services, const QString &geoName, const QString &code);

} // namespace qrn::map
