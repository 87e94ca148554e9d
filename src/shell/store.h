#pragma once
// The embedded data store that stands in for the Access engine.
//
// Every logical database of the program ("Metadati.mdb", "territorio.mdb", the data databases
// named in DbConfigs, "bdc_utente.mdb") is a SQLite file in the same folder whose name is the
// logical name with the extension ".sqlite", found without regard to case. Linked tables are
// kept by the program in memory (LinkRegistry), never written into the data files: opening a
// connection attaches their source files and makes each link visible under its own name, so a
// query on a data database names land_Ind, Settore or IndVarAnno directly. (Rows of a table
// qrn_links that a file may already hold are honoured the same way, after the program's own.)
// Saved queries are views.

#include "shell/dberror.h"
#include "shell/enginemessage.h"
#include "shell/jetfunctions.h"
#include "shell/numberformat.h"
#include "shell/storefiles.h"

#include <QHash>
#include <QString>
#include <QStringList>
#include <QVariant>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

struct sqlite3;
struct sqlite3_stmt;

namespace qrn {

// A static, read-only record set: the rows are copied out when the statement runs.
class Recordset {
public:
    Recordset() = default;
    int fieldCount() const { return int(m_names.size()); }
    QString fieldName(int i) const { return m_names.value(i); }
    const QStringList &fieldNames() const { return m_names; }
    int fieldIndex(const QString &name) const; // -1 when absent; case-insensitive
    int recordCount() const { return int(m_rows.size()); }

    bool bof() const { return m_rows.empty() || m_pos < 0; }
    bool eof() const { return m_rows.empty() || m_pos >= int(m_rows.size()); }
    void moveFirst() { m_pos = 0; }
    void moveNext() { ++m_pos; }
    void movePrevious() { --m_pos; }
    void moveLast() { m_pos = int(m_rows.size()) - 1; }
    int position() const { return m_pos; }

    // Values of the current row; a field index out of range or no current row is an error.
    QVariant value(int field) const;
    QVariant value(const QString &field) const;
    bool isNull(int field) const { return value(field).isNull(); }
    bool isNull(const QString &field) const { return value(field).isNull(); }
    // The value as text, a null as "".
    QString text(int field) const;
    QString text(const QString &field) const;

    const std::vector<QVariant> &row(int r) const { return m_rows.at(size_t(r)); }

private:
    friend class Connection;
    QStringList m_names;
    std::vector<std::vector<QVariant>> m_rows;
    int m_pos = 0;
};

// One row of a statement as it is stepped, read in place: valid only inside the callback of
// Connection::scan that receives it.
class RowView {
public:
    enum class Type { Null, Integer, Real, Text, Blob };
    int columnCount() const { return m_columns; }
    Type type(int column) const;
    qint64 integer(int column) const;
    double real(int column) const;
    // A text, or a blob read as UTF-8 text.
    QString text(int column) const;

private:
    friend class Connection;
    RowView(sqlite3_stmt *st, int columns) : m_st(st), m_columns(columns) { }
    sqlite3_stmt *m_st;
    int m_columns;
};

// A linked table: the name it is known by, the connect string of its source database and the
// table there.
struct LinkDef {
    QString name;
    QString connect;
    QString sourceTable;
};

// The links of every database, by store file, for the run of the program.
class LinkRegistry {
public:
    std::vector<LinkDef> &of(const QString &storePath) { return m_links[key(storePath)]; }
    std::vector<LinkDef> of(const QString &storePath) const { return m_links.value(key(storePath)); }
    void clear() { m_links.clear(); }

private:
    static QString key(const QString &storePath);
    QHash<QString, std::vector<LinkDef>> m_links;
};

class Connection {
public:
    enum class Access { ReadWrite, ReadOnly };
    ~Connection();
    Connection(const Connection &) = delete;
    Connection &operator=(const Connection &) = delete;

    // Opens the store file at path and attaches the links; throws DbError when it does not
    // exist or is not a database. A read-only connection refuses, before running it, any
    // statement that would write (DbError ReadOnly).
    static std::unique_ptr<Connection> open(const QString &path, const NumberFormat &numbers,
                                            const std::vector<LinkDef> &links = {}, Access access = Access::ReadWrite);
    // Creates a new, empty store file (replacing none: an existing file is an error).
    static std::unique_ptr<Connection> create(const QString &path, const NumberFormat &numbers);
    // A connection that failed to open: every operation on it throws DbError(NotOpen).
    static std::unique_ptr<Connection> closed(const QString &why);

    bool isOpen() const { return m_db != nullptr; }
    QString path() const { return m_path; }
    QString folder() const;

    // Runs a SELECT written in the Access dialect (see translateJetSql).
    Recordset query(const QString &jetSql);
    // Runs a statement in the store's own dialect, parameters bound in order.
    void execute(const QString &sql, const QVariantList &params = {});
    // Runs several statements in the store's own dialect (no parameters).
    void executeScript(const QString &sql);
    Recordset queryNative(const QString &sql, const QVariantList &params = {});
    // Runs a SELECT written in the Access dialect without copying its rows into a record set:
    // columns receives the field names once, then row each row as it is stepped. Errors as
    // query() reports them.
    void scan(const QString &jetSql, const std::function<void(const QStringList &)> &columns,
              const std::function<void(const RowView &)> &row);

    // Saved queries (views).
    QStringList queryDefs();
    void deleteQueryDef(const QString &name);

    sqlite3 *handle() const { return m_db; }
    const NumberFormat &numbers() const { return m_numbers; }

    void beginTransaction();
    void commit();

private:
    Connection() = default;
    void registerFunctions();
    void attachLinks(const std::vector<LinkDef> &links);
    void refuseWrites(sqlite3_stmt *st, const char *tail) const;
    // The statement of sql prepared, with refuseWrites applied; null for an empty statement.
    // It is finalized when the owner goes, however the caller leaves.
    using Statement = std::unique_ptr<sqlite3_stmt, int (*)(sqlite3_stmt *)>;
    Statement prepare(const QString &sql) const;
    [[noreturn]] void fail(const QString &what) const;
    void ensureOpen() const;

    sqlite3 *m_db = nullptr;
    QString m_path;
    QString m_closedReason;
    NumberFormat m_numbers;
    bool m_readOnly = false;
};

// The path of a database named in a linked-table connect string
// "ms access;pwd=...;DATABASE=<path>" (keys without regard to case).
QString connectStringDatabase(const QString &connect);

} // namespace qrn
