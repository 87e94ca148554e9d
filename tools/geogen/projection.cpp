#include "projection.h"

#include <array>
#include <cmath>
#include <numbers>
#include <stdexcept>

namespace quarnaro::geogen {

namespace {

constexpr double kGrs80A = 6378137.0;
constexpr double kGrs80InvF = 298.257222101;

constexpr double deg2rad(double d)
{
    return d * std::numbers::pi / 180.0;
}
constexpr double rad2deg(double r)
{
    return r * 180.0 / std::numbers::pi;
}

// Solves the 3x3 system m·x = v by Gaussian elimination with partial pivoting.
std::array<double, 3> solve3(std::array<std::array<double, 3>, 3> m, std::array<double, 3> v)
{
    for (int col = 0; col < 3; ++col) {
        int pivot = col;
        for (int r = col + 1; r < 3; ++r)
            if (std::fabs(m[r][col]) > std::fabs(m[pivot][col]))
                pivot = r;
        std::swap(m[col], m[pivot]);
        std::swap(v[col], v[pivot]);
        if (std::fabs(m[col][col]) < 1e-12)
            throw std::invalid_argument("control points are collinear: the affine fit is undetermined");
        for (int r = 0; r < 3; ++r) {
            if (r == col)
                continue;
            const double k = m[r][col] / m[col][col];
            for (int c = col; c < 3; ++c)
                m[r][c] -= k * m[col][c];
            v[r] -= k * v[col];
        }
    }
    return {v[0] / m[0][0], v[1] / m[1][1], v[2] / m[2][2]};
}

} // namespace

XY transverseMercatorForward(LatLon p, double centralMeridianDeg, double scale, double falseEasting,
                             double falseNorthing)
{
    const double f = 1.0 / kGrs80InvF;
    const double n = f / (2.0 - f);
    const double n2 = n * n;
    const double n3 = n2 * n;
    // Rectifying radius and Krüger's coefficients.
    const double A = kGrs80A / (1.0 + n) * (1.0 + n2 / 4.0 + n2 * n2 / 64.0);
    const double alpha[3] = {n / 2.0 - 2.0 * n2 / 3.0 + 5.0 * n3 / 16.0, 13.0 * n2 / 48.0 - 3.0 * n3 / 5.0,
                             61.0 * n3 / 240.0};

    const double phi = deg2rad(p.lat);
    const double dLambda = deg2rad(p.lon - centralMeridianDeg);
    const double k = 2.0 * std::sqrt(n) / (1.0 + n);
    // Conformal latitude expressed through t = sinh(ψ).
    const double t = std::sinh(std::atanh(std::sin(phi)) - k * std::atanh(k * std::sin(phi)));
    const double xi0 = std::atan2(t, std::cos(dLambda));
    const double eta0 = std::atanh(std::sin(dLambda) / std::sqrt(1.0 + t * t));

    double xi = xi0;
    double eta = eta0;
    for (int j = 1; j <= 3; ++j) {
        xi += alpha[j - 1] * std::sin(2.0 * j * xi0) * std::cosh(2.0 * j * eta0);
        eta += alpha[j - 1] * std::cos(2.0 * j * xi0) * std::sinh(2.0 * j * eta0);
    }
    return {falseEasting + scale * A * eta, falseNorthing + scale * A * xi};
}

XY utm32Forward(LatLon p)
{
    return transverseMercatorForward(p, 9.0, 0.9996, 500000.0, 0.0);
}

XY mercatorForward(LatLon p)
{
    return {deg2rad(p.lon), std::asinh(std::tan(deg2rad(p.lat)))};
}

LatLon mercatorInverse(XY m)
{
    return {rad2deg(std::atan(std::sinh(m.y))), rad2deg(m.x)};
}

Affine fitAffine(const std::vector<XY> &from, const std::vector<XY> &to)
{
    if (from.size() != to.size())
        throw std::invalid_argument("affine fit: point lists of different length");
    if (from.size() < 3)
        throw std::invalid_argument("affine fit: at least three point pairs are needed");

    // Normal equations on coordinates centred at the mean of `from`, which keeps
    // them well conditioned whatever the magnitude of the input.
    double mx = 0, my = 0;
    for (const XY &p : from) {
        mx += p.x;
        my += p.y;
    }
    mx /= double(from.size());
    my /= double(from.size());

    std::array<std::array<double, 3>, 3> ntn {};
    std::array<double, 3> bx {}, by {};
    for (std::size_t i = 0; i < from.size(); ++i) {
        const double r[3] = {from[i].x - mx, from[i].y - my, 1.0};
        for (int a = 0; a < 3; ++a) {
            for (int b = 0; b < 3; ++b)
                ntn[a][b] += r[a] * r[b];
            bx[a] += r[a] * to[i].x;
            by[a] += r[a] * to[i].y;
        }
    }
    const auto px = solve3(ntn, bx);
    const auto py = solve3(ntn, by);
    Affine t;
    t.a = px[0];
    t.b = px[1];
    t.c = px[2] - px[0] * mx - px[1] * my;
    t.d = py[0];
    t.e = py[1];
    t.f = py[2] - py[0] * mx - py[1] * my;
    return t;
}

const std::string &etrs89Utm32nWkt()
{
    static const std::string wkt = "PROJCS[\"ETRS_1989_UTM_Zone_32N\",GEOGCS[\"GCS_ETRS_1989\",DATUM[\"D_ETRS_1989\","
                                   "SPHEROID[\"GRS_1980\",6378137.0,298.257222101]],PRIMEM[\"Greenwich\",0.0],"
                                   "UNIT[\"Degree\",0.0174532925199433]],PROJECTION[\"Transverse_Mercator\"],"
                                   "PARAMETER[\"False_Easting\",500000.0],PARAMETER[\"False_Northing\",0.0],"
                                   "PARAMETER[\"Central_Meridian\",9.0],PARAMETER[\"Scale_Factor\",0.9996],"
                                   "PARAMETER[\"Latitude_Of_Origin\",0.0],UNIT[\"Meter\",1.0]]";
    return wkt;
}

} // namespace quarnaro::geogen
