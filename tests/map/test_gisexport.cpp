// The thematic layer out to GeoPackage, GeoJSON and shape file, read back with OGR; its SLD read
// back with pugixml against the classes; the GeoPackage's layer_styles table.

#include "map/gisexport.h"
#include "map/legend.h"
#include "shapewriter.h"
#include "support/testfolder.h"

#include <QDir>
#include <QFile>
#include <gdal_priv.h>
#include <gtest/gtest.h>
#include <ogrsf_frmts.h>
#include <pugixml.hpp>
#include <shapefil.h>

using namespace qrn;
using namespace qrn::map;

namespace {

// Three squares coded 1, 2 and 3 in UTM 32 N, the join entry on CODE; the table has rows for
// territories "01" (class 1) and "02" (class 2), none for 3.
struct Drawn {
    test::TestFolder tf {false};
    ShapeCase sc;
    MapRequest req;
    ThematicClasses classes;
    NumberFormat fmt;

    Drawn()
    {
        fmt.decimal = QLatin1Char(',');
        const QString stem = tf.file(QStringLiteral("sq"));
        test::writeShapes(stem, SHPT_POLYGON,
                          {{{test::square(0, 0, 10)}, "1"}, {{test::square(20, 0, 10)}, "2"},
                           {{test::square(40, 0, 10), test::square(42, 2, 2)}, "3"}});
        tf.write(QStringLiteral("sq.prj"), test::epsgWkt(32632));
        LayerConfig e;
        e.FieldId = QStringLiteral("CODE");
        e.Label = QStringLiteral("CODE");
        e.Outline = true;
        e.OutlineColor = 0x0000FF; // red in 0x00BBGGRR
        e.layer = ShapeLayer::open(stem + QStringLiteral(".shp"));
        sc.layers.push_back(e);
        req.mapCase = regionsCase();
        req.header = QStringLiteral("AS013_2005");
        req.description = QStringLiteral("Ferrovie");
        MapRow a, b;
        a.codTerr = QStringLiteral("01"), a.name = QStringLiteral("Piemonte"), a.value = QStringLiteral("10,5");
        b.codTerr = QStringLiteral("02"), b.name = QStringLiteral("Valle d'Aosta"), b.value = QStringLiteral("20");
        req.rows = {a, b};
        const Legend legend = makeLegend({{QStringLiteral("10"), QStringLiteral("15")}, {QStringLiteral("15,01"), QStringLiteral("25")}},
                                         {QColor(0xff, 0xee, 0x80), QColor(0x22, 0x44, 0xaa)}, false, fmt);
        classes = thematicClasses(req, legend, {1, 2});
    }
};

// The features of the first layer of a file by their code, each as "name|value|class|label|colour|rings"
// (no value: "-"), and whether its system is UTM 32 N.
std::map<QString, QString> readBack(const QString &path, bool &utm)
{
    std::map<QString, QString> features;
    std::unique_ptr<GDALDataset> ds(GDALDataset::Open(path.toUtf8().constData(), GDAL_OF_VECTOR));
    if (!ds)
        return features;
    OGRLayer *layer = ds->GetLayer(0);
    OGRSpatialReference utmSrs;
    utmSrs.importFromEPSG(32632);
    utm = layer->GetSpatialRef() && layer->GetSpatialRef()->IsSame(&utmSrs);
    for (auto &f : *layer) {
        const auto text = [&f](const char *field) {
            return f->IsFieldSetAndNotNull(f->GetFieldIndex(field)) ? QString::fromUtf8(f->GetFieldAsString(field))
                                                                    : QStringLiteral("-");
        };
        int rings = 0;
        if (const OGRGeometry *g = f->GetGeometryRef()) {
            std::unique_ptr<OGRGeometry> multi(OGRGeometryFactory::forceToMultiPolygon(g->clone()));
            if (wkbFlatten(multi->getGeometryType()) == wkbMultiPolygon)
                for (const OGRPolygon *p : *multi->toMultiPolygon())
                    rings += 1 + p->getNumInteriorRings();
        }
        QStringList fields {text(kExportName),  text(kExportValue),  text(kExportClass),
                            text(kExportLabel), text(kExportColour), QString::number(rings)};
        if (fields[1] != "-") // the number, whatever the digits the format keeps
            fields[1] = QString::number(f->GetFieldAsDouble(kExportValue));
        features[text(kExportCode)] = fields.join('|');
    }
    return features;
}

} // namespace

