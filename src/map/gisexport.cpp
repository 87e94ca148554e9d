// The GIS export through OGR. Every feature of the join layer is written, in the layer's own
// order: a territory without a row of the request, or without a class, gets a null value and
// class and the no-data label and colour. The driver writes into a temporary folder beside the
// target (one transaction where the format has them); only when the dataset has closed without an
// error does each file it made replace its namesake by one rename. The SLD and QGIS styles are
// made from the same legend the map is drawn with.

#include "map/gisexport.h"

#include "map/thematicmap.h"
#include "shell/numberformat.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <cpl_conv.h>
#include <cpl_error.h>
#include <gdal_priv.h>
#include <ogr_spatialref.h>
#include <ogrsf_frmts.h>
#include <pugixml.hpp>

#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <memory>
#include <sstream>

namespace qrn::map {

namespace {

const char *driverFor(const QString &path)
{
    const QString ext = QFileInfo(path).suffix().toLower();
    if (ext == QLatin1String("gpkg"))
        return "GPKG";
    if (ext == QLatin1String("geojson") || ext == QLatin1String("json"))
        return "GeoJSON";
    if (ext == QLatin1String("shp"))
        return "ESRI Shapefile";
    return nullptr;
}

QString gdalWords()
{
    const char *m = CPLGetLastErrorMsg();
    return m ? QString::fromUtf8(m) : QString();
}

std::string utf8(const QString &s)
{
    return s.toStdString();
}

// A limit as a plain number for the abstract of a rule ("10.5"); empty when it is none.
QString limitText(double v)
{
    return std::isfinite(v) ? QString::number(v, 'g', 15) : QString();
}

// The geometry of a feature as OGR keeps it: the rings of a polygon feature sorted into
// polygons and their holes by OGR, the parts of lines, the points.
std::unique_ptr<OGRGeometry> featureGeometry(const ShapeLayer &layer, int f)
{
    switch (layer.kind()) {
    case ShapeKind::Polygon: {
        std::vector<OGRGeometry *> rings;
        for (int p = layer.partBegin(f); p < layer.partEnd(f); ++p) {
            if (layer.partSize(p) < 3)
                continue;
            auto ring = std::make_unique<OGRLinearRing>();
            for (int i = 0; i < layer.partSize(p); ++i)
                ring->addPoint(layer.partPoints(p)[i].x(), layer.partPoints(p)[i].y());
            ring->closeRings();
            auto polygon = new OGRPolygon;
            polygon->addRingDirectly(ring.release());
            rings.push_back(polygon);
        }
        if (rings.empty())
            return nullptr;
        int valid = 0;
        std::unique_ptr<OGRGeometry> g(
            OGRGeometryFactory::organizePolygons(rings.data(), int(rings.size()), &valid, nullptr));
        return std::unique_ptr<OGRGeometry>(OGRGeometryFactory::forceToMultiPolygon(g.release()));
    }
    case ShapeKind::Line: {
        auto lines = std::make_unique<OGRMultiLineString>();
        for (int p = layer.partBegin(f); p < layer.partEnd(f); ++p) {
            auto line = std::make_unique<OGRLineString>();
            for (int i = 0; i < layer.partSize(p); ++i)
                line->addPoint(layer.partPoints(p)[i].x(), layer.partPoints(p)[i].y());
            lines->addGeometryDirectly(line.release());
        }
        return lines;
    }
    case ShapeKind::Point: {
        auto points = std::make_unique<OGRMultiPoint>();
        for (int p = layer.partBegin(f); p < layer.partEnd(f); ++p)
            for (int i = 0; i < layer.partSize(p); ++i)
                points->addGeometryDirectly(new OGRPoint(layer.partPoints(p)[i].x(), layer.partPoints(p)[i].y()));
        return points;
    }
    }
    return nullptr;
}

OGRwkbGeometryType geometryType(ShapeKind kind)
{
    return kind == ShapeKind::Polygon ? wkbMultiPolygon : kind == ShapeKind::Line ? wkbMultiLineString : wkbMultiPoint;
}

QString rgb(const QColor &c)
{
    return c.name(QColor::HexRgb);
}

// QGIS's own form of the same style: a categorised renderer on the class number, each category
// a fill of its class colour with the entry's outline.
QByteArray thematicQml(const Legend &legend, const LayerConfig &entry)
{
    pugi::xml_document doc;
    pugi::xml_node qgis = doc.append_child("qgis");
    qgis.append_attribute("version") = "3.22.0";
    qgis.append_attribute("styleCategories") = "Symbology";
    pugi::xml_node renderer = qgis.append_child("renderer-v2");
    renderer.append_attribute("type") = "categorizedSymbol";
    renderer.append_attribute("attr") = kExportClass;
    renderer.append_attribute("symbollevels") = "0";
    renderer.append_attribute("forceraster") = "0";
    renderer.append_attribute("enableorderby") = "0";
    pugi::xml_node categories = renderer.append_child("categories");
    pugi::xml_node symbols = renderer.append_child("symbols");
    const QList<LegendRow> rows = legend.rows();
    const QString stroke = entry.Outline ? QStringLiteral("%1,%2,%3,255")
                                               .arg(fromWindowsColour(entry.OutlineColor).red())
                                               .arg(fromWindowsColour(entry.OutlineColor).green())
                                               .arg(fromWindowsColour(entry.OutlineColor).blue())
                                         : QStringLiteral("0,0,0,0");
    for (int k = 0; k <= legend.classes.size(); ++k) {
        const bool noData = k == legend.classes.size();
        const QString label = noData ? noDataRow(legend.quartiles).label : rows.value(k).label;
        const QColor colour = noData ? QColor(Qt::white) : legend.colourOf(k + 1);
        pugi::xml_node category = categories.append_child("category");
        category.append_attribute("symbol") = std::to_string(k).c_str();
        category.append_attribute("value") = noData ? "" : std::to_string(k + 1).c_str();
        category.append_attribute("label") = utf8(label).c_str();
        category.append_attribute("render") = "true";
        pugi::xml_node symbol = symbols.append_child("symbol");
        symbol.append_attribute("type") = "fill";
        symbol.append_attribute("name") = std::to_string(k).c_str();
        symbol.append_attribute("alpha") = "1";
        pugi::xml_node layer = symbol.append_child("layer");
        layer.append_attribute("class") = "SimpleFill";
        layer.append_attribute("enabled") = "1";
        layer.append_attribute("locked") = "0";
        layer.append_attribute("pass") = "0";
        const std::pair<const char *, QString> props[] = {
            {"color", QStringLiteral("%1,%2,%3,255").arg(colour.red()).arg(colour.green()).arg(colour.blue())},
            {"style", QStringLiteral("solid")},
            {"outline_color", stroke},
            {"outline_style", entry.Outline ? QStringLiteral("solid") : QStringLiteral("no")},
            {"outline_width", QStringLiteral("0.26")},
            {"outline_width_unit", QStringLiteral("MM")}};
        pugi::xml_node options = layer.append_child("Option");
        options.append_attribute("type") = "Map";
        for (const auto &[key, value] : props) {
            pugi::xml_node o = options.append_child("Option");
            o.append_attribute("type") = "QString";
            o.append_attribute("name") = key;
            o.append_attribute("value") = utf8(value).c_str();
            pugi::xml_node prop = layer.append_child("prop");
            prop.append_attribute("k") = key;
            prop.append_attribute("v") = utf8(value).c_str();
        }
    }
    std::ostringstream out;
    doc.save(out, " ", pugi::format_default, pugi::encoding_utf8);
    return QByteArray::fromStdString(out.str());
}

// The table QGIS keeps the styles of a GeoPackage's layers in, as QGIS creates it, with the
// style of layerName as its default.
bool writeLayerStyles(GDALDataset &ds, const QString &layerName, const char *geometryColumn, const QByteArray &sld,
                      const QByteArray &qml, const QString &title)
{
    OGRLayer *styles = ds.CreateLayer("layer_styles", nullptr, wkbNone, nullptr);
    if (!styles)
        return false;
    const std::pair<const char *, OGRFieldType> fields[] = {
        {"f_table_catalog", OFTString}, {"f_table_schema", OFTString}, {"f_table_name", OFTString},
        {"f_geometry_column", OFTString}, {"styleName", OFTString}, {"styleQML", OFTString},
        {"styleSLD", OFTString}, {"useAsDefault", OFTInteger}, {"description", OFTString},
        {"owner", OFTString}, {"ui", OFTString}, {"update_time", OFTDateTime}};
    for (const auto &[name, type] : fields) {
        OGRFieldDefn defn(name, type);
        if (type == OFTInteger)
            defn.SetSubType(OFSTBoolean);
        if (styles->CreateField(&defn) != OGRERR_NONE)
            return false;
    }
    OGRFeature style(styles->GetLayerDefn());
    style.SetField("f_table_catalog", "");
    style.SetField("f_table_schema", "");
    style.SetField("f_table_name", utf8(layerName).c_str());
    style.SetField("f_geometry_column", geometryColumn);
    style.SetField("styleName", utf8(layerName).c_str());
    style.SetField("styleQML", qml.constData());
    style.SetField("styleSLD", sld.constData());
    style.SetField("useAsDefault", 1);
    style.SetField("description", utf8(title).c_str());
    style.SetField("owner", "");
    style.SetField("ui", "");
    const QDateTime now = QDateTime::currentDateTimeUtc();
    style.SetField("update_time", now.date().year(), now.date().month(), now.date().day(), now.time().hour(),
                   now.time().minute(), float(now.time().second()), 100);
    return styles->CreateFeature(&style) == OGRERR_NONE;
}

} // namespace

bool isGisExportPath(const QString &path)
{
    return driverFor(path) != nullptr;
}

QString sldPathFor(const QString &path)
{
    const QFileInfo info(path);
    return info.dir().filePath(info.completeBaseName() + QStringLiteral(".sld"));
}

QByteArray thematicSld(const QString &layerName, const QString &title, const Legend &legend, const LayerConfig &entry)
{
    pugi::xml_document doc;
    pugi::xml_node root = doc.append_child("StyledLayerDescriptor");
    root.append_attribute("version") = "1.0.0";
    root.append_attribute("xmlns") = "http://www.opengis.net/sld";
    root.append_attribute("xmlns:ogc") = "http://www.opengis.net/ogc";
    root.append_attribute("xmlns:xlink") = "http://www.w3.org/1999/xlink";
    root.append_attribute("xmlns:xsi") = "http://www.w3.org/2001/XMLSchema-instance";
    root.append_attribute("xsi:schemaLocation") =
        "http://www.opengis.net/sld http://schemas.opengis.net/sld/1.0.0/StyledLayerDescriptor.xsd";
    pugi::xml_node named = root.append_child("NamedLayer");
    named.append_child("Name").text() = utf8(layerName).c_str();
    pugi::xml_node style = named.append_child("UserStyle");
    style.append_child("Name").text() = utf8(layerName).c_str();
    style.append_child("Title").text() = utf8(title).c_str();
    pugi::xml_node fts = style.append_child("FeatureTypeStyle");

    const QList<LegendRow> rows = legend.rows();
    auto cssParameter = [](pugi::xml_node parent, const char *name, const QString &value) {
        pugi::xml_node p = parent.append_child("CssParameter");
        p.append_attribute("name") = name;
        p.text() = utf8(value).c_str();
    };
    for (int k = 0; k <= legend.classes.size(); ++k) {
        const bool noData = k == legend.classes.size();
        pugi::xml_node rule = fts.append_child("Rule");
        rule.append_child("Name").text() =
            noData ? "nessuna classe" : utf8(QStringLiteral("classe %1").arg(k + 1)).c_str();
        rule.append_child("Title").text() =
            utf8(noData ? noDataRow(legend.quartiles).label : rows.value(k).label.trimmed()).c_str();
        if (!noData) {
            const LegendClass &c = legend.classes[k];
            rule.append_child("Abstract").text() =
                utf8(QStringLiteral("%1 - %2").arg(limitText(c.low), limitText(c.high))).c_str();
        }
        pugi::xml_node filter = rule.append_child("ogc:Filter");
        if (noData) {
            filter.append_child("ogc:PropertyIsNull").append_child("ogc:PropertyName").text() = kExportClass;
        } else {
            pugi::xml_node equal = filter.append_child("ogc:PropertyIsEqualTo");
            equal.append_child("ogc:PropertyName").text() = kExportClass;
            equal.append_child("ogc:Literal").text() = k + 1;
        }
        pugi::xml_node symbolizer = rule.append_child("PolygonSymbolizer");
        cssParameter(symbolizer.append_child("Fill"), "fill", rgb(noData ? QColor(Qt::white) : legend.colourOf(k + 1)));
        if (entry.Outline) {
            pugi::xml_node stroke = symbolizer.append_child("Stroke");
            cssParameter(stroke, "stroke", rgb(fromWindowsColour(entry.OutlineColor)));
            cssParameter(stroke, "stroke-width", QStringLiteral("0.5"));
        }
    }
    std::ostringstream out;
    doc.save(out, "  ", pugi::format_default, pugi::encoding_utf8);
    return QByteArray::fromStdString(out.str());
}

WriteResult exportThematicLayer(const QString &path, const ShapeCase &sc, const MapRequest &req,
                                const ThematicClasses &classes, const NumberFormat &numbers)
{
    const char *driverName = driverFor(path);
    const ShapeLayer *layer = joinLayer(sc);
    if (!driverName)
        return WriteResult::failed(
            QStringLiteral("Formato non gestito per il layer: %1 (usare .gpkg, .geojson o .shp).").arg(path));
    if (!layer)
        return WriteResult::failed(notWrittenText(path), QStringLiteral("Il layer di join della mappa non è caricato."));
    const LayerConfig &entry = sc.layers[size_t(sc.matchIndex)];
    const QFileInfo target(path);
    const QString layerName = target.completeBaseName();
    const QByteArray sld = thematicSld(layerName, req.variableText(), classes.legend, entry);

    GDALAllRegister();
    CPLErrorReset();
    GDALDriver *driver = GetGDALDriverManager()->GetDriverByName(driverName);
    QTemporaryDir temp(target.absoluteDir().filePath(QStringLiteral(".quarnaro-XXXXXX")));
    if (!driver || !temp.isValid())
        return WriteResult::failed(notWrittenText(path), driver ? temp.errorString() : QString::fromLatin1(driverName));
    const QString tempFile = QDir(temp.path()).filePath(target.fileName());
    {
        std::unique_ptr<GDALDataset> ds(
            driver->Create(QFile::encodeName(tempFile).constData(), 0, 0, 0, GDT_Unknown, nullptr));
        if (!ds)
            return WriteResult::failed(notWrittenText(path), gdalWords());
        OGRSpatialReference srs;
        const bool hasSrs = !layer->crs().isEmpty() && srs.SetFromUserInput(utf8(layer->crs()).c_str()) == OGRERR_NONE;
        srs.SetAxisMappingStrategy(OAMS_TRADITIONAL_GIS_ORDER);
        const char *shapeOptions[] = {"ENCODING=UTF-8", nullptr};
        OGRLayer *out = ds->CreateLayer(utf8(layerName).c_str(), hasSrs ? &srs : nullptr, geometryType(layer->kind()),
                                        qstrcmp(driverName, "ESRI Shapefile") == 0 ? const_cast<char **>(shapeOptions)
                                                                                   : nullptr);
        if (!out)
            return WriteResult::failed(notWrittenText(path), gdalWords());
        const std::pair<const char *, OGRFieldType> fields[] = {
            {kExportCode, OFTString}, {kExportName, OFTString},  {kExportValue, OFTReal},
            {kExportClass, OFTInteger}, {kExportLabel, OFTString}, {kExportColour, OFTString}};
        for (const auto &[name, type] : fields) {
            OGRFieldDefn defn(name, type);
            if (out->CreateField(&defn) != OGRERR_NONE)
                return WriteResult::failed(notWrittenText(path), gdalWords());
        }

        const MapKind kind = req.mapCase.kind;
        QHash<QString, const MapRow *> rowByKey;
        for (const MapRow &row : req.rows)
            rowByKey.insert(joinKey(row.code(kind), kind), &row);
        const int codeField = layer->fieldIndex(entry.FieldId), labelField = layer->fieldIndex(entry.Label);
        const QList<LegendRow> rows = classes.legend.rows();
        const QString noDataLabel = noDataRow(classes.legend.quartiles).label.trimmed();
        if (ds->TestCapability(ODsCTransactions))
            ds->StartTransaction();
        for (int f = 0; f < layer->featureCount(); ++f) {
            const QString featureCode = layer->value(f, codeField).trimmed();
            const MapRow *row = rowByKey.value(joinKey(featureCode, kind));
            const QString code = row ? row->code(kind) : featureCode;
            const int k = row ? classes.classByCode.value(code, 0) : 0;
            OGRFeature feature(out->GetLayerDefn());
            feature.SetField(kExportCode, utf8(code).c_str());
            feature.SetField(kExportName, utf8(row ? row->name : layer->value(f, labelField)).c_str());
            if (const std::optional<double> v = row ? numbers.toNumber(row->value) : std::nullopt)
                feature.SetField(kExportValue, *v);
            else
                feature.SetFieldNull(feature.GetFieldIndex(kExportValue));
            if (k > 0)
                feature.SetField(kExportClass, k);
            else
                feature.SetFieldNull(feature.GetFieldIndex(kExportClass));
            feature.SetField(kExportLabel, utf8(k > 0 ? rows.value(k - 1).label.trimmed() : noDataLabel).c_str());
            feature.SetField(kExportColour, utf8(rgb(classes.legend.colourOf(k))).c_str());
            if (std::unique_ptr<OGRGeometry> g = featureGeometry(*layer, f))
                feature.SetGeometryDirectly(g.release());
            if (out->CreateFeature(&feature) != OGRERR_NONE)
                return WriteResult::failed(notWrittenText(path), gdalWords());
        }
        if (ds->TestCapability(ODsCTransactions) && ds->CommitTransaction() != OGRERR_NONE)
            return WriteResult::failed(notWrittenText(path), gdalWords());
        if (qstrcmp(driverName, "GPKG") == 0
            && !writeLayerStyles(*ds, layerName, out->GetGeometryColumn(), sld, thematicQml(classes.legend, entry),
                                 req.variableText()))
            return WriteResult::failed(notWrittenText(path), gdalWords());
        CPLErrorReset();
        ds.reset(); // closing writes what the driver still holds
        if (CPLGetLastErrorType() >= CE_Failure)
            return WriteResult::failed(notWrittenText(path), gdalWords());
    }

    // Every file the driver made (a shape file's .shx, .dbf, .prj and .cpg with it) replaces
    // its namesake beside the target in one rename each.
    const QFileInfoList made = QDir(temp.path()).entryInfoList(QDir::Files);
    for (const QFileInfo &file : made) {
        const QString to = target.absoluteDir().filePath(file.fileName());
        if (std::rename(QFile::encodeName(file.filePath()).constData(), QFile::encodeName(to).constData()) != 0)
            return WriteResult::failed(notWrittenText(to), QString::fromLocal8Bit(std::strerror(errno)));
    }
    const QString sldPath = sldPathFor(path);
    return writeWholeFile(sldPath, [&](QIODevice &out, QString &) { return out.write(sld) == sld.size(); });
}

} // namespace qrn::map
