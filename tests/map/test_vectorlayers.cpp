// Layers of other vector formats (GeoJSON, GeoPackage) read through OGR, and the layers of a case
// reprojected into one reference system.

#include "map/mapview.h"
#include "map/shapeconfig.h"
#include "shapewriter.h"
#include "support/testfolder.h"

#include <QImage>
#include <QPainter>
#include <gdal_priv.h>
#include <gtest/gtest.h>
#include <ogrsf_frmts.h>
#include <shapefil.h>

using namespace qrn::map;

namespace {

// Longitude 9° E, latitude 45° N on the central meridian of UTM zone 32 N: easting 500 000 m,
// northing 0.9996 times the meridian arc of 45° on WGS 84.
constexpr double kLon = 9.0, kLat = 45.0, kEasting = 500000.0, kNorthing = 4982950.4;

// A GeoJSON square of half-side d degrees around (kLon, kLat) with a hole of half-side d / 4,
// and its attributes as three kinds of field.
QByteArray geoJsonSquare(double d)
{
    auto ring = [](double h) {
        return QStringLiteral("[[%1,%2],[%3,%2],[%3,%4],[%1,%4],[%1,%2]]")
            .arg(kLon - h, 0, 'f', 6)
            .arg(kLat - h, 0, 'f', 6)
            .arg(kLon + h, 0, 'f', 6)
            .arg(kLat + h, 0, 'f', 6);
    };
    return QStringLiteral(R"({"type":"FeatureCollection","features":[{"type":"Feature",
        "properties":{"COD":7,"QUOTA":2.5,"NOME":"Forlì"},
        "geometry":{"type":"MultiPolygon","coordinates":[[%1,%2]]}}]})")
        .arg(ring(d), ring(d / 4))
        .toUtf8();
}

// A GeoPackage in UTM 32 N with the layers "regioni" and "province", one square each.
void writeGeoPackage(const QString &path)
{
    GDALAllRegister();
    GDALDriver *driver = GetGDALDriverManager()->GetDriverByName("GPKG");
    std::unique_ptr<GDALDataset> ds(driver->Create(path.toUtf8().constData(), 0, 0, 0, GDT_Unknown, nullptr));
    ASSERT_TRUE(ds);
    OGRSpatialReference srs;
    srs.importFromEPSG(32632);
    for (const auto &[name, code] : {std::pair {"regioni", 8}, std::pair {"province", 40}}) {
        OGRLayer *layer = ds->CreateLayer(name, &srs, wkbPolygon, nullptr);
        OGRFieldDefn field("COD_PRO", OFTInteger);
        ASSERT_EQ(layer->CreateField(&field), OGRERR_NONE);
        OGRFeature f(layer->GetLayerDefn());
        f.SetField("COD_PRO", code);
        OGRGeometry *g = nullptr;
        OGRGeometryFactory::createFromWkt("POLYGON((0 0,0 100,100 100,100 0,0 0))", nullptr, &g);
        f.SetGeometryDirectly(g);
        ASSERT_EQ(layer->CreateFeature(&f), OGRERR_NONE);
    }
}

const char *kConfig = R"(<?xml version="1.0" encoding="UTF-8"?>
<Configs>
  <LoadOrder>
    <Case name="utm" mapBackColor="16777215">
      <Layer OutlineColor="0" BackColor="16711680" Outline="True" Trasparenza="False" useToMatch="False">utm</Layer>
      <Layer OutlineColor="0" BackColor="255" Outline="True" Trasparenza="False" useToMatch="True">gradi</Layer>
    </Case>
    <Case name="wgs84" mapBackColor="16777215">
      <CRS>EPSG:4326</CRS>
      <Layer OutlineColor="0" BackColor="16711680" Outline="True" Trasparenza="False" useToMatch="True">utm</Layer>
    </Case>
    <Case name="gpkg" mapBackColor="16777215">
      <Layer OutlineColor="0" BackColor="255" Outline="True" Trasparenza="False" useToMatch="True">province</Layer>
      <Layer OutlineColor="0" BackColor="255" Outline="True" Trasparenza="False" useToMatch="False">nessuno</Layer>
    </Case>
  </LoadOrder>
  <Shapes>
    <Shape name="utm"><FileName>utm</FileName><GeoName>utm</GeoName><FieldId>CODE</FieldId><LandFields>N_TERCO</LandFields><LandMatch>x</LandMatch><Label>L</Label></Shape>
    <Shape name="gradi"><FileName>gradi.geojson</FileName><GeoName>gradi</GeoName><FieldId>COD</FieldId><LandFields>N_TERCO</LandFields><LandMatch>x</LandMatch><Label>NOME</Label></Shape>
    <Shape name="province"><FileName>confini.gpkg|province</FileName><GeoName>province</GeoName><FieldId>COD_PRO</FieldId><LandFields>N_TERCO</LandFields><LandMatch>x</LandMatch><Label>L</Label></Shape>
    <Shape name="nessuno"><FileName>confini.gpkg|comuni</FileName><GeoName>comuni</GeoName><FieldId>COD_PRO</FieldId><LandFields>N_TERCO</LandFields><LandMatch>x</LandMatch><Label>L</Label></Shape>
  </Shapes>
