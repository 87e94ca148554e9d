#include "territori.h"

#include <charconv>
#include <fstream>
#include <set>
#include <stdexcept>

namespace quarnaro::geogen {

namespace {

std::vector<std::string> splitFields(const std::string &line)
{
    std::vector<std::string> f;
    std::size_t start = 0;
    for (;;) {
        const std::size_t p = line.find(';', start);
        f.push_back(line.substr(start, p == std::string::npos ? std::string::npos : p - start));
        if (p == std::string::npos)
            break;
        start = p + 1;
    }
    return f;
}

[[noreturn]] void fail(std::size_t line, const std::string &what)
{
    throw std::runtime_error("territori, line " + std::to_string(line) + ": " + what);
}

template <class T> T parseNumber(const std::string &s, std::size_t line, const char *column)
{
    T v {};
    const auto r = std::from_chars(s.data(), s.data() + s.size(), v);
    if (s.empty() || r.ec != std::errc() || r.ptr != s.data() + s.size())
        fail(line, std::string("column ") + column + " is not a number: '" + s + "'");
    return v;
}

bool parseFlag(const std::string &s, std::size_t line, const char *column)
{
    if (s == "1")
        return true;
    if (s == "0")
        return false;
    fail(line, std::string("column ") + column + " must be 0 or 1, not '" + s + "'");
}

} // namespace

std::vector<Territorio> parseTerritori(std::istream &in)
{
    std::vector<Territorio> out;
    std::set<std::string> seen;
    std::string line;
    std::size_t lineNo = 0;
    bool header = true;
    while (std::getline(in, line)) {
        ++lineNo;
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        if (header) {
            if (line.rfind("\xEF\xBB\xBF", 0) == 0)
                line.erase(0, 3);
            if (line != kTerritoriHeader)
                fail(lineNo, "the header must be " + std::string(kTerritoriHeader));
            header = false;
            continue;
        }
        if (line.empty())
            continue;
        const std::vector<std::string> f = splitFields(line);
        if (f.size() != 12)
            fail(lineNo, "expected 12 fields, found " + std::to_string(f.size()));

        Territorio t;
        t.codTerr = f[0];
        if (t.codTerr.empty())
            fail(lineNo, "COD_TERR is empty");
        if (!seen.insert(t.codTerr).second)
            fail(lineNo, "COD_TERR " + t.codTerr + " appears twice");
        t.codTipoTerr = parseNumber<int>(f[1], lineNo, "COD_TIPO_TERR");
        t.desTerr = f[2];
        if (!f[3].empty())
            t.prov = parseNumber<int>(f[3], lineNo, "PROV");
        t.reg = f[4];
        t.codNuts = f[5];
        t.sigla = f[6];
        if (f[7].empty() != f[8].empty())
            fail(lineNo, "LAT and LON must be both given or both empty");
        if (!f[7].empty())
            t.capital = LatLon {parseNumber<double>(f[7], lineNo, "LAT"), parseNumber<double>(f[8], lineNo, "LON")};
        t.pop2001 = parseNumber<long long>(f[9], lineNo, "POP2001");
        t.in103 = parseFlag(f[10], lineNo, "IN103");
        t.in107 = parseFlag(f[11], lineNo, "IN107");
        if (t.isProvince() && (!t.prov || !t.capital))
            fail(lineNo, "province " + t.codTerr + " needs PROV, LAT and LON");
        out.push_back(std::move(t));
    }
    if (header)
        fail(lineNo, "the file is empty");
    return out;
}

std::vector<Territorio> readTerritori(const std::filesystem::path &file)
{
    std::ifstream in(file, std::ios::binary);
    if (!in)
        throw std::runtime_error("cannot open " + file.string());
    return parseTerritori(in);
}

} // namespace quarnaro::geogen
