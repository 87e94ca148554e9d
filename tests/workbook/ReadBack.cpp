#include "ReadBack.h"

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>

namespace wbtest {
namespace {

std::string fromHex(const std::string &hex)
{
    std::string out;
    for (std::size_t i = 0; i + 1 < hex.size(); i += 2)
        out.push_back(static_cast<char>(std::stoi(hex.substr(i, 2), nullptr, 16)));
    return out;
}

std::vector<std::string> splitTabs(const std::string &line)
{
    std::vector<std::string> parts;
    std::string part;
    std::istringstream in(line);
    while (std::getline(in, part, '\t'))
        parts.push_back(part);
    return parts;
}

std::string slurp(const std::filesystem::path &p)
{
    std::ifstream in(p, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

} // namespace

std::optional<std::vector<ReadSheet>> readBack(const std::filesystem::path &file, std::string *why)
{
    const std::string ext = file.extension().string();
    const std::string script = std::string(QRN_WB_TEST_DIR)
        + (ext == ".xlsx" || ext == ".XLSX" ? "/read_xlsx.py" : "/read_xls.py");
    const std::filesystem::path out = file.string() + ".dump";
    const std::filesystem::path err = file.string() + ".err";
    const std::string cmd = "/usr/bin/python3 '" + script + "' '" + file.string() + "' >'" + out.string() + "' 2>'"
        + err.string() + "'";
    const int rc = std::system(cmd.c_str());
    if (rc != 0) {
        *why = "reader failed (" + std::to_string(rc) + "): " + slurp(err);
        return std::nullopt;
    }
    std::vector<ReadSheet> sheets;
    std::istringstream lines(slurp(out));
    std::string line;
    while (std::getline(lines, line)) {
        const auto f = splitTabs(line);
        if (f.empty())
            continue;
        if (f[0] == "S" && f.size() == 4) {
            sheets.push_back({fromHex(f[1]), std::stoi(f[2]), std::stoi(f[3]), {}, {}, {}});
        } else if (f[0] == "C" && f.size() == 5 && !sheets.empty()) {
            ReadCell c;
            c.type = f[3][0];
            if (c.type == 't')
                c.text = fromHex(f[4]);
            if (c.type == 'n')
                c.number = std::strtod(f[4].c_str(), nullptr);
            if (c.type == 'o')
                c.text = f[4];
            sheets.back().cells[{std::stoi(f[1]), std::stoi(f[2])}] = c;
        } else if (f[0] == "W" && f.size() == 3 && !sheets.empty()) {
            sheets.back().widths[std::stoi(f[1])] = std::strtod(f[2].c_str(), nullptr);
        } else if (f[0] == "F" && f.size() == 5 && !sheets.empty()) {
            sheets.back().styles[{std::stoi(f[1]), std::stoi(f[2])}] = {f[3] == "1", f[4]};
        } else {
            *why = "unexpected reader line: " + line;
            return std::nullopt;
        }
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

TempDir::TempDir()
{
    std::string tmpl = (std::filesystem::temp_directory_path() / "qrn_wb_XXXXXX").string();
    if (!mkdtemp(tmpl.data()))
        throw std::runtime_error("mkdtemp failed");
    dir_ = tmpl;
}

TempDir::~TempDir()
{
    std::error_code ec;
    std::filesystem::remove_all(dir_, ec);
}

} // namespace wbtest
