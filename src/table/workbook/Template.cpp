// Export templates: a few "key=value" lines (an INI file without sections) naming the two
// sheets and the header style.
#include "Workbook.h"
#include "WorkbookDetail.h"

#include <QFileInfo>
#include <QSettings>
#include <QStringList>
#include <QVariant>

#include <cctype>
#include <map>

namespace qrn::workbook {
namespace {

std::string lower(std::string s)
{
    for (auto &c : s)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return s;
}

std::optional<uint32_t> parseColour(const std::string &v)
{
    if (v.size() != 7 || v[0] != '#')
        return std::nullopt;
    uint32_t rgb = 0;
    for (std::size_t i = 1; i < v.size(); ++i) {
        const char c = v[i];
        int d;
        if (c >= '0' && c <= '9')
            d = c - '0';
        else if (c >= 'a' && c <= 'f')
            d = c - 'a' + 10;
        else if (c >= 'A' && c <= 'F')
            d = c - 'A' + 10;
        else
            return std::nullopt;
        rgb = (rgb << 4) | static_cast<uint32_t>(d);
    }
    return rgb;
}

bool validSheetName(const std::string &name)
{
    return !name.empty() && detail::sanitizeSheetName(name, 0) == name
        && detail::toUtf16(name, name.size() + 1).size() <= detail::kMaxSheetName;
}

} // namespace

std::optional<Template> loadTemplate(const std::string &path, std::string *error)
{
    const std::string where = "Modello \"" + path + "\"";
    auto fail = [&](const std::string &what) -> std::optional<Template> {
        if (error)
            *error = where + ": " + what;
        return std::nullopt;
    };

    const QFileInfo info(QString::fromStdString(path));
    if (!info.exists())
        return fail("file non trovato.");
    if (!info.isFile())
        return fail("non è un file.");
    if (!info.isReadable())
        return fail("impossibile aprire il file.");
    QSettings file(info.filePath(), QSettings::IniFormat);
    if (file.status() != QSettings::NoError)
        return fail("il testo non è un modello valido.");

    static const QStringList known = {QStringLiteral("dataSheet"), QStringLiteral("metaSheet"),
                                      QStringLiteral("headerBold"), QStringLiteral("headerFill")};
    std::map<std::string, std::string> values;
    for (const QString &key : file.allKeys()) {
        if (!known.contains(key))
            return fail("chiave sconosciuta \"" + key.toStdString() + "\".");
        // A value with a comma reads as a list: the template's texts are taken as written.
        const QVariant v = file.value(key);
        const QString text = v.typeId() == QMetaType::QStringList ? v.toStringList().join(QLatin1Char(','))
                                                                  : v.toString();
        values[key.toStdString()] = text.trimmed().toStdString();
    }

    Template t;
    for (const char *key : {"dataSheet", "metaSheet"}) {
        auto it = values.find(key);
        if (it == values.end())
            return fail(std::string("manca la chiave \"") + key + "\".");
        if (!validSheetName(it->second))
            return fail("nome di foglio non valido \"" + it->second + "\" (" + key
                        + "): al massimo 31 caratteri, senza : \\ / ? * [ ] e apostrofi ai bordi.");
    }
    t.dataSheetName = values["dataSheet"];
    t.metaSheetName = values["metaSheet"];
    if (lower(t.dataSheetName) == lower(t.metaSheetName))
        return fail("i due fogli hanno lo stesso nome \"" + t.dataSheetName + "\".");

    if (auto it = values.find("headerBold"); it != values.end()) {
        const std::string v = lower(it->second);
        if (v != "true" && v != "false")
            return fail("headerBold deve valere true o false, non \"" + it->second + "\".");
        t.header.bold = v == "true";
    }
    if (auto it = values.find("headerFill"); it != values.end()) {
        t.header.fill = parseColour(it->second);
        if (!t.header.fill)
            return fail("headerFill deve essere un colore #RRGGBB, non \"" + it->second + "\".");
    }
    return t;
}

} // namespace qrn::workbook
