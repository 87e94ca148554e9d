#include "csvtable.h"

#include <QFile>
#include <stdexcept>

int CsvTable::column(const QString &name) const
{
    const int i = header.indexOf(name);
    if (i < 0)
        throw std::runtime_error(("colonna mancante: " + name).toStdString());
    return i;
}

CsvTable CsvTable::parse(const QString &text)
{
    CsvTable t;
    std::vector<QStringList> records;
    QStringList current;
    QString field;
    bool quoted = false;
    bool any = false;
    for (int i = 0; i < text.size(); ++i) {
        const QChar c = text[i];
        if (quoted) {
            if (c == QLatin1Char('"')) {
                if (i + 1 < text.size() && text[i + 1] == QLatin1Char('"')) {
                    field += QLatin1Char('"');
                    ++i;
                } else {
                    quoted = false;
                }
            } else {
                field += c;
            }
            continue;
        }
        if (c == QLatin1Char('"') && field.isEmpty()) {
            quoted = true;
            any = true;
        } else if (c == QLatin1Char(';')) {
            current << field;
            field.clear();
            any = true;
        } else if (c == QLatin1Char('\n') || c == QLatin1Char('\r')) {
            if (c == QLatin1Char('\r') && i + 1 < text.size() && text[i + 1] == QLatin1Char('\n'))
                ++i;
            if (any || !field.isEmpty()) {
                current << field;
                records.push_back(current);
            }
            current.clear();
            field.clear();
            any = false;
        } else {
            field += c;
            any = true;
        }
    }
    if (any || !field.isEmpty()) {
        current << field;
        records.push_back(current);
    }
    if (records.empty())
        throw std::runtime_error("file vuoto");
    t.header = records.front();
    if (!t.header.isEmpty() && t.header[0].startsWith(QChar(0xFEFF)))
        t.header[0].remove(0, 1);
    for (QString &h : t.header)
        h = h.trimmed();
    for (size_t r = 1; r < records.size(); ++r) {
        QStringList row = records[r];
        while (row.size() < t.header.size())
            row << QString();
        t.rows.push_back(row);
    }
    return t;
}

CsvTable CsvTable::read(const QString &path)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        throw std::runtime_error(("impossibile leggere " + path).toStdString());
    return parse(QString::fromUtf8(f.readAll()));
}
