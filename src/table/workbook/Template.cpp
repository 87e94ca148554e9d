// Export templates: a few "key=value" lines naming the two sheets and the header style.
#include "Workbook.h"
#include "WorkbookDetail.h"

#include <cctype>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>

namespace qrn::workbook {
namespace {

std::string trim(const std::string& s) {
    const auto first = s.find_first_not_of(" \t\r");
    if (first == std::string::npos) return {};
    const auto last = s.find_last_not_of(" \t\r");
    return s.substr(first, last - first + 1);
}

std::string lower(std::string s) {
    for (auto& c : s) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return s;
}

bool validUtf8(const std::string& s) {
    return detail::toUtf8(detail::toUtf16(s, s.size() + 1)) == s;
}

std::optional<uint32_t> parseColour(const std::string& v) {
    if (v.size() != 7 || v[0] != '#') return std::nullopt;
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

bool validSheetName(const std::string& name) {
    return !name.empty() && detail::sanitizeSheetName(name, 0) == name &&
           detail::toUtf16(name, name.size() + 1).size() <= detail::kMaxSheetName;
}

} // namespace

std::optional<Template> loadTemplate(const std::string& path, std::string* error) {
    const std::string where = "Modello \"" + path + "\"";
    auto fail = [&](const std::string& what) -> std::optional<Template> {
        if (error) *error = where + ": " + what;
        return std::nullopt;
    };

    std::error_code ec;
    if (!std::filesystem::exists(path, ec)) return fail("file non trovato.");
    if (!std::filesystem::is_regular_file(path, ec)) return fail("non è un file.");
    std::ifstream in(path, std::ios::binary);
    if (!in) return fail("impossibile aprire il file.");
    std::ostringstream buf;
    buf << in.rdbuf();
    if (in.bad()) return fail("errore di lettura.");
    std::string content = buf.str();
    if (content.rfind("\xEF\xBB\xBF", 0) == 0) content.erase(0, 3);
    if (!validUtf8(content)) return fail("il testo non è in codifica UTF-8.");

    std::map<std::string, std::string> values;
    std::istringstream lines(content);
    std::string line;
    for (int n = 1; std::getline(lines, line); ++n) {
        const std::string at = "riga " + std::to_string(n) + ": ";
        line = trim(line);
        if (line.empty() || line[0] == '#') continue;
        const auto eq = line.find('=');
        if (eq == std::string::npos) return fail(at + "manca il segno '='.");
        const std::string key = trim(line.substr(0, eq));
        const std::string value = trim(line.substr(eq + 1));
        if (key != "dataSheet" && key != "metaSheet" && key != "headerBold" && key != "headerFill")
            return fail(at + "chiave sconosciuta \"" + key + "\".");
        if (!values.emplace(key, value).second)
            return fail(at + "chiave \"" + key + "\" ripetuta.");
    }

    Template t;
    for (const char* key : {"dataSheet", "metaSheet"}) {
        auto it = values.find(key);
        if (it == values.end()) return fail(std::string("manca la chiave \"") + key + "\".");
        if (!validSheetName(it->second))
            return fail("nome di foglio non valido \"" + it->second + "\" (" + key +
                        "): al massimo 31 caratteri, senza : \\ / ? * [ ] e apostrofi ai bordi.");
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