TEST(GisExport, EveryFormatReadsBackWithTheClassesOfTheDrawing)
{
    Drawn d;
    for (const QString name : {"mappa.gpkg", "mappa.geojson", "mappa.shp"}) {
        const QString path = d.tf.file(name);
        // Written twice: the second replaces the first whole.
        for (int round = 0; round < 2; ++round) {
            const WriteResult r = exportThematicLayer(path, d.sc, d.req, d.classes, d.fmt);
            ASSERT_TRUE(r) << r.message.toStdString() << " " << r.detail.toStdString();
        }
        bool utm = false;
        // A territory of the map without data: its own name field, no value, no class, white;
        // its square keeps its hole.
        const std::map<QString, QString> expected {{"01", "Piemonte|10.5|1|Da 10 a 15|#ffee80|1"},
                                                   {"02", "Valle d'Aosta|20|2|Da 15,01 a 25|#2244aa|1"},
                                                   {"3", "3|-|-|Dato non presente|#ffffff|2"}};
        EXPECT_EQ(readBack(path, utm), expected) << name.toStdString();
        EXPECT_TRUE(utm) << name.toStdString();
        EXPECT_TRUE(QFile::exists(d.tf.file(QFileInfo(name).completeBaseName() + ".sld")));
    }
    // Nothing of the temporary folders is left behind.
    EXPECT_TRUE(QDir(d.tf.path()).entryList({QStringLiteral(".quarnaro-*")}, QDir::AllEntries | QDir::Hidden).isEmpty());
}

TEST(GisExport, TheSldAndTheGeoPackageStyleHaveOneRulePerClass)
{
    Drawn d;
    const QString path = d.tf.file(QStringLiteral("stile.gpkg"));
    ASSERT_TRUE(exportThematicLayer(path, d.sc, d.req, d.classes, d.fmt));
    const QByteArray sld = d.tf.read(QStringLiteral("stile.sld"));
    pugi::xml_document doc;
    ASSERT_TRUE(doc.load_buffer(sld.constData(), size_t(sld.size())));
    const pugi::xpath_node_set rules = doc.select_nodes("//Rule");
    const Legend &legend = d.classes.legend;
    ASSERT_EQ(rules.size(), size_t(legend.classes.size() + 1)); // the classes, then no data
    for (int k = 0; k < legend.classes.size(); ++k) {
        const pugi::xml_node rule = rules[size_t(k)].node();
        EXPECT_EQ(QString::fromUtf8(rule.child_value("Title")), legend.rows()[k].label);
        EXPECT_EQ(rule.select_node("ogc:Filter/ogc:PropertyIsEqualTo/ogc:Literal").node().text().as_int(), k + 1);
        EXPECT_EQ(QString::fromUtf8(rule.select_node("PolygonSymbolizer/Fill/CssParameter[@name='fill']").node().text().get()),
                  legend.classes[k].colour.name());
        EXPECT_EQ(QString::fromUtf8(rule.child_value("Abstract")),
                  QStringLiteral("%1 - %2").arg(legend.classes[k].low).arg(legend.classes[k].high));
    }
    const pugi::xml_node noData = rules[rules.size() - 1].node();
    EXPECT_TRUE(noData.select_node("ogc:Filter/ogc:PropertyIsNull"));
    EXPECT_STREQ(noData.select_node("PolygonSymbolizer/Stroke/CssParameter[@name='stroke']").node().text().get(), "#ff0000");

    // QGIS's table of styles holds the same SLD as the default style of the layer.
    std::unique_ptr<GDALDataset> ds(GDALDataset::Open(path.toUtf8().constData(), GDAL_OF_VECTOR));
    ASSERT_TRUE(ds);
    OGRLayer *styles = ds->GetLayerByName("layer_styles");
    ASSERT_TRUE(styles);
    ASSERT_EQ(styles->GetFeatureCount(), 1);
    OGRFeatureUniquePtr style(styles->GetNextFeature());
    EXPECT_STREQ(style->GetFieldAsString("f_table_name"), "stile");
    EXPECT_STREQ(style->GetFieldAsString("f_geometry_column"), ds->GetLayerByName("stile")->GetGeometryColumn());
    EXPECT_EQ(QByteArray(style->GetFieldAsString("styleSLD")), sld);
    EXPECT_EQ(style->GetFieldAsInteger("useAsDefault"), 1);
    pugi::xml_document qml;
    ASSERT_TRUE(qml.load_string(style->GetFieldAsString("styleQML")));
    EXPECT_EQ(qml.select_nodes("/qgis/renderer-v2[@attr='classe']/categories/category").size(), rules.size());
}

TEST(GisExport, FailuresLeaveNothingAndSayWhy)
{
    Drawn d;
    const WriteResult gif = exportThematicLayer(d.tf.file(QStringLiteral("m.gif")), d.sc, d.req, d.classes, d.fmt);
    EXPECT_FALSE(gif);
    EXPECT_TRUE(gif.message.contains(QStringLiteral(".gpkg")));
    const WriteResult nowhere =
        exportThematicLayer(d.tf.file(QStringLiteral("manca/m.gpkg")), d.sc, d.req, d.classes, d.fmt);
    EXPECT_FALSE(nowhere);
    EXPECT_TRUE(nowhere.message.startsWith(QStringLiteral("Impossibile scrivere"))) << nowhere.message.toStdString();
    ShapeCase empty;
    EXPECT_FALSE(exportThematicLayer(d.tf.file(QStringLiteral("m.gpkg")), empty, d.req, d.classes, d.fmt));
    EXPECT_FALSE(QFile::exists(d.tf.file(QStringLiteral("m.gpkg"))));
}
