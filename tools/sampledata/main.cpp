// Generates the sample databases of the program from the data files under data/: the
// catalogue, the territories, the menus, the glossary and synthetic yearly values. The output
// depends only on the input files, so two runs give identical files.
//
// usage: quarnaro-sampledata <data folder> <output folder>
//   writes <out>/Databases/{Metadati,territorio,Variabili,IndEconomici,IndSociali}.sqlite,
//          <out>/Files/bdc_utente.sqlite and <out>/Files/InfoQrn.txt

#include "csvtable.h"
#include "map/provincecase.h"
#include "shell/dberror.h"
#include "shell/store.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QMap>
#include <QSet>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <map>
#include <set>
#include <stdexcept>

namespace {

constexpr int kFirstYear = 1996;
constexpr int kLastYear = 2008;

// ---- a thin writer over the program's store ------------------------------------------------

// A new store file, written in one transaction; the program's own connection runs every
// statement. A store error becomes a runtime error that ends the tool.
class Db {
public:
    explicit Db(const QString &path)
    {
        QFile::remove(path);
        guard([&] {
            m_db = qrn::Connection::create(path, qrn::NumberFormat::point());
            m_db->executeScript(QStringLiteral("PRAGMA journal_mode=DELETE; PRAGMA page_size=4096; BEGIN"));
        });
    }
    ~Db() noexcept(false) { exec(QStringLiteral("COMMIT; VACUUM")); }
    void exec(const QString &sql)
    {
        guard([&] { m_db->executeScript(sql); });
    }
    // Creates a table whose columns are text (compared without regard to case) unless their
    // declaration says otherwise ("name REAL").
    void create(const QString &table, const QStringList &columns)
    {
        QStringList decl;
        for (const QString &c : columns) {
            const int sp = c.lastIndexOf(QLatin1Char(' '));
            const QString type = sp > 0 ? c.mid(sp + 1) : QString();
            if (type == QLatin1String("REAL") || type == QLatin1String("INTEGER"))
                decl << QStringLiteral("[%1] %2").arg(c.left(sp), type);
            else
                decl << QStringLiteral("[%1] TEXT COLLATE NOCASE").arg(c);
        }
        exec(QStringLiteral("CREATE TABLE [%1] (%2)").arg(table, decl.join(QStringLiteral(", "))));
    }
    // A null text is stored as a null.
    void insert(const QString &table, QVariantList values)
    {
        QStringList marks;
        for (QVariant &v : values) {
            marks << QStringLiteral("?");
            if (v.typeId() == QMetaType::QString && v.toString().isNull())
                v = QVariant();
        }
        guard([&] {
            m_db->execute(QStringLiteral("INSERT INTO [%1] VALUES (%2)").arg(table, marks.join(QLatin1Char(','))),
                          values);
        });
    }

private:
    template <class F> static void guard(F &&f)
    {
        try {
            f();
        } catch (const qrn::DbError &e) {
            throw std::runtime_error(e.description().toStdString());
        }
    }
    std::unique_ptr<qrn::Connection> m_db;
};

// ---- deterministic noise --------------------------------------------------------------------

uint64_t mix(uint64_t x)
{
    x += 0x9E3779B97F4A7C15ull;
    x = (x ^ (x >> 30)) * 0xBF58476D1CE4E5B9ull;
    x = (x ^ (x >> 27)) * 0x94D049BB133111EBull;
    return x ^ (x >> 31);
}

uint64_t hashText(const QString &s, uint64_t seed = 0)
{
    uint64_t h = 1469598103934665603ull ^ seed;
    for (const QChar c : s) {
        h ^= c.unicode();
        h *= 1099511628211ull;
    }
    return mix(h);
}

// A number in [0, 1) fixed by the texts given.
double unit(const QString &a, const QString &b = QString(), int n = 0)
{
    const uint64_t h = mix(hashText(a) ^ (hashText(b, 7) * 3) ^ mix(uint64_t(n) + 11));
    return double(h >> 11) / double(1ull << 53);
}

QSet<int> parseYears(const QString &text)
{
    QSet<int> years;
    for (const QString &part : text.split(QLatin1Char(','), Qt::SkipEmptyParts)) {
        const QString p = part.trimmed();
        const int dash = p.indexOf(QLatin1Char('-'));
        if (dash > 0) {
            const int a = p.left(dash).toInt(), b = p.mid(dash + 1).toInt();
            for (int y = a; y <= b; ++y)
                years.insert(y);
        } else if (!p.isEmpty()) {
            years.insert(p.toInt());
        }
    }
    return years;
}

QMap<int, QString> parseNotes(const QString &text)
{
    QMap<int, QString> notes;
    for (const QString &part : text.split(QLatin1Char('|'), Qt::SkipEmptyParts)) {
        const int colon = part.indexOf(QLatin1Char(':'));
        if (colon > 0)
            notes.insert(part.left(colon).trimmed().toInt(), part.mid(colon + 1).trimmed());
    }
    return notes;
}

// "Field=value|Field=value": values of single fields that differ from what the generator
// writes (a "-" source, a year without data, a note on two lines written as "\n").
QMap<QString, QString> parseExceptions(const QString &text)
{
    QMap<QString, QString> out;
    for (const QString &part : text.split(QLatin1Char('|'), Qt::SkipEmptyParts)) {
        const int eq = part.indexOf(QLatin1Char('='));
        if (eq > 0)
            out.insert(part.left(eq).trimmed().toLower(),
                       part.mid(eq + 1).replace(QLatin1String("\\n"), QLatin1String("\n")));
    }
    return out;
}

// Writes the exceptions over a row laid out as columns ("Name" or "Name INTEGER").
void applyExceptions(QVariantList &row, const QStringList &columns, const QString &exceptions)
{
    const QMap<QString, QString> ex = parseExceptions(exceptions);
    for (int i = 0; i < columns.size() && i < row.size(); ++i) {
        const QString name = columns[i].section(QLatin1Char(' '), 0, 0).toLower();
        const auto f = ex.constFind(name);
        if (f != ex.constEnd())
            row[i] = *f;
    }
}

// The topic of the catalogue tree: without the marks "- NO", "-NO" (never listed) and "-PD".
QString stripExclusion(const QString &topic)
{
    QString t = topic;
    if (t.endsWith(QLatin1String("-PD")))
        t.chop(3);
    const int a = t.indexOf(QLatin1String("- NO"));
    const int b = t.indexOf(QLatin1String("-NO"));
    int cut = -1;
    if (a >= 0)
        cut = a;
    if (b >= 0 && (cut < 0 || b < cut))
        cut = b;
    return cut >= 0 ? t.left(cut).trimmed() : t;
}

// ---- territories ----------------------------------------------------------------------------

struct Territory {
    QString code;
    int type = 0;
    QString name;
    int prov = 0;
    QString reg;
    QString nuts;
    double pop = 0;
    bool in103 = true, in107 = true;
};

struct Item {
    QString code, desc, topic, unit, level, database, kind;
    QSet<int> years;
    QMap<int, QString> notes;
    double scale = 1;
    bool indicator = false;
    QStringList extra; // the row of the data file
};

// Regions of each aggregate, by the aggregate's code or name.
QStringList aggregateRegions(const Territory &t)
{
    auto range = [](int a, int b) {
        QStringList r;
        for (int i = a; i <= b; ++i)
            r << QStringLiteral("%1").arg(i, 2, 10, QLatin1Char('0'));
        return r;
    };
    const QString n = t.name.toLower();
    if (t.code == QLatin1String("RIP1"))
        return {"01", "02", "03", "07"};
    if (t.code == QLatin1String("RIP2"))
        return {"04", "05", "06", "08"};
    if (t.code == QLatin1String("RIP3"))
        return range(9, 12);
    if (t.code == QLatin1String("RIP4"))
        return range(13, 18);
    if (t.code == QLatin1String("RIP5"))
        return {"19", "20"};
    if (t.code == QLatin1String("ITA"))
        return range(1, 20);
    if (n.contains(QLatin1String("mezzogiorno")))
        return range(13, 20);
    if (n.contains(QLatin1String("centro-nord")) || n.contains(QLatin1String("centro nord")))
        return range(1, 12);
    if (n.contains(QLatin1String("obiettivo 1")))
        return range(14, 20);
    if (n.contains(QLatin1String("convergenza")))
        return {"15", "16", "18", "19"};
    if (n.contains(QLatin1String("competitivit"))) {
        QStringList r = range(1, 14);
        r << "17"
          << "20";
        return r;
    }
    return range(1, 20);
}

// The old province that each 2005 Sardinian province was carved out of.
const std::map<QString, QString> kSardinianParents = {{"104", "090"}, {"105", "091"}, {"106", "092"}, {"107", "092"}};

struct Values {
    std::map<QString, double> byTerritory; // COD_TERR -> value; absent = missing
};

class Generator {
public:
    Generator(const QString &data, const QString &out) : m_data(data), m_out(out) { }
    void run();

private:
    void readInputs();
    void writeTerritorio();
    void writeMetadati();
    void writeDataDatabases();
    void writeUserDb();
    Values valuesOf(const Item &item, int year) const;

