#include "shell/about.h"

#include <QtGlobal>
#include <sqlite3.h>

namespace qrn {

QString programVersion()
{
    return QStringLiteral(QUARNARO_VERSION);
}

QList<Credit> libraryCredits()
{
    const auto s = [](const char *text) { return QString::fromUtf8(text); };
    return {
        {s("Qt"), s(qVersion()), s("LGPL 3.0"), s("finestre, disegno, stampa, SVG")},
        {s("SQLite"), s(sqlite3_libversion()), s("pubblico dominio"), s("banche dati")},
        {s("mdbtools (libmdb)"), {}, s("LGPL 2.0"), s("lettura dei file Access")},
        {s("shapelib"), {}, s("MIT / LGPL 2.0"), s("lettura dei file shape")},
        {s("GEOS"), {}, s("LGPL 2.1"), s("geometria dei territori")},
        {s("GDAL/OGR"), {}, s("MIT"), s("layer GeoPackage e GeoJSON, esportazione verso i GIS")},
        {s("PROJ"), {}, s("MIT"), s("sistemi di riferimento")},
        {s("pugixml"), {}, s("MIT"), s("configurazione delle mappe (XML)")},
        {s("libjpeg-turbo"), {}, s("IJG / BSD"), s("immagini JPEG")},
        {s("libzip"), {}, s("BSD 3 clausole"), s("archivi di aggiornamento")},
        {s("libxlsxwriter"), {}, s("BSD 2 clausole"), s("cartelle di lavoro .xlsx")},
        {s("libgsf"), {}, s("LGPL 2.1"), s("cartelle di lavoro .xls")},
    };
}

QList<Credit> dataCredits()
{
    return {{QStringLiteral("@svg-maps/italy"), {}, QStringLiteral("CC BY 4.0"),
             QStringLiteral("contorni delle regioni dei dati di esempio; i confini di province e aree NUTS 2 sono "
                            "schematici e i valori annuali sono sintetici, non statistiche ufficiali")}};
}

} // namespace qrn
