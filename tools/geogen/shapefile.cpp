#include "shapefile.h"

#include <shapefil.h>

#include <algorithm>
#include <fstream>
#include <memory>
#include <stdexcept>

namespace quarnaro::geogen {

namespace {

double ringArea(const std::vector<XY> &r)
{
    double a = 0;
    for (std::size_t i = 0; i + 1 < r.size(); ++i)
        a += r[i].x * r[i + 1].y - r[i + 1].x * r[i].y;
    return a / 2.0;
}

void writeText(const std::filesystem::path &file, const std::string &text)
{
    std::ofstream out(file, std::ios::binary | std::ios::trunc);
    out << text;
    if (!out)
        throw std::runtime_error("cannot write " + file.string());
}

struct ShpCloser {
    void operator()(SHPInfo *h) const { SHPClose(h); }
};
struct DbfCloser {
    void operator()(DBFInfo *h) const { DBFClose(h); }
};

} // namespace

void writePolygonLayer(const std::filesystem::path &base, const std::vector<FieldDef> &fields,
                       const std::vector<Feature> &features, const std::string &prjWkt)
{
    const std::string stem = base.string();
    std::unique_ptr<SHPInfo, ShpCloser> shp(SHPCreate(stem.c_str(), SHPT_POLYGON));
    if (!shp)
        throw std::runtime_error("cannot create " + stem + ".shp");
    // shapelib writes a .cpg file holding the code page name next to the .dbf.
    std::unique_ptr<DBFInfo, DbfCloser> dbf(DBFCreateEx((stem + ".dbf").c_str(), "UTF-8"));
    if (!dbf)
        throw std::runtime_error("cannot create " + stem + ".dbf");

    for (const FieldDef &f : fields) {
        if (f.name.empty() || f.name.size() > 10)
            throw std::runtime_error("field name '" + f.name + "' must have 1 to 10 characters");
        const DBFFieldType t = f.type == FieldDef::Type::Text ? FTString : FTInteger;
        if (DBFAddField(dbf.get(), f.name.c_str(), t, f.width, 0) < 0)
            throw std::runtime_error("cannot add field " + f.name + " to " + stem + ".dbf");
    }

    for (std::size_t i = 0; i < features.size(); ++i) {
        const Feature &feat = features[i];
        if (feat.values.size() != fields.size())
            throw std::runtime_error("feature " + std::to_string(i) + " of " + stem
                                     + " has the wrong number of values");

        std::vector<int> partStart;
        std::vector<double> xs, ys;
        for (const PolygonRings &poly : feat.polygons) {
            for (std::size_t r = 0; r < poly.rings.size(); ++r) {
                std::vector<XY> ring = poly.rings[r];
                if (ring.size() < 4)
                    throw std::runtime_error("degenerate ring in feature " + std::to_string(i) + " of " + stem);
                if (ring.front().x != ring.back().x || ring.front().y != ring.back().y)
                    ring.push_back(ring.front());
                // Shells clockwise (negative area in a y-up frame), holes counter-clockwise.
                const bool shell = r == 0;
                if ((ringArea(ring) > 0) == shell)
                    std::reverse(ring.begin(), ring.end());
                partStart.push_back(int(xs.size()));
                for (const XY &p : ring) {
                    xs.push_back(p.x);
                    ys.push_back(p.y);
                }
            }
        }
        if (xs.empty())
            throw std::runtime_error("feature " + std::to_string(i) + " of " + stem + " has no geometry");

        SHPObject *obj = SHPCreateObject(SHPT_POLYGON, -1, int(partStart.size()), partStart.data(), nullptr,
                                         int(xs.size()), xs.data(), ys.data(), nullptr, nullptr);
        const int id = SHPWriteObject(shp.get(), -1, obj);
        SHPDestroyObject(obj);
        if (id < 0)
            throw std::runtime_error("cannot write shape " + std::to_string(i) + " of " + stem);

        for (std::size_t k = 0; k < fields.size(); ++k) {
            const FieldDef &f = fields[k];
            int ok = 0;
            if (f.type == FieldDef::Type::Text) {
                const auto *s = std::get_if<std::string>(&feat.values[k]);
                if (!s)
                    throw std::runtime_error("field " + f.name + " expects text");
                if (int(s->size()) > f.width)
                    throw std::runtime_error("value '" + *s + "' is too long for field " + f.name);
                ok = DBFWriteStringAttribute(dbf.get(), id, int(k), s->c_str());
            } else {
                const auto *v = std::get_if<long>(&feat.values[k]);
                if (!v)
                    throw std::runtime_error("field " + f.name + " expects a number");
                if (std::to_string(*v).size() > std::size_t(f.width))
                    throw std::runtime_error("value " + std::to_string(*v) + " is too wide for field " + f.name);
                ok = DBFWriteIntegerAttribute(dbf.get(), id, int(k), int(*v));
            }
            if (!ok)
                throw std::runtime_error("cannot write field " + f.name + " of shape " + std::to_string(i));
        }
    }
    shp.reset();
    dbf.reset();
    writeText(stem + ".prj", prjWkt);
}

} // namespace quarnaro::geogen