</Configs>
)";

// A program folder with the configuration, a UTM 32 N shape file of a 4 km square around
// (kEasting, kNorthing) with its .prj, the GeoJSON square of 0.01° in longitude and latitude,
// and the GeoPackage.
struct VectorFolder {
    qrn::test::TestFolder tf {false};
    QString files = tf.file(QStringLiteral("Files/")), shapes = tf.file(QStringLiteral("Shape/"));

    VectorFolder()
    {
        tf.write(QStringLiteral("Files/ShapeConfig.xml"), kConfig);
        qrn::test::writeShapes(shapes + QStringLiteral("utm"), SHPT_POLYGON,
                               {{{qrn::test::square(kEasting - 2000, kNorthing - 2000, 4000)}, "1"}});
        tf.write(QStringLiteral("Shape/utm.prj"), qrn::test::epsgWkt(32632));
        tf.write(QStringLiteral("Shape/gradi.geojson"), geoJsonSquare(0.01));
        writeGeoPackage(shapes + QStringLiteral("confini.gpkg"));
    }
};

} // namespace

TEST(VectorLayer, GeoJsonReadsPartsHolesAttributesAndItsSystem)
{
    VectorFolder f;
    const auto layer = ShapeLayer::open(f.shapes + QStringLiteral("gradi.geojson"));
    ASSERT_TRUE(layer->valid()) << layer->error().toStdString();
    ASSERT_EQ(layer->featureCount(), 1);
    EXPECT_EQ(std::tuple(layer->name(), layer->kind(), layer->geographic()),
              std::tuple(QStringLiteral("gradi"), ShapeKind::Polygon, true));
    EXPECT_EQ(layer->partEnd(0) - layer->partBegin(0), 2); // the ring and its hole
    EXPECT_FALSE(layer->crs().isEmpty());
    EXPECT_EQ(QStringList({layer->value(0, "cod"), layer->value(0, "QUOTA"), layer->value(0, "NOME")}),
              QStringList({"7", "2.5", "Forlì"}));
    EXPECT_NEAR(layer->extent().center().x(), kLon, 1e-9);
    // The hole is not the feature; the ring around it is.
    EXPECT_TRUE(layer->search(QPointF(kLon, kLat)).empty());
    EXPECT_EQ(layer->search(QPointF(kLon + 0.005, kLat)), std::vector<int> {0});

    const auto missing = ShapeLayer::open(f.shapes + QStringLiteral("nessuno.geojson"));
    EXPECT_FALSE(missing->valid());
    EXPECT_TRUE(missing->error().startsWith(QStringLiteral("Impossibile aprire il file"))) << missing->error().toStdString();
}

