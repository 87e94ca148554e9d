// ShapeConfig.xml through pugixml. Reading never changes the file; a file that cannot be read or
// parsed, or a case that is missing, throws ShapeConfigError with an Italian message and the
// parser's own words as detail. Saving changes only the case's background colour and the one
// layer entry the user chose, keeps every other node as it was, and replaces the file whole
// through QSaveFile. Names put into XPath literals are checked first: one holding a quote names
// nothing.

#include "map/shapeconfig.h"

#include "map/mapview.h"

#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

#include <pugixml.hpp>

#include <cmath>
#include <limits>
#include <sstream>

namespace qrn::map {

namespace {

QString qs(const char *s)
{
    return QString::fromUtf8(s);
}

// What went wrong in reading the file, in the user's words; the reader's own (English) words
// go to the error log as detail.
QString parseProblem(const pugi::xml_parse_result &r)
{
    switch (r.status) {
    case pugi::status_file_not_found:
        return QStringLiteral("il file non esiste");
    case pugi::status_io_error:
        return QStringLiteral("errore di lettura del file");
    case pugi::status_out_of_memory:
        return QStringLiteral("memoria insufficiente");
    case pugi::status_no_document_element:
        return QStringLiteral("il file non contiene un documento XML");
    default:
        return QStringLiteral("XML non valido al carattere %1").arg(qlonglong(r.offset) + 1);
    }
}

void loadDocument(pugi::xml_document &doc, const QString &file)
{
    const pugi::xml_parse_result r = doc.load_file(QFile::encodeName(file).constData(),
                                                   pugi::parse_default | pugi::parse_declaration);
    if (!r)
        throw ShapeConfigError(QStringLiteral("Impossibile leggere %1: %2.").arg(file, parseProblem(r)),
                               qs(r.description()));
}

// A name put between the quotes of an XPath literal: one holding a quote cannot name anything.
void checkLiteral(const QString &name, const QString &what)
{
    if (name.contains(QLatin1Char('\'')))
        throw ShapeConfigError(QStringLiteral("%1 non trovato: %2").arg(what, name));
}

pugi::xml_node selectNode(const pugi::xml_node &from, const QString &xpath, const QString &what)
{
    pugi::xml_node n;
    try {
        n = from.select_node(xpath.toUtf8().constData()).node();
    } catch (const pugi::xpath_exception &) {
        n = {};
    }
    if (!n)
        throw ShapeConfigError(QStringLiteral("%1 non trovato in ShapeConfig.xml").arg(what));
    return n;
}

pugi::xml_node findCase(pugi::xml_document &doc, const QString &caseName)
{
    checkLiteral(caseName, QStringLiteral("Caso"));
    return selectNode(doc, QStringLiteral("Configs/LoadOrder/Case[@name ='%1']").arg(caseName),
                      QStringLiteral("Caso %1").arg(caseName));
}

QString attribute(const pugi::xml_node &n, const char *name)
{
    const pugi::xml_attribute a = n.attribute(name);
    if (!a)
        throw ShapeConfigError(QStringLiteral("Attributo %1 mancante in ShapeConfig.xml").arg(qs(name)));
    return qs(a.value());
}

// A colour as the program reads a number: a whole number, or a decimal one rounded.
quint32 colorValue(const QString &text)
{
    bool ok = false;
    const double d = text.trimmed().toDouble(&ok);
    if (!ok || !std::isfinite(d) || d < std::numeric_limits<qint32>::min() || d > std::numeric_limits<qint32>::max())
        throw ShapeConfigError(QStringLiteral("Colore non valido in ShapeConfig.xml: %1").arg(text));
    return quint32(qint32(std::nearbyint(d)));
}

bool trueWord(const QString &text)
{
    return text == QLatin1String("True") || text == QLatin1String("Vero");
}

// A boolean text: the words in either language (any case) or a number, nonzero being true.
bool booleanValue(const QString &text)
{
    const QString t = text.trimmed();
    if (t.compare(QLatin1String("true"), Qt::CaseInsensitive) == 0
        || t.compare(QLatin1String("vero"), Qt::CaseInsensitive) == 0)
        return true;
    if (t.compare(QLatin1String("false"), Qt::CaseInsensitive) == 0
        || t.compare(QLatin1String("falso"), Qt::CaseInsensitive) == 0)
        return false;
    bool ok = false;
    const double d = t.toDouble(&ok);
    if (!ok)
        throw ShapeConfigError(QStringLiteral("Valore booleano non valido in ShapeConfig.xml: %1").arg(text));
    return d != 0;
}

// The <CRS> child of a case names its reference system; every other child is a layer entry.
bool isCrsElement(const pugi::xml_node &n)
{
    return qstricmp(n.name(), "CRS") == 0;
}

QString boolWord(bool b, const QLocale &locale)
{
    if (locale.language() == QLocale::Italian)
        return b ? QStringLiteral("Vero") : QStringLiteral("Falso");
    return b ? QStringLiteral("True") : QStringLiteral("False");
}

} // namespace

QString shapeConfigPath(const QString &filesFolder)
{
    return filesFolder + QStringLiteral("ShapeConfig.xml");
}

ShapeCase readShapeConfig(const QString &file, const QString &caseName)
{
    pugi::xml_document doc;
    loadDocument(doc, file);
    ShapeCase sc;
    sc.name = caseName.toLower();
    const pugi::xml_node caseNode = findCase(doc, sc.name);
    sc.mapBackColor = colorValue(attribute(caseNode, "mapBackColor"));
    qint16 i = 0;
    for (pugi::xml_node child = caseNode.first_child(); child; child = child.next_sibling()) {
        if (child.type() != pugi::node_element)
            continue;
        if (isCrsElement(child)) {
            sc.crs = qs(child.text().get()).trimmed();
            continue;
        }
        LayerConfig e;
        const QString entry = qs(child.text().get()).toLower();
        checkLiteral(entry, QStringLiteral("Layer"));
        const QString base = QStringLiteral("Configs/Shapes/Shape[@name='%1']/").arg(entry);
        auto shapeText = [&](const char *element) {
            return qs(selectNode(doc, base + qs(element), QStringLiteral("%1 del layer %2").arg(qs(element), entry))
                          .text()
                          .get());
        };
        e.FileName = shapeText("FileName");
        e.GeoName = shapeText("GeoName");
        e.FieldId = shapeText("FieldId");
        e.LandFields = shapeText("LandFields");
        e.LandMatch = shapeText("LandMatch");
        e.OutlineColor = colorValue(attribute(child, "OutlineColor"));
        e.BackColor = colorValue(attribute(child, "BackColor"));
        e.matchesCase = e.LandMatch == sc.name;
        e.Outline = trueWord(attribute(child, "Outline"));
        e.Trasparenza = trueWord(attribute(child, "Trasparenza"));
        e.Label = shapeText("Label");
        if (booleanValue(attribute(child, "useToMatch")))
            sc.matchIndex = i;
        sc.layers.push_back(std::move(e));
        ++i;
    }
    return sc;
}

Symbol symbolOf(const LayerConfig &entry)
{
    Symbol s;
    s.color = entry.BackColor;
    s.outlineColor = entry.OutlineColor;
    s.outline = entry.Outline;
    s.style = entry.Trasparenza ? FillStyle::Transparent : FillStyle::Solid;
    return s;
}

QString layerFilePath(const QString &shapeFolder, const QString &fileName)
{
    const QString file = splitLayerPath(fileName).first;
    static const QStringList vectorSuffixes {QStringLiteral("shp"), QStringLiteral("gpkg"), QStringLiteral("geojson"),
                                             QStringLiteral("json"), QStringLiteral("fgb"), QStringLiteral("gml"),
                                             QStringLiteral("kml"), QStringLiteral("sqlite")};
    if (vectorSuffixes.contains(QFileInfo(file).suffix(), Qt::CaseInsensitive))
        return shapeFolder + fileName;
    return shapeFolder + fileName + QStringLiteral(".shp");
}

ShapeCase LoadShapeConfig(const QString &filesFolder, const QString &shapeFolder, const QString &caseName, MapView &map)
{
    ShapeCase sc = readShapeConfig(shapeConfigPath(filesFolder), caseName);
    map.backColor = sc.mapBackColor;
    QString crs = sc.crs;
    for (LayerConfig &e : sc.layers) {
        e.layer = ShapeLayer::open(layerFilePath(shapeFolder, e.FileName));
        if (!e.layer->valid())
            continue;
        if (crs.isEmpty())
            crs = e.layer->crs();
        if (!e.layer->reproject(crs))
            continue;
        e.layer->symbol = symbolOf(e);
        map.addLayer(e.layer);
    }
    map.setExtent(map.homeExtent());
    return sc;
}

void saveShapeConfig(const QString &file, const QString &caseName, quint32 mapBackColor, const QString &selectedText,
                     const LayerConfig *selected, const QLocale &locale)
{
    pugi::xml_document doc;
    loadDocument(doc, file);
    pugi::xml_node caseNode = findCase(doc, caseName.toLower());
    caseNode.attribute("mapBackColor").set_value(QByteArray::number(mapBackColor).constData());
    if (!caseNode.attribute("mapBackColor"))
        caseNode.append_attribute("mapBackColor") = QByteArray::number(mapBackColor).constData();
    for (pugi::xml_node child = caseNode.first_child(); child && selected; child = child.next_sibling()) {
        if (child.type() != pugi::node_element || isCrsElement(child) || qs(child.text().get()) != selectedText)
            continue;
        auto set = [&child](const char *name, const QString &value) {
            pugi::xml_attribute a = child.attribute(name);
            if (!a)
                a = child.append_attribute(name);
            a.set_value(value.toUtf8().constData());
        };
        set("Outline", boolWord(selected->Outline, locale));
        set("OutlineColor", QString::number(selected->OutlineColor));
        set("BackColor", QString::number(selected->BackColor));
        set("Trasparenza", boolWord(selected->Trasparenza, locale));
        break;
    }
    std::ostringstream out;
    doc.save(out, "  ", pugi::format_default, pugi::encoding_utf8);
    const std::string text = out.str();
    QSaveFile f(file);
    if (!f.open(QIODevice::WriteOnly) || f.write(text.data(), qint64(text.size())) != qint64(text.size())
        || !f.commit())
        throw ShapeConfigError(QStringLiteral("Impossibile scrivere %1.").arg(file), f.errorString());
}

} // namespace qrn::map
