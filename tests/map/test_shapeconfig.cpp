// ShapeConfig.xml: the cases of the sample file, the reading rules, bad files and saving back.

#include "map/mapview.h"
#include "map/shapeconfig.h"
#include "shapewriter.h"
#include "support/testfolder.h"

#include <QDir>
#include <QRegularExpression>
#include <gtest/gtest.h>
#include <shapefil.h>

using namespace qrn::map;

namespace {

// A configuration with case "t" over the layers "a" and "b" (both the file sq) and "missing".
const char *kConfig = R"(<?xml version="1.0" encoding="UTF-8"?>
<Configs>
  <LoadOrder>
    <Case name="t" mapBackColor="255">
      <Layer OutlineColor="1" BackColor="2" Outline="Vero" Trasparenza="False" useToMatch="True">a</Layer>
      <Layer OutlineColor="3" BackColor="4.6" Outline="true" Trasparenza="True" useToMatch="1">B</Layer>
      <Layer OutlineColor="5" BackColor="6" Outline="1" Trasparenza="Vero" useToMatch="False">missing</Layer>
    </Case>
    <Case name="Maiusc" mapBackColor="0"><Layer OutlineColor="1" BackColor="2" Outline="True" Trasparenza="False" useToMatch="True">a</Layer></Case>
  </LoadOrder>
  <Shapes>
    <Shape name="a"><FileName>sq</FileName><GeoName>ga</GeoName><FieldId>CODE</FieldId><LandFields>N_TERCO</LandFields><LandMatch>t</LandMatch><Label>L</Label></Shape>
    <Shape name="b"><FileName>sq</FileName><GeoName>gb</GeoName><FieldId>CODE</FieldId><LandFields>N_TERCO</LandFields><LandMatch>x</LandMatch><Label>L</Label></Shape>
    <Shape name="missing"><FileName>nofile</FileName><GeoName>gm</GeoName><FieldId>CODE</FieldId><LandFields>N_TERCO</LandFields><LandMatch>x</LandMatch><Label>L</Label></Shape>
  </Shapes>
</Configs>
)";

struct ConfigFolder {
    qrn::test::TestFolder tf {false};
    QString files = tf.file(QStringLiteral("Files/")), shapes = tf.file(QStringLiteral("Shape/"));

    explicit ConfigFolder(const QByteArray &xml = kConfig)
    {
        tf.write(QStringLiteral("Files/ShapeConfig.xml"), xml);
        qrn::test::writeShapes(shapes + QStringLiteral("sq"), SHPT_POLYGON, {{{qrn::test::square(0, 0, 1)}, "1"}});
    }
    QByteArray xml() const { return tf.read(QStringLiteral("Files/ShapeConfig.xml")); }
};

} // namespace

TEST(ShapeConfig, EveryCaseOfTheSampleLoads)
{
    qrn::test::TestFolder tf;
    // Each case and its files, bottom first.
    const std::pair<const char *, QStringList> cases[] = {
        {"regioni", {"regioni"}},
        {"nuts2", {"nuts2"}},
        {"provincia103", {"province103", "regioni"}},
        {"PROVINCIA107", {"province107", "regioni"}}}; // looked up in lower case
    for (const auto &[name, files] : cases) {
        MapView map;
        const ShapeCase sc = LoadShapeConfig(tf.file(QStringLiteral("Files/")), tf.file(QStringLiteral("Shape/")),
                                             QString::fromLatin1(name), map);
        ASSERT_EQ(int(sc.layers.size()), files.size()) << name;
        EXPECT_EQ(sc.matchIndex, 0);
        EXPECT_EQ(map.backColor, 15918806u);
        EXPECT_EQ(map.extent(), map.homeExtent());
        ASSERT_EQ(map.layerCount(), files.size());
        for (int i = 0; i < files.size(); ++i) {
            const LayerConfig &e = sc.layers[size_t(i)];
            EXPECT_EQ(e.FileName, files[i]);
            EXPECT_TRUE(e.matchesCase == (i == 0)) << name << i;
            EXPECT_EQ(map.layer(map.layerCount() - 1 - i), e.layer.get()); // the first at the bottom
        }
        EXPECT_EQ(sc.layers.back().layer->symbol.style, files.size() == 2 ? FillStyle::Transparent : FillStyle::Solid);
    }
}

TEST(ShapeConfig, ReadingRulesAndAMissingShapeFile)
{
    ConfigFolder f;
    MapView map;
    const ShapeCase sc = LoadShapeConfig(f.files, f.shapes, QStringLiteral("t"), map);
    ASSERT_EQ(sc.layers.size(), 3u);
    // Only "Vero" is true for Outline; BackColor rounds; the entry's text is lower-cased; the
    // later useToMatch wins.
    EXPECT_EQ(QList<bool>({sc.layers[0].Outline, sc.layers[1].Outline, sc.layers[2].Outline, sc.layers[2].Trasparenza,
                           sc.layers[0].matchesCase}),
              QList<bool>({true, false, false, true, true}));
    EXPECT_EQ(std::tuple(sc.mapBackColor, sc.layers[1].BackColor, sc.layers[1].GeoName, sc.matchIndex),
              std::tuple(255u, 5u, QString("gb"), qint16(1)));
    EXPECT_EQ(sc.layers[0].layer->symbol, (Symbol {2, 1, true, FillStyle::Solid}));
    // The missing file keeps its entry but draws nothing.
    EXPECT_FALSE(sc.layers[2].layer->valid());
    EXPECT_EQ(map.layerCount(), 2);
}