    QString m_data, m_out;
    std::vector<Territory> m_terr;
    CsvTable m_settori, m_argomenti, m_variabili, m_indicatori, m_valutazioni, m_glossario, m_info;
    std::vector<Item> m_items;
    QMap<QString, QString> m_topicSector;
};

void Generator::readInputs()
{
    const CsvTable t = CsvTable::read(m_data + QStringLiteral("/territori.csv"));
    for (size_t r = 0; r < t.rows.size(); ++r) {
        Territory x;
        x.code = t.at(r, "COD_TERR").trimmed();
        x.type = t.at(r, "COD_TIPO_TERR").toInt();
        x.name = t.at(r, "DES_TERR").trimmed();
        x.prov = t.at(r, "PROV").toInt();
        x.reg = t.at(r, "REG").trimmed();
        x.nuts = t.at(r, "COD_NUTS").trimmed();
        x.pop = t.at(r, "POP2001").toDouble();
        x.in103 = t.at(r, "IN103").trimmed() != QLatin1String("0");
        x.in107 = t.at(r, "IN107").trimmed() != QLatin1String("0");
        m_terr.push_back(x);
    }
    const QString cat = m_data + QStringLiteral("/catalogue/");
    m_settori = CsvTable::read(cat + "settori.csv");
    m_argomenti = CsvTable::read(cat + "argomenti.csv");
    m_variabili = CsvTable::read(cat + "variabili.csv");
    m_indicatori = CsvTable::read(cat + "indicatori.csv");
    m_valutazioni = CsvTable::read(cat + "valutazioni.csv");
    m_glossario = CsvTable::read(cat + "glossario.csv");
    m_info = CsvTable::read(cat + "info.csv");
    for (size_t r = 0; r < m_argomenti.rows.size(); ++r)
        m_topicSector.insert(m_argomenti.at(r, "CodiceArgomento"), m_argomenti.at(r, "idSettore"));

    for (size_t r = 0; r < m_variabili.rows.size(); ++r) {
        Item it;
        it.code = m_variabili.at(r, "IdVariabile").trimmed();
        it.desc = m_variabili.at(r, "DescVariabile");
        it.topic = m_variabili.at(r, "CodiceArgomento");
        it.unit = m_variabili.at(r, "UnitaMisura");
        it.level = m_variabili.at(r, "LivelloTerritoriale").trimmed().toUpper();
        it.years = parseYears(m_variabili.at(r, "Anni"));
        it.notes = parseNotes(m_variabili.at(r, "NoteAnni"));
        it.scale = m_variabili.at(r, "Scala").toDouble();
        it.kind = m_variabili.at(r, "Tipo").trimmed().toLower();
        it.database = QStringLiteral("Variabili");
        it.extra = m_variabili.rows[r];
        m_items.push_back(it);
    }
    for (size_t r = 0; r < m_indicatori.rows.size(); ++r) {
        Item it;
        it.code = m_indicatori.at(r, "IdIndicatore").trimmed();
        it.desc = m_indicatori.at(r, "DescIndicatore");
        it.topic = m_indicatori.at(r, "Argomento");
        it.level = m_indicatori.at(r, "LivelloTerritoriale").trimmed().toUpper();
        it.years = parseYears(m_indicatori.at(r, "Anni"));
        it.scale = m_indicatori.at(r, "Scala").toDouble();
        it.kind = QStringLiteral("intensivo");
        it.database = m_indicatori.at(r, "Database").trimmed();
        it.indicator = true;
        it.extra = m_indicatori.rows[r];
        m_items.push_back(it);
    }
}

void Generator::writeTerritorio()
{
    Db db(m_out + QStringLiteral("/Databases/territorio.sqlite"));
    db.create("land_Ind", {"COD_TERR", "COD_TIPO_TERR INTEGER", "DES_TERR", "PROV INTEGER", "REG", "COD_NUTS"});
    db.create("land", {"cod_terr", "N_PROV INTEGER", "Provincia", "REGIONE", "NUTS2", "N_TERCO"});
    QMap<QString, QString> regionNames;
    for (const Territory &t : m_terr)
        if (t.type == 2 || t.type == 22)
            regionNames.insert(t.reg, t.name);
    for (const Territory &t : m_terr) {
        db.insert("land_Ind", {t.code, t.type, t.name, t.prov > 0 ? QVariant(t.prov) : QVariant(), t.reg, t.nuts});
        const bool province = t.type == 1 || t.type == 6;
        const QString nuts2 = t.type == 6 ? t.nuts : (province ? t.nuts.left(4) : (t.type == 2 ? t.nuts : QString()));
        db.insert("land",
                  {t.code, t.prov > 0 ? QVariant(t.prov) : QVariant(), province ? t.name : QString(),
                   regionNames.value(t.reg), nuts2, province ? QString::number(t.prov) : t.code});
    }
}

void Generator::writeMetadati()
{
    Db db(m_out + QStringLiteral("/Databases/Metadati.sqlite"));
    db.create("Settore", {"idSettore", "Descrizione Settore"});
    for (const QStringList &r : m_settori.rows)
        db.insert("Settore", {r.value(0).trimmed(), r.value(1).trimmed()});
    db.create("Argomento", {"Codice argomento", "Desc argomento", "idSettore"});
    for (const QStringList &r : m_argomenti.rows)
        db.insert("Argomento", {r.value(0).trimmed(), r.value(1).trimmed(), r.value(2).trimmed()});

    QStringList yearCols, notes, fonti, pubbl, enti;
    for (int y = kFirstYear; y <= kLastYear; ++y) {
        yearCols << QString::number(y);
        notes << QStringLiteral("Note_%1").arg(y);
        fonti << QStringLiteral("Fonte_%1").arg(y);
        pubbl << QStringLiteral("Pubblicazione_%1").arg(y);
        enti << QStringLiteral("Ente_%1").arg(y);
    }
    const QStringList varCols = QStringList {"IdVariabile",  "DescVariabile", "CodiceArgomento",      "Fonte",
                                             "PubblRecente", "Ente",          "UltimoAnnoDisponibile"}
        + yearCols + QStringList {"UnitaMisura", "PeriodoRif", "NoteSerie"} + notes + fonti + pubbl + enti
        + QStringList {"LivelloTerritoriale", "NumProvince INTEGER"};
    const QStringList indCols = QStringList {"IdIndicatore", "DescIndicatore", "Argomento", "ModalitaCalcolo",
                                             "IdVariabilAssociate"}
        + yearCols + QStringList {"NoteTecniche",         "Valutazione",   "PSM",         "BdQuid",
                                  "Destinazione",         "Prov INTEGER",  "SLL INTEGER", "Comune INTEGER",
                                  "DatoPuntuale INTEGER", "UtilizzSintesi"};
    db.create("MetadatiVariabili", varCols);
    db.create("MetadatiIndicatori", indCols);
    db.create("IndVarAnno",
              {"Settore", "Argomento", "Variabile", "TipoVar", "LivTerritoriale", "Anno INTEGER", "Tabella"});

    for (const Item &it : m_items) {
        QVariantList row;
        int last = 0;
        for (int y : it.years)
            last = std::max(last, y);
        if (!it.indicator) {
            const QString fonte = it.extra.value(m_variabili.column("Fonte"));
            const QString ente = it.extra.value(m_variabili.column("Ente"));
            const QString pub = it.extra.value(m_variabili.column("PubblRecente"));
            row << it.code << it.desc << it.topic << fonte << pub << ente << QString::number(last);
            // Each year with data holds the territorial level of its data ("P" or "R").
            for (int y = kFirstYear; y <= kLastYear; ++y)
                row << (it.years.contains(y) ? it.level : QString());
            row << it.unit << it.extra.value(m_variabili.column("PeriodoRif"))
                << it.extra.value(m_variabili.column("NoteSerie"));
            for (int y = kFirstYear; y <= kLastYear; ++y)
                row << (it.notes.contains(y) ? it.notes.value(y) : QString());
            for (int y = kFirstYear; y <= kLastYear; ++y)
                row << (it.years.contains(y) ? fonte : QString());
            for (int y = kFirstYear; y <= kLastYear; ++y)
                row << (it.years.contains(y) ? pub : QString());
            for (int y = kFirstYear; y <= kLastYear; ++y)
                row << (it.years.contains(y) ? ente : QString());
            row << it.level
                << (it.level == QLatin1String("P") ? QVariant(qrn::map::provinceCase(it.code, last).right(3).toInt())
                                                   : QVariant());
            applyExceptions(row, varCols, it.extra.value(m_variabili.column("Eccezioni")));
            db.insert("MetadatiVariabili", row);
        } else {
            const CsvTable &t = m_indicatori;
            row << it.code << it.desc << it.topic << it.extra.value(t.column("ModalitaCalcolo"))
                << it.extra.value(t.column("IdVariabilAssociate"));
            for (int y = kFirstYear; y <= kLastYear; ++y)
                row << (it.years.contains(y) ? it.level : QString());
            for (const char *c : {"NoteTecniche", "Valutazione", "PSM", "BdQuid", "Destinazione"})
                row << it.extra.value(t.column(QString::fromLatin1(c)));
            // The sheet's check boxes read these as 1 (ticked) or 0.
            for (const char *c : {"Prov", "SLL", "Comune", "DatoPuntuale"}) {
                const QString v = it.extra.value(t.column(QString::fromLatin1(c))).trimmed().toLower();
                row << ((v == QLatin1String("si") || v == QLatin1String("sì") || v == QLatin1String("1")) ? 1 : 0);
            }
            row << it.extra.value(t.column(QStringLiteral("UtilizzSintesi")));
            applyExceptions(row, indCols, it.extra.value(t.column("Eccezioni")));
            db.insert("MetadatiIndicatori", row);
        }
        const QString topic = stripExclusion(it.topic);
        const QString prefix = it.code.left(it.indicator ? 3 : 2);
        QList<int> years(it.years.begin(), it.years.end());
        std::sort(years.begin(), years.end());
        for (int y : years) {
            const QString table = prefix + QStringLiteral("_") + QString::number(y);
            if (it.level == QLatin1String("P"))
                db.insert("IndVarAnno",
                          {m_topicSector.value(topic), topic, it.code, it.indicator ? "I" : "V", "P", y, table});
            db.insert("IndVarAnno",
                      {m_topicSector.value(topic), topic, it.code, it.indicator ? "I" : "V", "R", y, table});
        }
    }

    db.create("Valutazioni", {"Valutazione", "Descrizione"});
    for (const QStringList &r : m_valutazioni.rows)
        db.insert("Valutazioni", {r.value(0).trimmed(), r.value(1).trimmed()});
    db.create("Glossario", {"Nome", "Definizione", "idsettore"});
    for (const QStringList &r : m_glossario.rows)
        db.insert("Glossario", {r.value(0).trimmed(), r.value(1).trimmed(), r.value(2).trimmed()});
    db.create("InfoAggiornamento", {"Etichetta", "Nota"});
    for (const QStringList &r : m_info.rows)
        db.insert("InfoAggiornamento", {r.value(0), r.value(1)});

    // Configured data databases: the variables first, then the indicators; column 10 is the
    // caption of the selection window.
    db.create("DbConfigs",
              {"dbnames", "dbdesc", "TipoDb", "Ordine INTEGER", "Versione", "AnnoIniziale INTEGER",
               "AnnoFinale INTEGER", "Livelli", "Fonte", "Note", "Didascalia"});
    db.insert("DbConfigs",
              {"Variabili.mdb", "Variabili delle infrastrutture", "Variabili", 1, "1.0", kFirstYear, kLastYear, "P,R",
               "Dati di esempio", QString(), "Variabili"});
    db.insert("DbConfigs",
              {"IndEconomici.mdb", "Indicatori delle infrastrutture economiche", "Indicatori", 2, "1.0", kFirstYear,
               kLastYear, "P,R", "Dati di esempio", QString(), "Indicatori delle infrastrutture economiche"});
    db.insert("DbConfigs",
              {"IndSociali.mdb", "Indicatori delle infrastrutture sociali", "Indicatori", 3, "1.0", kFirstYear,
               kLastYear, "P,R", "Dati di esempio", QString(), "Indicatori delle infrastrutture sociali"});

    // Links to make at start-up: table, database that holds it, database that links it.
    db.create("tablelink", {"NomeTabella", "DbOrigine", "DbCollegamento"});
    for (const char *target : {"Variabili.mdb", "IndEconomici.mdb", "IndSociali.mdb"}) {
        for (const char *t : {"Settore", "Argomento", "MetadatiVariabili", "MetadatiIndicatori", "Valutazioni"})
            db.insert("tablelink", {t, "Metadati.mdb", target});
        db.insert("tablelink", {"land_Ind", "Territorio.mdb", target});
        db.insert("tablelink", {"land", "territorio.mdb", target});
    }

    // The menu bar. Parent -1: a menu of the bar; a row with IdMenu > 0 under parent n: a
    // drop-down inside drop-down n (numbered from 0 in creation order); IdMenu 0: a command.
    db.create("DBMainMenu",
              {"IdMenu INTEGER", "IdMenuParent INTEGER", "Orderb INTEGER", "DescName", "isSeparator INTEGER",
               "isDisable INTEGER", "isChecked INTEGER", "FormToOpen", "DBname", "TipoDb", "LivTerritoriale"});
    struct M {
        int id, parent, order;
        const char *caption;
        int sep, dis, chk;
        const char *form, *dbname, *tipo, *level;
    };
    const M menu[] = {
        {1, -1, 1, "&File", 0, 0, 0, "", nullptr, nullptr, nullptr}, // drop-down 0
        {2, -1, 2, "&Variabili", 0, 0, 0, "", nullptr, nullptr, nullptr}, // drop-down 1
        {3, -1, 3, "&Indicatori", 0, 0, 0, "", nullptr, nullptr, nullptr}, // drop-down 2
        {4, -1, 4, "&Metadati", 0, 0, 0, "", nullptr, nullptr, nullptr}, // drop-down 3
        {5, -1, 5, "&?", 0, 0, 0, "", nullptr, nullptr, nullptr}, // drop-down 4
        {0, 0, 1, "Informazioni e aggiornamenti...", 0, 0, 0, "FRMINFO", nullptr, nullptr, nullptr}, // item 1
        {0, 1, 1, "Dati provinciali e regionali...", 0, 0, 0, "FORMDATITAB", "Variabili.mdb", "Variabili", "P"}, // 2
        {6, 1, 2, "", 1, 0, 0, "", nullptr, nullptr, nullptr},
        {0, 1, 3, "Solo dati regionali...", 0, 0, 0, "FormDatiTab", "Variabili.mdb", "Variabili", "R"}, // 3
        {7, 2, 1, "Infrastrutture economiche", 0, 0, 0, "", nullptr, nullptr, nullptr}, // drop-down 5
        {8, 2, 2, "Infrastrutture sociali", 0, 0, 0, "", nullptr, nullptr, nullptr}, // drop-down 6
        {9, 2, 3, "", 1, 0, 0, "", nullptr, nullptr, nullptr},
        {10, 2, 4, "Indicatori comunali (non disponibili)", 0, 1, 0, "", nullptr, nullptr, nullptr},
        {0, 3, 1, "Consultazione metadati...", 0, 0, 0, "FRMMETADATI", nullptr, "Variabili", nullptr}, // 4
        {0, 3, 2, "Elenco metadati...", 0, 0, 0, "FRMLISTAMETADATI", nullptr, nullptr, nullptr}, // 5
        {11, 3, 3, "", 1, 0, 0, "", nullptr, nullptr, nullptr},
        {0, 3, 4, "Glossario...", 0, 0, 0, "glossario", nullptr, nullptr, nullptr}, // 6
        {0, 4, 1, "Dati di esempio (valori sintetici)", 0, 1, 0, "", nullptr, nullptr, nullptr}, // 7
        {0, 4, 2, "Informazioni su Quarnaro...", 0, 0, 0, "FRMABOUT", nullptr, nullptr, nullptr}, // 8
        {0, 5, 1, "Dati provinciali e regionali...", 0, 0, 0, "FORMDATITAB", "IndEconomici.mdb", "Indicatori",
         "P"}, // 9
        {0, 5, 2, "Solo dati regionali...", 0, 0, 0, "FORMDATITAB", "IndEconomici.mdb", "Indicatori", "R"}, // 10
        {0, 6, 1, "Dati provinciali e regionali...", 0, 0, 0, "FORMDATITAB", "IndSociali.mdb", "Indicatori", "P"}, // 11
        {0, 6, 2, "Solo dati regionali...", 0, 0, 0, "FORMDATITAB", "IndSociali.mdb", "Indicatori", "R"}, // 12
    };
    for (const M &m : menu) {
        auto text = [](const char *s) { return s ? QVariant(QString::fromUtf8(s)) : QVariant(); };
        db.insert("DBMainMenu",
                  {m.id, m.parent, m.order, QString::fromUtf8(m.caption), m.sep, m.dis, m.chk,
                   QString::fromUtf8(m.form), text(m.dbname), text(m.tipo), text(m.level)});
    }
}

Values Generator::valuesOf(const Item &it, int year) const
{
    Values v;
    const bool extensive = it.kind.startsWith(QLatin1String("est"));
    const double growth = -0.01 + 0.05 * unit(it.code, QStringLiteral("growth"));
    const double trend = std::pow(1.0 + growth, year - kFirstYear);
    const bool provincial = it.level == QLatin1String("P");
    const bool on107 = qrn::map::provinceCase(it.code, year) == QLatin1String("provincia107");

    auto baseValue = [&](const Territory &t, double pop) {
        const double place = 0.55 + 0.9 * unit(it.code, t.code);
        const double noise = 0.97 + 0.06 * unit(it.code, t.code, year);
        double x = it.scale * place * trend * noise;
        if (extensive)
            x *= pop / 500000.0;
        return std::round(x * 1000.0) / 1000.0;
    };
    auto missing = [&](const Territory &t) { return unit(it.code, t.code, year + 5000) < 0.015; };

    // Bottom level: provinces (on the province set of this item and year) or, for regional
    // items, the regions and the two autonomous provinces.
    std::map<QString, std::vector<std::pair<double, double>>> byRegion; // region -> (value, pop)
    std::map<QString, double> popOf;
    for (const Territory &t : m_terr)
        popOf[t.code] = t.pop;
    if (provincial) {
        std::map<QString, double> carved;
        if (!on107)
            for (const auto &[child, parent] : kSardinianParents)
                carved[parent] += popOf[child];
        for (const Territory &t : m_terr) {
            if (t.type != 1 && t.type != 6)
                continue;
            if (on107 ? !t.in107 : !t.in103)
                continue;
            // The file gives the populations of the 107-province set; on the 103 set the old
            // Sardinian provinces still include the areas later carved out of them.
            double pop = t.pop;
            if (!on107 && carved.count(t.code))
                pop += carved[t.code];
            const double x = baseValue(t, pop);
            byRegion[t.reg].push_back({x, pop});
            if (!missing(t))
                v.byTerritory[t.code] = x;
        }
    } else {
        for (const Territory &t : m_terr) {
            if (t.type != 2 && t.type != 6)
                continue;
            const double x = baseValue(t, t.pop);
            byRegion[t.reg].push_back({x, t.pop});
            if (!missing(t))
                v.byTerritory[t.code] = x;
        }
    }
    auto combine = [&](const std::vector<std::pair<double, double>> &parts) {
        double sum = 0, weight = 0;
        for (const auto &[x, pop] : parts) {
            sum += extensive ? x : x * pop;
            weight += pop;
        }
        const double r = extensive ? sum : (weight > 0 ? sum / weight : 0.0);
        return std::round(r * 1000.0) / 1000.0;
    };
    std::map<QString, double> regionValue;
    for (const Territory &t : m_terr) {
        if (t.type != 2 && t.type != 22)
            continue;
        if (!provincial && t.type == 2) {
            regionValue[t.reg] = baseValue(t, t.pop);
            v.byTerritory[t.code] = regionValue[t.reg];
            continue;
        }
        const auto it2 = byRegion.find(t.reg);
        if (it2 == byRegion.end())
            continue;
        regionValue[t.reg] = combine(it2->second);
        v.byTerritory[t.code] = regionValue[t.reg];
    }
    std::map<QString, double> regionPop;
    for (const Territory &t : m_terr)
        if (t.type == 2 || t.type == 22)
            regionPop[t.reg] = t.pop;
    for (const Territory &t : m_terr) {
        if (t.type != 4 && t.type != 5)
            continue;
        std::vector<std::pair<double, double>> parts;
        for (const QString &r : aggregateRegions(t))
            if (regionValue.count(r))
                parts.push_back({regionValue[r], regionPop[r]});
        if (!parts.empty())
            v.byTerritory[t.code] = combine(parts);
    }
    return v;
}

void Generator::writeDataDatabases()
{
    for (const QString &dbName :
         {QStringLiteral("Variabili"), QStringLiteral("IndEconomici"), QStringLiteral("IndSociali")}) {
        Db db(m_out + QStringLiteral("/Databases/") + dbName + QStringLiteral(".sqlite"));
        db.create("IndVarAnno",
                  {"Settore", "Argomento", "Variabile", "TipoVar", "LivTerritoriale", "Anno INTEGER", "Tabella"});
        // table name -> codes in it
        std::map<QString, std::vector<const Item *>> tables;
        for (const Item &it : m_items) {
            if (it.database.compare(dbName, Qt::CaseInsensitive) != 0)
                continue;
            const QString topic = stripExclusion(it.topic);
            QList<int> years(it.years.begin(), it.years.end());
            std::sort(years.begin(), years.end());
            for (int y : years) {
                const QString table = it.code.left(it.indicator ? 3 : 2) + QStringLiteral("_") + QString::number(y);
                tables[table].push_back(&it);
                if (it.level == QLatin1String("P"))
                    db.insert("IndVarAnno",
                              {m_topicSector.value(topic), topic, it.code, it.indicator ? "I" : "V", "P", y, table});
                db.insert("IndVarAnno",
                          {m_topicSector.value(topic), topic, it.code, it.indicator ? "I" : "V", "R", y, table});
            }
        }
        for (const auto &[table, items] : tables) {
            const int year = table.mid(table.indexOf(QLatin1Char('_')) + 1).toInt();
            QStringList cols {"COD_TERR"};
            for (const Item *it : items)
                cols << it->code + QStringLiteral(" REAL");
            db.create(table, cols);
            std::vector<Values> values;
            for (const Item *it : items)
                values.push_back(valuesOf(*it, year));
            for (const Territory &t : m_terr) {
                QVariantList row {t.code};
                bool any = false;
                for (const Values &v : values) {
                    const auto f = v.byTerritory.find(t.code);
                    if (f == v.byTerritory.end()) {
                        row << QVariant();
                    } else {
                        row << f->second;
                        any = true;
                    }
                }
                if (any)
                    db.insert(table, row);
            }
        }
    }
}

void Generator::writeUserDb()
{
    Db db(m_out + QStringLiteral("/Files/bdc_utente.sqlite"));
    db.create("tabope", {"id INTEGER"});
    db.insert("tabope", {1});
}

void Generator::run()
{
    readInputs();
    QDir().mkpath(m_out + QStringLiteral("/Databases"));
    QDir().mkpath(m_out + QStringLiteral("/Files"));
    writeTerritorio();
    writeMetadati();
    writeDataDatabases();
    writeUserDb();
    QFile info(m_out + QStringLiteral("/Files/InfoQrn.txt"));
    if (!info.open(QIODevice::WriteOnly | QIODevice::Truncate))
        throw std::runtime_error("impossibile scrivere InfoQrn.txt");
    const QString label = m_info.rows.empty() ? QString() : m_info.rows[0].value(0);
    info.write(
        QStringLiteral("Dotazione di infrastrutture nei territori italiani, 1996-2008.\r\n"
                       "Versione dei dati: %1\r\n"
                       "I valori contenuti nei database di esempio sono sintetici: servono a provare il "
                       "programma e non sono statistiche ufficiali.\r\n"
                       "Confini regionali: @svg-maps/italy (CC BY 4.0); i confini provinciali sono schematici.\r\n")
            .arg(label)
            .toUtf8());
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    if (argc != 3) {
        std::fprintf(stderr, "uso: quarnaro-sampledata <cartella dati> <cartella di uscita>\n");
        return 2;
    }
    try {
        Generator(QString::fromLocal8Bit(argv[1]), QString::fromLocal8Bit(argv[2])).run();
    } catch (const std::exception &e) {
        std::fprintf(stderr, "quarnaro-sampledata: %s\n", e.what());
        return 1;
    }
    return 0;
}
