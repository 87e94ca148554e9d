// Reading results: the rows a query returned (Recordset) and the row a scan is on (RowView).
// A Recordset owns copies of its rows, so it outlives its statement and connection; reading
// before the first or after the last row, or a field that is not there, throws DbError with
// the engine's error number. A RowView only looks at the statement's current row and is valid
// for the duration of the scan's callback.

#include "shell/store.h"

#include <sqlite3.h>

namespace qrn {

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

} // namespace qrn