TEST(VectorLayer, GeoJsonInDegreesDrawsInPlaceOverAUtmShapeFile)
{
    VectorFolder f;
    MapView map;
    map.setViewport(QSize(200, 200));
    const ShapeCase sc = LoadShapeConfig(f.files, f.shapes, QStringLiteral("utm"), map);
    ASSERT_EQ(map.layerCount(), 2);
    ShapeLayer *utm = sc.layers[0].layer.get(), *gradi = sc.layers[1].layer.get();
    ASSERT_TRUE(gradi->valid()) << gradi->error().toStdString();
    EXPECT_FALSE(gradi->geographic()); // now in metres, as the view
    EXPECT_NEAR(gradi->extent().center().x(), kEasting, 1.0);
    EXPECT_NEAR(gradi->extent().center().y(), kNorthing, 1.0);
    EXPECT_EQ(map.fullExtent(), utm->extent()); // the small square lies inside the large one
    // Identify finds the feature at a point of the view, in the view's metres.
    EXPECT_EQ(gradi->search(QPointF(kEasting + 400, kNorthing)), std::vector<int> {0});

    // Drawn: the GeoJSON's colour (255 = red) at the centre around its hole, the shape file's
    // (blue) near the large square's edge.
    QImage image(200, 200, QImage::Format_RGB32);
    {
        QPainter painter(&image);
        map.draw(painter, QRectF(0, 0, 200, 200));
    }
    const QPoint ringPixel = map.toPixel(QPointF(kEasting + 400, kNorthing)).toPoint();
    const QPoint edgePixel = map.toPixel(QPointF(kEasting + 1800, kNorthing + 1800)).toPoint();
    EXPECT_EQ(image.pixelColor(ringPixel), QColor(Qt::red));
    EXPECT_EQ(image.pixelColor(edgePixel), QColor(Qt::blue));
}

TEST(VectorLayer, ACaseNamesItsReferenceSystem)
{
    VectorFolder f;
    MapView map;
    const ShapeCase sc = LoadShapeConfig(f.files, f.shapes, QStringLiteral("wgs84"), map);
    EXPECT_EQ(sc.crs, QStringLiteral("EPSG:4326"));
    ASSERT_EQ(sc.layers.size(), 1u); // the <CRS> element is no layer entry
    const ShapeLayer &utm = *sc.layers[0].layer;
    ASSERT_TRUE(utm.valid()) << utm.error().toStdString();
    EXPECT_TRUE(utm.geographic());
    EXPECT_NEAR(utm.extent().center().x(), kLon, 1e-5);
    EXPECT_NEAR(utm.extent().center().y(), kLat, 1e-5);
    EXPECT_GT(map.metresPerUnit(), 1e5); // the scale follows the view's degrees

    // Saving the case's settings keeps its reference system.
    saveShapeConfig(f.files + QStringLiteral("ShapeConfig.xml"), QStringLiteral("wgs84"), 1, QStringLiteral("utm"),
                    &sc.layers[0]);
    EXPECT_EQ(readShapeConfig(f.files + QStringLiteral("ShapeConfig.xml"), QStringLiteral("wgs84")).crs,
              QStringLiteral("EPSG:4326"));

    // An unknown system leaves the layers undrawn, each with the reason.
    QByteArray xml = f.tf.read(QStringLiteral("Files/ShapeConfig.xml"));
    f.tf.write(QStringLiteral("Files/ShapeConfig.xml"), xml.replace("EPSG:4326", "EPSG:999999"));
    MapView other;
    const ShapeCase bad = LoadShapeConfig(f.files, f.shapes, QStringLiteral("wgs84"), other);
    EXPECT_EQ(other.layerCount(), 0);
    EXPECT_FALSE(bad.layers[0].layer->valid());
    EXPECT_TRUE(bad.layers[0].layer->error().contains(QStringLiteral("EPSG:999999")));
}

TEST(VectorLayer, AGeoPackageLayerIsNamedAfterTheFile)
{
    VectorFolder f;
    EXPECT_EQ(layerFilePath(f.shapes, QStringLiteral("regioni")), f.shapes + QStringLiteral("regioni.shp"));
    EXPECT_EQ(layerFilePath(f.shapes, QStringLiteral("r.2001")), f.shapes + QStringLiteral("r.2001.shp"));
    EXPECT_EQ(layerFilePath(f.shapes, QStringLiteral("c.GPKG|p")), f.shapes + QStringLiteral("c.GPKG|p"));

    MapView map;
    const ShapeCase sc = LoadShapeConfig(f.files, f.shapes, QStringLiteral("gpkg"), map);
    ASSERT_EQ(map.layerCount(), 1);
    const ShapeLayer &province = *sc.layers[0].layer;
    EXPECT_EQ(province.name(), QStringLiteral("province"));
    EXPECT_EQ(province.value(0, sc.layers[0].FieldId), QStringLiteral("40"));
    EXPECT_EQ(province.search(QPointF(50, 50)), std::vector<int> {0});
    const ShapeLayer &none = *sc.layers[1].layer;
    EXPECT_FALSE(none.valid());
    EXPECT_TRUE(none.error().contains(QStringLiteral("non contiene il layer comuni"))) << none.error().toStdString();
}
