#pragma once
// What the program tells about itself: its version and the libraries and data it is built on,
// with their licences, for the About box and `quarnaro-cli --version`.

#include <QList>
#include <QString>

namespace qrn {

QString programVersion();

struct Credit {
    QString name; // "SQLite"
    QString version; // the version in use when the library tells it at run time, else empty
    QString licence; // "pubblico dominio"
    QString use; // what the program uses it for, in Italian
};

// The libraries the program links, then the sources of the sample data.
QList<Credit> libraryCredits();
QList<Credit> dataCredits();

} // namespace qrn