TEST(ShapeConfig, BadConfigurationsFailBeforeTouchingTheMap)
{
    const QByteArray good = kConfig;
    struct Case {
        const char *what;
        QByteArray xml;
        const char *caseName;
    };
    const Case cases[] = {{"capitalised case name", good, "Maiusc"},
                          {"unknown case", good, "nessuno"},
                          {"quote in the case name", good, "t' or '1'='1"},
                          {"malformed", good.left(good.size() / 2), "t"},
                          {"empty", QByteArray(), "t"},
                          {"missing attribute", QByteArray(good).replace("BackColor=\"2\" ", ""), "t"},
                          {"missing Shape child",
                           QByteArray(good).replace("<Label>L</Label></Shape>\n  </Shapes>", "</Shape></Shapes>"), "t"},
                          {"bad colour", QByteArray(good).replace("OutlineColor=\"3\"", "OutlineColor=\"blu\""), "t"},
                          {"bad boolean", QByteArray(good).replace("useToMatch=\"1\"", "useToMatch=\"forse\""), "t"}};
    for (const Case &c : cases) {
        ConfigFolder f(c.xml);
        MapView map;
        map.backColor = 7;
        EXPECT_THROW(LoadShapeConfig(f.files, f.shapes, QString::fromLatin1(c.caseName), map), ShapeConfigError)
            << c.what;
        EXPECT_EQ(map.layerCount(), 0) << c.what;
        EXPECT_EQ(map.backColor, 7u) << c.what;
    }
    EXPECT_THROW(readShapeConfig(QStringLiteral("/nessuna/ShapeConfig.xml"), QStringLiteral("t")), ShapeConfigError);
}

// The reader's English stays out of the message and goes with it as detail for the log.
TEST(ShapeConfig, ReadingErrorsAreItalianWithTheReadersWordsAsDetail)
{
    ConfigFolder f(QByteArray(kConfig).replace("BackColor=\"2\"", "BackColor=2"));
    const std::pair<QString, const char *> cases[] = {{shapeConfigPath(f.files), "Error parsing element attribute"},
                                                      {QStringLiteral("/nessuna/ShapeConfig.xml"), "File was not found"}};
    for (const auto &[file, english] : cases) {
        try {
            readShapeConfig(file, QStringLiteral("t"));
            ADD_FAILURE() << english;
        } catch (const ShapeConfigError &e) {
            EXPECT_TRUE(e.text().startsWith(QStringLiteral("Impossibile leggere %1: ").arg(file))) << e.what();
            EXPECT_FALSE(e.text().contains(QLatin1String(english), Qt::CaseInsensitive)) << e.what();
            EXPECT_TRUE(e.detail().startsWith(QLatin1String(english))) << e.detail().toStdString();
        }
    }
}

TEST(ShapeConfig, SavingWritesTheSelectedLayerAndTheBackground)
{
    ConfigFolder f;
    const QString file = shapeConfigPath(f.files);
    LayerConfig changed = readShapeConfig(file, QStringLiteral("t")).layers[0];
    std::tie(changed.BackColor, changed.OutlineColor, changed.Outline,
             changed.Trasparenza) = std::tuple(123456u, 654321u, true, true);

    // No child with the selected text: only the background changes.
    saveShapeConfig(file, QStringLiteral("t"), 42, QStringLiteral("sq"), &changed);
    auto tight = [](QByteArray xml) {
        return QString::fromUtf8(xml)
            .replace(QRegularExpression(QStringLiteral(">\\s+<")), QStringLiteral("><"))
            .trimmed();
    };
    EXPECT_EQ(tight(f.xml().replace("mapBackColor=\"42\"", "mapBackColor=\"255\"")), tight(kConfig));

    for (const auto &[locale, word] :
         {std::pair {QLocale(QLocale::Italian), "Vero"}, std::pair {QLocale(QLocale::English), "True"}}) {
        saveShapeConfig(file, QStringLiteral("T"), 99, QStringLiteral("a"), &changed, locale);
        EXPECT_TRUE(f.xml().contains(QByteArray("Outline=\"") + word + "\" Trasparenza=\"" + word + "\""));
        const ShapeCase back = readShapeConfig(file, QStringLiteral("t"));
        EXPECT_EQ(back.mapBackColor, 99u);
        EXPECT_EQ(std::tuple(back.layers[0].BackColor, back.layers[0].OutlineColor, back.layers[0].Outline,
                             back.layers[0].Trasparenza),
                  std::tuple(123456u, 654321u, true, true));
        EXPECT_EQ(back.layers[1].BackColor, 5u); // the others stay
    }
    EXPECT_EQ(QDir(f.files).entryList(QDir::Files), QStringList {QStringLiteral("ShapeConfig.xml")});
    // A case that is not there: an error and the file unchanged.
    const QByteArray before = f.xml();
    EXPECT_THROW(saveShapeConfig(file, QStringLiteral("nessuno"), 1, QStringLiteral("a"), &changed), ShapeConfigError);
    EXPECT_EQ(f.xml(), before);
}
