#pragma once
// Reading the project's ';'-separated data files (UTF-8, one header line, fields in double
// quotes when they hold a ';', a quote or a line break).

#include <QHash>
#include <QString>
#include <QStringList>
#include <vector>

struct CsvTable {
    QStringList header;
    std::vector<QStringList> rows;

    int column(const QString &name) const; // throws std::runtime_error when absent
    QString at(size_t row, const QString &name) const { return rows[row].value(column(name)); }

    static CsvTable read(const QString &path); // throws std::runtime_error
    static CsvTable parse(const QString &text);
};
