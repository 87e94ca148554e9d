#include "shell/store.h"

#include "shell/sqltext.h"

#include <QDir>
#include <QFileInfo>
#include <QMutex>
#include <cctype>
#include <cstring>
#include <sqlite3.h>

namespace qrn {

namespace {

QMutex g_importerMutex;
AccessImporter g_importer;

QString folderWithSeparator(const QString &folder)
{
    if (folder.isEmpty() || folder.endsWith(QLatin1Char('/')) || folder.endsWith(QDir::separator()))
        return folder;
    return folder + QLatin1Char('/');
}

QString findCaseInsensitive(const QString &folder, const QString &fileName)
{
    const QString f = folder.isEmpty() ? QStringLiteral(".") : folder;
    QDir dir(f);
    if (!dir.exists())
        return QString();
    const QString exact = dir.filePath(fileName);
    if (QFileInfo(exact).isFile())
        return QDir::cleanPath(exact);
    const QStringList entries = dir.entryList(QDir::Files | QDir::Hidden);
    for (const QString &e : entries) {
        if (e.compare(fileName, Qt::CaseInsensitive) == 0)
            return QDir::cleanPath(dir.filePath(e));
    }
    return QString();
}

// ---- SQL functions of the Access dialect ----------------------------------------------------

const NumberFormat &numbersOf(sqlite3_context *ctx)
{
    return *static_cast<const NumberFormat *>(sqlite3_user_data(ctx));
}

QString argText(sqlite3_value *v)
{
    const auto *p = reinterpret_cast<const char *>(sqlite3_value_text(v));
    return p ? QString::fromUtf8(p, sqlite3_value_bytes(v)) : QString();
}

void resultText(sqlite3_context *ctx, const QString &s)
{
    const QByteArray u = s.toUtf8();
    sqlite3_result_text(ctx, u.constData(), int(u.size()), SQLITE_TRANSIENT);
}

// Exact decimals kept as text, as the currency and decimal fields of imported Access files
// are ("1234.5678"): digits, a point, and a number of decimals other than three (which could
// be a group of thousands). Read with the point whatever the program's format.
std::optional<double> exactDecimal(const QString &t)
{
    const int point = t.indexOf(QLatin1Char('.'));
    const int decimals = int(t.size()) - point - 1;
    if (point < 1 || decimals < 1 || decimals == 3)
        return std::nullopt;
    for (int i = 0; i < t.size(); ++i)
        if (i != point && !(t[i].isDigit() && t[i].unicode() < 128) && !(i == 0 && t[i] == QLatin1Char('-')))
            return std::nullopt;
    bool ok = false;
    const double d = t.toDouble(&ok);
    return ok ? std::optional<double>(d) : std::nullopt;
}

// A numeric value of an argument: numbers as they are, text read in the program's format.
std::optional<double> argNumber(sqlite3_context *ctx, sqlite3_value *v)
{
    switch (sqlite3_value_type(v)) {
    case SQLITE_INTEGER:
    case SQLITE_FLOAT:
        return sqlite3_value_double(v);
    case SQLITE_TEXT:
        return jetNumber(argText(v), numbersOf(ctx));
    default:
        return std::nullopt;
    }
}

// Format(value, pattern): the fixed-point patterns "0", "0.0", "0.00", ... with the program's
// decimal mark. A text that is not a number comes back unchanged; a null stays null.
void fnFormat(sqlite3_context *ctx, int argc, sqlite3_value **argv)
{
    if (sqlite3_value_type(argv[0]) == SQLITE_NULL) {
        sqlite3_result_null(ctx);
        return;
    }
    const QString pattern = argc > 1 ? argText(argv[1]) : QString();
    const auto number = argNumber(ctx, argv[0]);
    if (!number) {
        resultText(ctx, argText(argv[0]));
        return;
    }
    int decimals = 0;
    const int dot = pattern.indexOf(QLatin1Char('.'));
    if (dot >= 0) {
        for (int i = dot + 1; i < pattern.size() && (pattern[i] == QLatin1Char('0') || pattern[i] == QLatin1Char('#'));
             ++i)
            ++decimals;
    } else if (pattern.isEmpty()) {
        // Format without a pattern: the shortest text of the number
        QString s = QString::number(*number, 'g', 15);
        s.replace(QLatin1Char('.'), numbersOf(ctx).decimal);
        resultText(ctx, s);
        return;
    }
    resultText(ctx, numbersOf(ctx).fixed(*number, decimals));
}

void fnCDbl(sqlite3_context *ctx, int, sqlite3_value **argv)
{
    if (sqlite3_value_type(argv[0]) == SQLITE_NULL) {
        sqlite3_result_error(ctx, "Uso non valido di Null", -1);
        return;
    }
    const auto number = argNumber(ctx, argv[0]);
    if (!number) {
        sqlite3_result_error(ctx, "Tipo non corrispondente", -1);
        return;
    }
    sqlite3_result_double(ctx, *number);
}

// InStr([start,] text, sought): 1-based position without regard to case, 0 when absent.
void fnInStr(sqlite3_context *ctx, int argc, sqlite3_value **argv)
{
    int start = 1;
    int first = 0;
    if (argc == 3) {
        start = sqlite3_value_int(argv[0]);
        first = 1;
    }
    if (sqlite3_value_type(argv[first]) == SQLITE_NULL || sqlite3_value_type(argv[first + 1]) == SQLITE_NULL) {
        sqlite3_result_null(ctx);
        return;
    }
    if (start < 1) {
        sqlite3_result_error(ctx, "Argomento non valido", -1);
        return;
    }
    const QString text = argText(argv[first]);
    const QString sought = argText(argv[first + 1]);
    if (start > text.size() + 1) {
        sqlite3_result_int(ctx, 0);
        return;
    }
    const int pos = text.indexOf(sought, start - 1, Qt::CaseInsensitive);
    sqlite3_result_int(ctx, pos < 0 ? 0 : pos + 1);
}

void fnLeftRight(sqlite3_context *ctx, int, sqlite3_value **argv, bool left)
{
    if (sqlite3_value_type(argv[0]) == SQLITE_NULL) {
        sqlite3_result_null(ctx);
        return;
    }
    const QString text = argText(argv[0]);
    const int n = sqlite3_value_int(argv[1]);
    if (n < 0) {
        sqlite3_result_error(ctx, "Argomento non valido", -1);
        return;
    }
    resultText(ctx, left ? text.left(n) : text.right(n));
}
void fnLeft(sqlite3_context *ctx, int argc, sqlite3_value **argv)
{
    fnLeftRight(ctx, argc, argv, true);
}
void fnRight(sqlite3_context *ctx, int argc, sqlite3_value **argv)
{
    fnLeftRight(ctx, argc, argv, false);
}

void fnMid(sqlite3_context *ctx, int argc, sqlite3_value **argv)
{
    if (sqlite3_value_type(argv[0]) == SQLITE_NULL) {
        sqlite3_result_null(ctx);
        return;
    }
    const QString text = argText(argv[0]);
    const int start = sqlite3_value_int(argv[1]);
    if (start < 1) {
        sqlite3_result_error(ctx, "Argomento non valido", -1);
        return;
    }
    const int len = argc > 2 ? sqlite3_value_int(argv[2]) : -1;
    resultText(ctx, text.mid(start - 1, len));
}

void fnUCase(sqlite3_context *ctx, int, sqlite3_value **argv)
{
    if (sqlite3_value_type(argv[0]) == SQLITE_NULL)
        return sqlite3_result_null(ctx);
    resultText(ctx, argText(argv[0]).toUpper());
}
void fnLCase(sqlite3_context *ctx, int, sqlite3_value **argv)
{
    if (sqlite3_value_type(argv[0]) == SQLITE_NULL)
        return sqlite3_result_null(ctx);
    resultText(ctx, argText(argv[0]).toLower());
}
void fnLen(sqlite3_context *ctx, int, sqlite3_value **argv)
{
    if (sqlite3_value_type(argv[0]) == SQLITE_NULL)
        return sqlite3_result_null(ctx);
    sqlite3_result_int(ctx, int(argText(argv[0]).size()));
}

bool isTooLarge(int code, const char *message)
{
    if (code == SQLITE_TOOBIG)
        return true;
    const QByteArray m(message ? message : "");
    return m.contains("too many columns") || m.contains("tables in a join") || m.contains("too many terms")
        || m.contains("too large") || m.contains("too many arguments") || m.contains("parser stack overflow")
        || m.contains("too many FROM clause terms");
}

QVariant columnValue(sqlite3_stmt *st, int i)
{
    switch (sqlite3_column_type(st, i)) {
    case SQLITE_INTEGER:
        return QVariant(qlonglong(sqlite3_column_int64(st, i)));
    case SQLITE_FLOAT:
        return QVariant(sqlite3_column_double(st, i));
    case SQLITE_TEXT: {
        const auto *p = reinterpret_cast<const char *>(sqlite3_column_text(st, i));
        return QVariant(QString::fromUtf8(p, sqlite3_column_bytes(st, i)));
    }
    case SQLITE_BLOB: {
        const auto *p = static_cast<const char *>(sqlite3_column_blob(st, i));
        return QVariant(QByteArray(p, sqlite3_column_bytes(st, i)));
    }
    default:
        return QVariant();
    }
}

void bindAll(sqlite3_stmt *st, const QVariantList &params)
{
    for (int i = 0; i < params.size(); ++i) {
        const QVariant &v = params[i];
        const int idx = i + 1;
        if (v.isNull()) {
            sqlite3_bind_null(st, idx);
            continue;
        }
        switch (v.typeId()) {
        case QMetaType::Int:
        case QMetaType::LongLong:
        case QMetaType::UInt:
        case QMetaType::ULongLong:
        case QMetaType::Short:
        case QMetaType::UShort:
            sqlite3_bind_int64(st, idx, v.toLongLong());
            break;
        case QMetaType::Bool:
            sqlite3_bind_int(st, idx, v.toBool() ? 1 : 0);
            break;
        case QMetaType::Double:
        case QMetaType::Float:
            sqlite3_bind_double(st, idx, v.toDouble());
            break;
        case QMetaType::QByteArray: {
            const QByteArray b = v.toByteArray();
            sqlite3_bind_blob(st, idx, b.constData(), int(b.size()), SQLITE_TRANSIENT);
            break;
        }
        default: {
            const QByteArray u = v.toString().toUtf8();
            sqlite3_bind_text(st, idx, u.constData(), int(u.size()), SQLITE_TRANSIENT);
        }
        }
    }
}

QString quoteIdent(const QString &name)
{
    QString s = name;
    s.replace(QLatin1Char('"'), QLatin1String("\"\""));
    return QLatin1Char('"') + s + QLatin1Char('"');
}

} // namespace

// ---- StoreLocator -----------------------------------------------------------------------------

QString StoreLocator::storeFileName(const QString &logicalName)
{
    QString base = QFileInfo(logicalName).fileName();
    if (base.endsWith(QLatin1String(".sqlite"), Qt::CaseInsensitive))
        return base;
    if (base.endsWith(QLatin1String(".mdb"), Qt::CaseInsensitive))
        base.chop(4);
    return base + QLatin1String(".sqlite");
}

QString StoreLocator::accessFile(const QString &folder, const QString &logicalName)
{
    if (logicalName.trimmed().isEmpty())
        return QString();
    const QString f = folderWithSeparator(folder);
    QString base = QFileInfo(logicalName).fileName();
    for (const char *ext : {".mdb", ".accdb"})
        if (base.endsWith(QLatin1String(ext), Qt::CaseInsensitive))
            base.chop(int(std::strlen(ext)));
    for (const char *ext : {".mdb", ".accdb"}) {
        const QString found = findCaseInsensitive(f, base + QLatin1String(ext));
        if (!found.isEmpty())
            return found;
    }
    return QString();
}

bool StoreLocator::exists(const QString &folder, const QString &logicalName)
{
    if (logicalName.trimmed().isEmpty())
        return false;
    return !findCaseInsensitive(folderWithSeparator(folder), storeFileName(logicalName)).isEmpty()
        || !accessFile(folder, logicalName).isEmpty();
}

QString StoreLocator::resolve(const QString &folder, const QString &logicalName)
{
    if (logicalName.trimmed().isEmpty())
        return QString();
    const QString f = folderWithSeparator(folder);
    const QString store = findCaseInsensitive(f, storeFileName(logicalName));
    if (!store.isEmpty())
        return store;
    // A real Access file under the same name (.mdb or .accdb): read when a reader is installed.
    const QString mdb = accessFile(folder, logicalName);
    if (mdb.isEmpty())
        return QString();
    AccessImporter importer;
    {
        QMutexLocker lock(&g_importerMutex);
        importer = g_importer;
    }
    if (!importer)
        return QString();
    QString err;
    const QString converted = importer(mdb, &err);
    if (converted.isEmpty())
        throw DbError(DbError::Kind::NotDatabase,
                      err.isEmpty() ? QStringLiteral("Il file '%1' non è un database valido.").arg(mdb) : err, -1);
    return converted;
}

void StoreLocator::setAccessImporter(AccessImporter importer)
{
    QMutexLocker lock(&g_importerMutex);
    g_importer = std::move(importer);
}

// ---- Messages of the engine ----------------------------------------------------------------------

QString engineMessage(const QString &message)
{
    // The engine's own texts are English; the user reads the Italian one, with the name the
    // engine reported.
    static const struct {
        const char *prefix;
        const char *italian; // %1: the rest of the engine's text
    } known[] = {
        {"no such table: ", "Impossibile trovare la tabella o la query '%1'."},
        {"no such column: ", "Campo sconosciuto: '%1'."},
        {"ambiguous column name: ", "Il campo '%1' è presente in più tabelle dell'istruzione."},
        {"no such function: ", "Funzione non definita nell'espressione: '%1'."},
        {"incomplete input", "Istruzione SQL incompleta."},
        {"attempt to write a readonly database", "Il database è in sola lettura: impossibile modificarlo."},
        {"database is locked", "Il database è bloccato da un altro utente."},
        {"UNIQUE constraint failed: ", "Valore duplicato nel campo %1."},
        {"too many columns", "Troppi campi nell'istruzione SQL."},
        {"unrecognized token: ", "Simbolo non riconosciuto nell'istruzione SQL: %1."},
    };
    for (const auto &k : known) {
        const QString prefix = QString::fromLatin1(k.prefix);
        if (message.startsWith(prefix))
            return QString::fromUtf8(k.italian).arg(message.mid(prefix.size()));
    }
    // near "X": syntax error
    if (message.startsWith(QLatin1String("near ")) && message.endsWith(QLatin1String(": syntax error")))
        return QStringLiteral("Errore di sintassi nell'istruzione SQL vicino a %1.")
            .arg(message.mid(5, message.size() - 5 - int(qstrlen(": syntax error"))));
    return QStringLiteral("Errore del database (%1).").arg(message);
}

// ---- LinkRegistry ---------------------------------------------------------------------------------

QString LinkRegistry::key(const QString &storePath)
{
    return QDir::cleanPath(QFileInfo(storePath).absoluteFilePath()).toLower();
}

// ---- Recordset ----------------------------------------------------------------------------------

int Recordset::fieldIndex(const QString &name) const
{
    for (int i = 0; i < m_names.size(); ++i)
        if (m_names[i].compare(name, Qt::CaseInsensitive) == 0)
            return i;
    return -1;
}

QVariant Recordset::value(int field) const
{
    if (bof() || eof())
        throw DbError(DbError::Kind::Generic,
                      QStringLiteral("Nessun record corrente: inizio o fine del set di record."), 3021);
    if (field < 0 || field >= fieldCount())
        throw DbError(DbError::Kind::Generic,
                      QStringLiteral("Elemento non trovato nell'insieme (campo %1).").arg(field), 3265);
    return m_rows[size_t(m_pos)][size_t(field)];
}

QVariant Recordset::value(const QString &field) const
{
    const int i = fieldIndex(field);
    if (i < 0)
        throw DbError(DbError::Kind::Generic,
                      QStringLiteral("Elemento non trovato nell'insieme (campo %1).").arg(field), 3265);
    return value(i);
}

QString Recordset::text(int field) const
{
    const QVariant v = value(field);
    return v.isNull() ? QString() : v.toString();
}

QString Recordset::text(const QString &field) const
{
    const QVariant v = value(field);
    return v.isNull() ? QString() : v.toString();
}

// ---- Connection ---------------------------------------------------------------------------------

Connection::~Connection()
{
    if (m_db)
        sqlite3_close_v2(m_db);
}

std::unique_ptr<Connection> Connection::closed(const QString &why)
{
    std::unique_ptr<Connection> c(new Connection);
    c->m_closedReason = why;
    return c;
}

std::unique_ptr<Connection> Connection::open(const QString &path, const NumberFormat &numbers,
                                             const std::vector<LinkDef> &links, Access access)
{
    const QFileInfo fi(path);
    if (!fi.isFile())
        throw DbError(DbError::Kind::NotFound,
                      QStringLiteral("Impossibile trovare il file di database '%1'.").arg(path), -1);
    if (fi.size() == 0)
        throw DbError(DbError::Kind::NotDatabase, QStringLiteral("Il file '%1' è vuoto: non è un database.").arg(path),
                      -1);
    std::unique_ptr<Connection> c(new Connection);
    c->m_path = fi.absoluteFilePath();
    c->m_numbers = numbers;
    const bool readOnly = access == Access::ReadOnly;
    sqlite3 *db = nullptr;
    // A file the user may not write (a read-only share or disc) opens for reading all the same.
    const int rc = sqlite3_open_v2(c->m_path.toUtf8().constData(), &db,
                                   readOnly ? SQLITE_OPEN_READONLY : SQLITE_OPEN_READWRITE, nullptr);
    if (rc != SQLITE_OK) {
        const QString msg = db ? QString::fromUtf8(sqlite3_errmsg(db)) : QStringLiteral("errore sconosciuto");
        if (db)
            sqlite3_close_v2(db);
        throw DbError(DbError::Kind::NotDatabase,
                      QStringLiteral("Impossibile aprire il database '%1': %2").arg(path, msg), -1);
    }
    c->m_db = db;
    sqlite3_busy_timeout(db, 2000);
    // A file that is not a database is only noticed on the first read.
    char *err = nullptr;
    if (sqlite3_exec(db, "SELECT count(*) FROM sqlite_master", nullptr, nullptr, &err) != SQLITE_OK) {
        const QString msg = QString::fromUtf8(err ? err : "");
        sqlite3_free(err);
        throw DbError(DbError::Kind::NotDatabase,
                      QStringLiteral("Il file '%1' non è un database valido (%2).").arg(path, msg), -1);
    }
    c->registerFunctions();
    c->attachLinks(links);
    c->m_readOnly = readOnly; // from here on, statements that would write are refused
    return c;
}

std::unique_ptr<Connection> Connection::create(const QString &path, const NumberFormat &numbers)
{
    if (QFileInfo::exists(path))
        throw DbError(DbError::Kind::Generic, QStringLiteral("Il database '%1' esiste già.").arg(path), 3204);
    sqlite3 *db = nullptr;
    if (sqlite3_open_v2(path.toUtf8().constData(), &db, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE, nullptr)
        != SQLITE_OK) {
        const QString msg = db ? QString::fromUtf8(sqlite3_errmsg(db)) : QString();
        if (db)
            sqlite3_close_v2(db);
        throw DbError(DbError::Kind::Generic, QStringLiteral("Impossibile creare il database '%1': %2").arg(path, msg));
    }
    std::unique_ptr<Connection> c(new Connection);
    c->m_db = db;
    c->m_path = QFileInfo(path).absoluteFilePath();
    c->m_numbers = numbers;
    c->registerFunctions();
    // Write the header now, so that the file is a database even before its first table.
    c->execute(QStringLiteral("PRAGMA user_version = 1"));
    return c;
}

QString Connection::folder() const
{
    return QFileInfo(m_path).absolutePath() + QLatin1Char('/');
}

void Connection::ensureOpen() const
{
    if (!m_db)
        throw DbError(DbError::Kind::NotOpen,
                      m_closedReason.isEmpty()
                          ? QStringLiteral("Connessione al database non aperta.")
                          : QStringLiteral("Connessione al database non aperta: %1").arg(m_closedReason),
                      3704);
}

void Connection::fail(const QString &what) const
{
    const int code = sqlite3_extended_errcode(m_db);
    const char *msg = sqlite3_errmsg(m_db);
    const QString text = engineMessage(QString::fromUtf8(msg));
    const QString description = what.isEmpty() ? text : what + QStringLiteral(": ") + text;
    throw DbError(isTooLarge(code & 0xff, msg) ? DbError::Kind::TooLarge : DbError::Kind::Generic, description);
}

Connection::Statement Connection::prepare(const QString &sql) const
{
    ensureOpen();
    const QByteArray utf8 = sql.toUtf8();
    sqlite3_stmt *st = nullptr;
    const char *tail = nullptr;
    if (sqlite3_prepare_v2(m_db, utf8.constData(), int(utf8.size()), &st, &tail) != SQLITE_OK)
        fail(QString());
    Statement owner(st, sqlite3_finalize);
    if (st)
        refuseWrites(st, tail);
    return owner;
}

void Connection::refuseWrites(sqlite3_stmt *st, const char *tail) const
{
    if (!m_readOnly)
        return;
    // A second statement after the first would not be run: refused as well, so that nothing
    // typed is silently dropped.
    bool more = false;
    for (const char *p = tail; p && *p; ++p)
        if (!std::isspace(static_cast<unsigned char>(*p)) && *p != ';')
            more = true;
    if (!sqlite3_stmt_readonly(st) || more) {
        // The caller's owner finalizes the statement.
        throw DbError(DbError::Kind::ReadOnly,
                      QStringLiteral("Sono ammesse solo istruzioni di lettura (SELECT): l'istruzione "
                                     "modificherebbe il database ed è stata rifiutata."),
                      3027);
    }
}

void Connection::registerFunctions()
{
    void *nf = &m_numbers;
    const int flags = SQLITE_UTF8 | SQLITE_DETERMINISTIC;
    sqlite3_create_function(m_db, "Format", 2, flags, nf, fnFormat, nullptr, nullptr);
    sqlite3_create_function(m_db, "Format", 1, flags, nf, fnFormat, nullptr, nullptr);
    sqlite3_create_function(m_db, "CDbl", 1, flags, nf, fnCDbl, nullptr, nullptr);
    sqlite3_create_function(m_db, "InStr", 2, flags, nf, fnInStr, nullptr, nullptr);
    sqlite3_create_function(m_db, "InStr", 3, flags, nf, fnInStr, nullptr, nullptr);
    sqlite3_create_function(m_db, "jet_left", 2, flags, nf, fnLeft, nullptr, nullptr);
    sqlite3_create_function(m_db, "jet_right", 2, flags, nf, fnRight, nullptr, nullptr);
    sqlite3_create_function(m_db, "Mid", 2, flags, nf, fnMid, nullptr, nullptr);
    sqlite3_create_function(m_db, "Mid", 3, flags, nf, fnMid, nullptr, nullptr);
    sqlite3_create_function(m_db, "UCase", 1, flags, nf, fnUCase, nullptr, nullptr);
    sqlite3_create_function(m_db, "LCase", 1, flags, nf, fnLCase, nullptr, nullptr);
    sqlite3_create_function(m_db, "Len", 1, flags, nf, fnLen, nullptr, nullptr);
}

void Connection::attachLinks(const std::vector<LinkDef> &programLinks)
{
    std::vector<LinkDef> links = programLinks;
    Recordset has = queryNative(
        QStringLiteral("SELECT count(*) FROM main.sqlite_master WHERE type = 'table' AND name = 'qrn_links'"));
    if (has.value(0).toInt() > 0) {
        Recordset stored = queryNative(
            QStringLiteral("SELECT name, connect, source_table FROM main.qrn_links ORDER BY rowid"));
        for (stored.moveFirst(); !stored.eof(); stored.moveNext())
            links.push_back({stored.text(0), stored.text(1), stored.text(2)});
    }
    // Only the temporary schema and the attachments of this connection change: a link is a
    // temporary view over the attached source, which comes before a table of the same name.
    QStringList attachedFiles;
    for (const LinkDef &link : links) {
        const QString source = link.sourceTable.isEmpty() ? link.name : link.sourceTable;
        const QFileInfo fi(connectStringDatabase(link.connect));
        QString store;
        try {
            store = StoreLocator::resolve(fi.absolutePath(), fi.fileName());
        } catch (const DbError &) {
        }
        if (store.isEmpty())
            continue; // the query naming this table fails with "no such table"
        int idx = attachedFiles.indexOf(store);
        if (idx < 0) {
            const QString alias = QStringLiteral("lnk%1").arg(attachedFiles.size());
            try {
                execute(QStringLiteral("ATTACH DATABASE ? AS ") + alias, {store});
            } catch (const DbError &) {
                continue;
            }
            attachedFiles << store;
            idx = int(attachedFiles.size()) - 1;
        }
        try {
            execute(QStringLiteral("CREATE TEMP VIEW IF NOT EXISTS %1 AS SELECT * FROM lnk%2.%3")
                        .arg(quoteIdent(link.name))
                        .arg(idx)
                        .arg(quoteIdent(source)));
        } catch (const DbError &) {
        }
    }
}

Recordset Connection::query(const QString &jetSql)
{
    return queryNative(translateJetSql(jetSql));
}

Recordset Connection::queryNative(const QString &sql, const QVariantList &params)
{
    const Statement owner = prepare(sql);
    sqlite3_stmt *st = owner.get();
    if (!st)
        throw DbError(DbError::Kind::Generic, QStringLiteral("Istruzione SQL vuota."));
    Recordset rs;
    const int n = sqlite3_column_count(st);
    for (int i = 0; i < n; ++i)
        rs.m_names << QString::fromUtf8(sqlite3_column_name(st, i));
    bindAll(st, params);
    int rc;
    while ((rc = sqlite3_step(st)) == SQLITE_ROW) {
        std::vector<QVariant> row;
        row.reserve(size_t(n));
        for (int i = 0; i < n; ++i)
            row.push_back(columnValue(st, i));
        rs.m_rows.push_back(std::move(row));
    }
    if (rc != SQLITE_DONE)
        fail(QString());
    rs.m_pos = 0;
    return rs;
}

void Connection::scan(const QString &jetSql, const std::function<void(const QStringList &)> &columns,
                      const std::function<void(const RowView &)> &row)
{
    // The statement is finalized however the callbacks leave.
    const Statement owner = prepare(translateJetSql(jetSql));
    sqlite3_stmt *st = owner.get();
    if (!st)
        throw DbError(DbError::Kind::Generic, QStringLiteral("Istruzione SQL vuota."));
    const int n = sqlite3_column_count(st);
    QStringList names;
    for (int i = 0; i < n; ++i)
        names << QString::fromUtf8(sqlite3_column_name(st, i));
    columns(names);
    const RowView view(st, n);
    int rc;
    while ((rc = sqlite3_step(st)) == SQLITE_ROW)
        row(view);
    if (rc != SQLITE_DONE)
        fail(QString());
}

RowView::Type RowView::type(int column) const
{
    switch (sqlite3_column_type(m_st, column)) {
    case SQLITE_INTEGER:
        return Type::Integer;
    case SQLITE_FLOAT:
        return Type::Real;
    case SQLITE_TEXT:
        return Type::Text;
    case SQLITE_BLOB:
        return Type::Blob;
    default:
        return Type::Null;
    }
}

qint64 RowView::integer(int column) const
{
    return sqlite3_column_int64(m_st, column);
}

double RowView::real(int column) const
{
    return sqlite3_column_double(m_st, column);
}

QString RowView::text(int column) const
{
    if (sqlite3_column_type(m_st, column) == SQLITE_BLOB) {
        const auto *p = static_cast<const char *>(sqlite3_column_blob(m_st, column));
        return QString::fromUtf8(p, sqlite3_column_bytes(m_st, column));
    }
    const auto *p = reinterpret_cast<const char *>(sqlite3_column_text(m_st, column));
    return QString::fromUtf8(p, sqlite3_column_bytes(m_st, column));
}

std::optional<double> jetNumber(const QString &text, const NumberFormat &numbers)
{
    if (const auto exact = exactDecimal(text))
        return exact;
    return numbers.toNumber(text);
}

void Connection::execute(const QString &sql, const QVariantList &params)
{
    const Statement owner = prepare(sql);
    sqlite3_stmt *st = owner.get();
    if (!st)
        return;
    bindAll(st, params);
    int rc;
    while ((rc = sqlite3_step(st)) == SQLITE_ROW) { }
    if (rc != SQLITE_DONE)
        fail(QString());
}

void Connection::executeScript(const QString &sql)
{
    ensureOpen();
    char *err = nullptr;
    if (sqlite3_exec(m_db, sql.toUtf8().constData(), nullptr, nullptr, &err) != SQLITE_OK) {
        const QString msg = QString::fromUtf8(err ? err : "");
        sqlite3_free(err);
        throw DbError(isTooLarge(sqlite3_errcode(m_db), msg.toUtf8().constData()) ? DbError::Kind::TooLarge
                                                                                  : DbError::Kind::Generic,
                      engineMessage(msg));
    }
}

void Connection::beginTransaction()
{
    execute(QStringLiteral("BEGIN"));
}
void Connection::commit()
{
    execute(QStringLiteral("COMMIT"));
}

QStringList Connection::queryDefs()
{
    QStringList names;
    Recordset rs = queryNative(
        QStringLiteral("SELECT name FROM main.sqlite_master WHERE type = 'view' ORDER BY rowid"));
    for (rs.moveFirst(); !rs.eof(); rs.moveNext())
        names << rs.text(0);
    return names;
}

void Connection::deleteQueryDef(const QString &name)
{
    execute(QStringLiteral("DROP VIEW main.%1").arg(quoteIdent(name)));
}

// ---- connection strings -------------------------------------------------------------------------

namespace {
QString valueOfKey(const QString &connect, const QString &key)
{
    const QStringList parts = connect.split(QLatin1Char(';'));
    for (const QString &p : parts) {
        const int eq = p.indexOf(QLatin1Char('='));
        if (eq < 0)
            continue;
        if (p.left(eq).trimmed().compare(key, Qt::CaseInsensitive) == 0)
            return p.mid(eq + 1).trimmed();
    }
    return QString();
}
} // namespace

QString connectStringDatabase(const QString &connect)
{
    return valueOfKey(connect, QStringLiteral("DATABASE"));
}

} // namespace qrn
