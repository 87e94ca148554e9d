// quarnaro-geogen: writes the sample map files of Italy, the map configuration
// and the background picture into a program folder.
//
//   quarnaro-geogen --territori data/territori.csv --svg italy.svg --out <folder>

#include "italy.h"

#include <cmath>
#include <cstdio>
#include <cstring>
#include <exception>
#include <string>

using namespace quarnaro::geogen;

namespace {

int usage()
{
    std::fprintf(stderr,
                 "usage: quarnaro-geogen --territori <territori.csv> --svg <italy.svg> --out <folder> [--quiet]\n");
    return 2;
}

} // namespace

int main(int argc, char **argv)
{
    GenerationOptions opt;
    bool quiet = false;
    for (int i = 1; i < argc; ++i) {
        const std::string a = argv[i];
        const bool hasValue = i + 1 < argc;
        if (a == "--territori" && hasValue)
            opt.territoriCsv = argv[++i];
        else if (a == "--svg" && hasValue)
            opt.svgMap = argv[++i];
        else if (a == "--out" && hasValue)
            opt.outputDir = argv[++i];
        else if (a == "--quiet")
            quiet = true;
        else
            return usage();
    }
    if (opt.territoriCsv.empty() || opt.svgMap.empty() || opt.outputDir.empty())
        return usage();

    try {
        const GenerationReport r = generateSampleGeography(opt);
        if (!quiet) {
            std::printf("Georeferencing: affine drawing -> Mercator, %zu control points, rms %.2f km, max %.2f km\n",
                        r.georeference.residuals.size(), r.georeference.rmsMetres() / 1000,
                        r.georeference.maxMetres() / 1000);
            for (const ControlResidual &c : r.georeference.residuals)
                std::printf("  %-28s dE %+7.2f km  dN %+7.2f km\n", c.name.c_str(), c.dx() / 1000, c.dy() / 1000);
            std::printf("Italy: %.0f km2, extent E %.0f..%.0f N %.0f..%.0f (%.0f km x %.0f km)\n", r.italyAreaKm2,
                        r.italyExtent.minX, r.italyExtent.maxX, r.italyExtent.minY, r.italyExtent.maxY,
                        (r.italyExtent.maxX - r.italyExtent.minX) / 1000,
                        (r.italyExtent.maxY - r.italyExtent.minY) / 1000);
            for (const LayerSummary &l : r.layers)
                std::printf("Layer %-12s %3zu polygons, %.0f km2\n", l.fileName.c_str(), l.features, l.areaKm2);
            std::printf("Farthest capital from its province: %s, %.2f km\n", r.worstCapital.c_str(),
                        r.worstCapitalOffsetKm);
        }
    } catch (const std::exception &e) {
        std::fprintf(stderr, "quarnaro-geogen: %s\n", e.what());
        return 1;
    }
    return 0;
}
