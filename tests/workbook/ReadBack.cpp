#include "ReadBack.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>

namespace wbtest {

std::optional<std::vector<ReadSheet>> readBack(const std::filesystem::path &file, std::string *why)
{
    QProcess reader;
    reader.start("/usr/bin/python3", {QRN_WB_TEST_DIR "/read_workbook.py", QString::fromStdString(file.string())});
    if (!reader.waitForFinished(600000) || reader.exitStatus() != QProcess::NormalExit || reader.exitCode() != 0) {
        *why = "reader failed: " + reader.readAllStandardError().toStdString();
        return std::nullopt;
    }
    std::vector<ReadSheet> sheets;
    for (const QJsonValue &s : QJsonDocument::fromJson(reader.readAllStandardOutput()).array()) {
        ReadSheet &sheet = sheets.emplace_back();
        sheet.name = s["name"].toString().toStdString();
        sheet.rows = s["rows"].toInt();
        sheet.cols = s["cols"].toInt();
        for (const QJsonValue &c : s["cells"].toArray()) {
            ReadCell &cell = sheet.cells[{c[0].toInt(), c[1].toInt()}];
            cell.type = c[2].toString().at(0).toLatin1();
            if (cell.type == 'n')
                cell.number = c[3].toDouble();
            else
                cell.text = c[3].toString().toStdString();
        }
        const QJsonObject widths = s["widths"].toObject();
        for (auto w = widths.begin(); w != widths.end(); ++w)
            sheet.widths[w.key().toInt()] = w.value().toDouble();
        for (const QJsonValue &st : s["styles"].toArray())
            sheet.styles[{st[0].toInt(), st[1].toInt()}] = {st[2].toBool(), st[3].toString().toStdString()};
    }
    return sheets;
}

std::optional<ReadCell> expectedOf(const qrn::workbook::Cell &cell)
{
    using Kind = qrn::workbook::Cell::Kind;
    if (cell.kind == Kind::Text && !cell.text.empty())
        return ReadCell {'t', cell.text, 0};
    if (cell.kind == Kind::Number)
        return ReadCell {'n', {}, cell.number};
    return std::nullopt;
}

} // namespace wbtest
