// A connection to one store file: opening (read-write or read-only), the program's linked
// tables attached as views, the Access SQL turned into SQLite's, statements run, scanned or
// refused, transactions and saved queries. Every engine failure becomes a DbError carrying the
// Italian message.

#include "shell/store.h"

#include "shell/jetfunctions.h"
#include "shell/sqltext.h"

#include <QDir>
#include <QFileInfo>
#include <cstring>
#include <sqlite3.h>

namespace qrn {

namespace {

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

// ---- LinkRegistry ---------------------------------------------------------------------------------

QString LinkRegistry::key(const QString &storePath)
{
    return QDir::cleanPath(QFileInfo(storePath).absoluteFilePath()).toLower();
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
    registerJetFunctions(m_db, &m_numbers);
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
