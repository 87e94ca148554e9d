// The sample territories (data/territori.csv): Italy's regions, provinces,
// macro-areas, the whole country and the structural-fund areas.
#pragma once

#include "projection.h"

#include <filesystem>
#include <istream>
#include <optional>
#include <string>
#include <vector>

namespace quarnaro::geogen {

// Values of COD_TIPO_TERR.
enum TipoTerritorio : int {
    kProvincia = 1,
    kRegione = 2,
    kRipartizione = 4, // macro-areas and Italia
    kFondiStrutturali = 5,
    kProvinciaNuts2 = 6, // Bolzano and Trento: provinces that are NUTS-2 areas too
    kRegioneSenzaNuts2 = 22, // Trentino-Alto Adige
};

struct Territorio {
    std::string codTerr;
    int codTipoTerr = 0;
    std::string desTerr;
    std::optional<int> prov;
    std::string reg;
    std::string codNuts;
    std::string sigla;
    std::optional<LatLon> capital;
    long long pop2001 = 0;
    bool in103 = true;
    bool in107 = true;

    bool isProvince() const { return codTipoTerr == kProvincia || codTipoTerr == kProvinciaNuts2; }
    bool isRegion() const { return codTipoTerr == kRegione || codTipoTerr == kRegioneSenzaNuts2; }
    bool isNuts2() const { return codTipoTerr == kRegione || codTipoTerr == kProvinciaNuts2; }
};

// The header line the file must start with.
inline constexpr const char *kTerritoriHeader =
    "COD_TERR;COD_TIPO_TERR;DES_TERR;PROV;REG;COD_NUTS;SIGLA;LAT;LON;POP2001;IN103;IN107";

// Parses the semicolon-separated text. Throws std::runtime_error naming the
// line for a wrong header, a wrong number of fields, a malformed number, a
// duplicate COD_TERR, a province without number or capital, or a flag other
// than 0/1. A UTF-8 byte order mark and CR LF line ends are accepted.
std::vector<Territorio> parseTerritori(std::istream &in);
std::vector<Territorio> readTerritori(const std::filesystem::path &file);

} // namespace quarnaro::geogen
