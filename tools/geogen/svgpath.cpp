#include "svgpath.h"

#include <QPainterPath>
#include <QPolygonF>

#include <pugixml.hpp>

#include <cctype>
#include <charconv>
#include <cmath>

namespace quarnaro::geogen {

namespace {

class PathScanner {
public:
    explicit PathScanner(std::string_view d) : d_(d) { }

    void skipSeparators()
    {
        while (pos_ < d_.size() && (std::isspace(static_cast<unsigned char>(d_[pos_])) || d_[pos_] == ','))
            ++pos_;
    }
    bool atEnd()
    {
        skipSeparators();
        return pos_ >= d_.size();
    }
    std::size_t pos() const { return pos_; }

    // True when the next token is a number (so an implicit command repeats).
    bool atNumber()
    {
        skipSeparators();
        if (pos_ >= d_.size())
            return false;
        const char c = d_[pos_];
        return std::isdigit(static_cast<unsigned char>(c)) || c == '-' || c == '+' || c == '.';
    }

    char command()
    {
        skipSeparators();
        const char c = d_[pos_];
        if (!std::isalpha(static_cast<unsigned char>(c)))
            throw SvgPathError(std::string("expected a path command, found '") + c + "'", pos_);
        ++pos_;
        return c;
    }

    // number ::= sign? (digits ("." digits?)? | "." digits) exponent?
    // Numbers may follow each other without a separator: "1.5.5" is 1.5 and .5,
    // "1-2" is 1 and -2.
    double number()
    {
        skipSeparators();
        const std::size_t start = pos_;
        std::size_t p = pos_;
        if (p < d_.size() && (d_[p] == '+' || d_[p] == '-'))
            ++p;
        bool digits = false;
        while (p < d_.size() && std::isdigit(static_cast<unsigned char>(d_[p]))) {
            ++p;
            digits = true;
        }
        if (p < d_.size() && d_[p] == '.') {
            ++p;
            while (p < d_.size() && std::isdigit(static_cast<unsigned char>(d_[p]))) {
                ++p;
                digits = true;
            }
        }
        if (!digits)
            throw SvgPathError("expected a number", start);
        if (p < d_.size() && (d_[p] == 'e' || d_[p] == 'E')) {
            std::size_t q = p + 1;
            if (q < d_.size() && (d_[q] == '+' || d_[q] == '-'))
                ++q;
            if (q < d_.size() && std::isdigit(static_cast<unsigned char>(d_[q]))) {
                while (q < d_.size() && std::isdigit(static_cast<unsigned char>(d_[q])))
                    ++q;
                p = q;
            }
        }
        // from_chars does not accept a leading '+'.
        const std::size_t from = (d_[start] == '+') ? start + 1 : start;
        double value = 0;
        const auto res = std::from_chars(d_.data() + from, d_.data() + p, value);
        if (res.ec != std::errc() || res.ptr != d_.data() + p)
            throw SvgPathError("malformed number", start);
        pos_ = p;
        return value;
    }

private:
    std::string_view d_;
    std::size_t pos_ = 0;
};

Ring cleanRing(const QPolygonF &poly)
{
    Ring r;
    r.reserve(std::size_t(poly.size()));
    for (const QPointF &q : poly) {
        const XY p {q.x(), q.y()};
        if (!r.empty() && r.back().x == p.x && r.back().y == p.y)
            continue;
        r.push_back(p);
    }
    while (r.size() > 1 && r.front().x == r.back().x && r.front().y == r.back().y)
        r.pop_back();
    return r;
}

} // namespace

std::vector<Ring> parsePathData(std::string_view d)
{
    PathScanner s(d);
    QPainterPath path;
    QPointF cur(0, 0);
    QPointF subpathStart(0, 0);
    QPointF lastControl; // reflection source for S/s and T/t
    char previous = 0;
    bool haveSubpath = false;

    while (!s.atEnd()) {
        const std::size_t at = s.pos();
        const char cmd = s.command();
        const bool rel = std::islower(static_cast<unsigned char>(cmd));
        const char up = char(std::toupper(static_cast<unsigned char>(cmd)));
        if (!haveSubpath && up != 'M')
            throw SvgPathError("path data must begin with a moveto", at);

        auto point = [&](QPointF base) {
            const double x = s.number();
            const double y = s.number();
            return rel ? QPointF(base.x() + x, base.y() + y) : QPointF(x, y);
        };

        switch (up) {
        case 'M': {
            cur = point(cur);
            path.moveTo(cur);
            subpathStart = cur;
            haveSubpath = true;
            // Further coordinate pairs after a moveto are implicit linetos.
            while (s.atNumber()) {
                cur = point(cur);
                path.lineTo(cur);
            }
            previous = 'L';
            continue;
        }
        case 'L':
            do {
                cur = point(cur);
                path.lineTo(cur);
            } while (s.atNumber());
            break;
        case 'H':
            do {
                const double x = s.number();
                cur.setX(rel ? cur.x() + x : x);
                path.lineTo(cur);
            } while (s.atNumber());
            break;
        case 'V':
            do {
                const double y = s.number();
                cur.setY(rel ? cur.y() + y : y);
                path.lineTo(cur);
            } while (s.atNumber());
            break;
        case 'C':
            do {
                const QPointF c1 = point(cur);
                const QPointF c2 = point(cur);
                const QPointF end = point(cur);
                path.cubicTo(c1, c2, end);
                lastControl = c2;
                cur = end;
            } while (s.atNumber());
            previous = 'C';
            continue;
        case 'S':
            do {
                const QPointF c1 = (previous == 'C') ? 2 * cur - lastControl : cur;
                const QPointF c2 = point(cur);
                const QPointF end = point(cur);
                path.cubicTo(c1, c2, end);
                lastControl = c2;
                cur = end;
                previous = 'C';
            } while (s.atNumber());
            continue;
        case 'Q':
            do {
                const QPointF c = point(cur);
                const QPointF end = point(cur);
                path.quadTo(c, end);
                lastControl = c;
                cur = end;
            } while (s.atNumber());
            previous = 'Q';
            continue;
        case 'T':
            do {
                const QPointF c = (previous == 'Q') ? 2 * cur - lastControl : cur;
                const QPointF end = point(cur);
                path.quadTo(c, end);
                lastControl = c;
                cur = end;
                previous = 'Q';
            } while (s.atNumber());
            continue;
        case 'Z':
            path.closeSubpath();
            // After a closepath the current point is the start of the subpath;
            // a following relative moveto is measured from there.
            cur = subpathStart;
            break;
        case 'A':
            throw SvgPathError("elliptical arcs are not supported in map outlines", at);
        default:
            throw SvgPathError(std::string("unknown path command '") + cmd + "'", at);
        }
        previous = up;
    }

    std::vector<Ring> rings;
    for (const QPolygonF &poly : path.toSubpathPolygons()) {
        Ring r = cleanRing(poly);
        if (r.size() >= 3)
            rings.push_back(std::move(r));
    }
    return rings;
}

std::vector<SvgShape> readSvgShapes(const std::filesystem::path &file)
{
    pugi::xml_document doc;
    const pugi::xml_parse_result res = doc.load_file(file.c_str());
    if (!res)
        throw std::runtime_error("cannot read the SVG map " + file.string() + ": " + res.description());

    std::vector<SvgShape> shapes;
    for (const pugi::xpath_node &xn : doc.select_nodes("//*[local-name()='path'][@id][@d]")) {
        const pugi::xml_node n = xn.node();
        SvgShape shape;
        shape.id = n.attribute("id").value();
        for (const char *attr : {"aria-label", "name", "title"}) {
            if (const pugi::xml_attribute a = n.attribute(attr)) {
                shape.label = a.value();
                break;
            }
        }
        try {
            shape.rings = parsePathData(n.attribute("d").value());
        } catch (const SvgPathError &e) {
            throw std::runtime_error("path '" + shape.id + "' of " + file.string() + ": " + e.what());
        }
        shapes.push_back(std::move(shape));
    }
    if (shapes.empty())
        throw std::runtime_error("the SVG map " + file.string() + " holds no path with an id");
    return shapes;
}

double signedArea(const Ring &r)
{
    double a = 0;
    for (std::size_t i = 0, n = r.size(); i < n; ++i) {
        const XY &p = r[i];
        const XY &q = r[(i + 1) % n];
        a += p.x * q.y - q.x * p.y;
    }
    return a / 2.0;
}

XY ringCentroid(const Ring &r)
{
    const double a = signedArea(r);
    if (r.empty())
        return {};
    if (std::fabs(a) < 1e-12) {
        XY m;
        for (const XY &p : r) {
            m.x += p.x;
            m.y += p.y;
        }
        return {m.x / double(r.size()), m.y / double(r.size())};
    }
    double cx = 0, cy = 0;
    for (std::size_t i = 0, n = r.size(); i < n; ++i) {
        const XY &p = r[i];
        const XY &q = r[(i + 1) % n];
        const double w = p.x * q.y - q.x * p.y;
        cx += (p.x + q.x) * w;
        cy += (p.y + q.y) * w;
    }
    return {cx / (6.0 * a), cy / (6.0 * a)};
}

} // namespace quarnaro::geogen
