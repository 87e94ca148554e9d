#pragma once
#include <QString>
#include <stdexcept>

namespace qrn {

// A failure of the data store, carried up to the handler of the procedure that ran the
// operation; the handler logs it with its own name (see ErrorLog).
class DbError : public std::runtime_error {
public:
    enum class Kind {
        Generic, // any engine failure (number 0x80004005 like the ODBC generic failure)
        TooLarge, // the engine refused the statement for its size (columns, joined tables)
        NotFound, // a database file that does not exist
        NotDatabase, // a file that is empty or not a database
        NotOpen, // an operation on a connection that failed to open
        TypeMismatch, // a value that cannot be converted (CDbl of a non-number)
        ReadOnly, // a statement that would write, on a read-only connection
    };
    DbError(Kind kind, const QString &description, long number = kGenericNumber)
        : std::runtime_error(description.toStdString()), m_kind(kind), m_description(description), m_number(number)
    {
    }
    Kind kind() const { return m_kind; }
    const QString &description() const { return m_description; }
    long number() const { return m_number; }

    static constexpr long kGenericNumber = -2147467259; // 0x80004005

private:
    Kind m_kind;
    QString m_description;
    long m_number;
};

} // namespace qrn
