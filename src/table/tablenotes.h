#pragma once
// The notes of a table: what the catalogue says about the series and the years of its columns
// (the series note and the note of each year for variables, the technical note for indicators)
// and the note of the last data update. The notes window shows them.

#include <QString>
#include <QStringList>
#include <vector>

namespace qrn {

struct Services;

struct TableNote {
    QString code; // item code, as in the column headers before "_"
    QString title; // the item's description
    QString series; // the note of the whole series (or the technical note of an indicator)
    QStringList years; // "2005: text" for each column year that has a note, in column order
};

struct TableNotes {
    QString updateLabel; // InfoAggiornamento: label and note of the data in use
    QString updateNote;
    std::vector<TableNote> items; // one per item code of the table with something to say
};

// Reads the notes of the data columns of headers (columns whose header is code + "_" + year)
// for items of type tipo from Metadati.mdb. Database errors propagate as DbError.
TableNotes readTableNotes(const Services &services, const QString &tipo, const QStringList &headers);

// The notes as a small HTML page for the notes window.
QString tableNotesHtml(const TableNotes &notes);

} // namespace qrn
