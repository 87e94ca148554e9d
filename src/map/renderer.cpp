#include "map/renderer.h"

#include "map/shapelayer.h"

#include <algorithm>
#include <cmath>

namespace qrn::map {

void ClassBreaksRenderer::setBreakCount(int n)
{
    n = std::max(0, n);
    m_breaks.resize(size_t(n), 0.0);
    m_symbols.resize(size_t(n) + 1, Symbol {});
}

void ClassBreaksRenderer::setColorRamp(quint32 start, quint32 end)
{
    const QColor a = colorFromWin(start), b = colorFromWin(end);
    const int last = symbolCount() - 1;
    for (int i = 0; i <= last; ++i) {
        if (last == 0) {
            m_symbols[0].color = start;
            break;
        }
        const double t = double(i) / last;
        auto mix = [t](int x, int y) { return int(std::lround(x + (y - x) * t)); };
        m_symbols[size_t(i)].color = winFromColor(
            QColor(mix(a.red(), b.red()), mix(a.green(), b.green()), mix(a.blue(), b.blue())));
    }
}

int ClassBreaksRenderer::classOf(double value) const
{
    return int(std::upper_bound(m_breaks.begin(), m_breaks.end(), value) - m_breaks.begin());
}

std::vector<const Symbol *> ClassBreaksRenderer::resolve(const ShapeLayer &layer) const
{
    std::vector<const Symbol *> out(size_t(layer.featureCount()), nullptr);
    const int f = layer.fieldIndex(field);
    if (f < 0)
        return out;
    for (int i = 0; i < layer.featureCount(); ++i) {
        bool ok = false;
        const double v = layer.value(i, f).trimmed().toDouble(&ok);
        if (ok)
            out[size_t(i)] = &m_symbols[size_t(classOf(v))];
    }
    return out;
}

void ValueMapRenderer::setValueCount(int n)
{
    n = std::max(0, n);
    m_values.resize(size_t(n));
    m_symbols.resize(size_t(n), Symbol {});
    reindex();
}

void ValueMapRenderer::setValue(int i, const QString &v)
{
    m_values.at(size_t(i)) = v;
    reindex();
}

void ValueMapRenderer::addValue(const QString &v, const Symbol &s)
{
    m_values.push_back(v);
    m_symbols.push_back(s);
    if (!m_index.contains(v)) // an earlier equal value keeps its place
        m_index.insert(v, int(m_values.size()) - 1);
}

void ValueMapRenderer::reindex()
{
    m_index.clear();
    for (int i = int(m_values.size()) - 1; i >= 0; --i)
        m_index.insert(m_values[size_t(i)], i);
}

std::vector<const Symbol *> ValueMapRenderer::resolve(const ShapeLayer &layer) const
{
    std::vector<const Symbol *> out(size_t(layer.featureCount()), useDefault ? &defaultSymbol : nullptr);
    const int f = layer.fieldIndex(field);
    if (f < 0)
        return out;
    for (int i = 0; i < layer.featureCount(); ++i) {
        auto it = m_index.constFind(layer.value(i, f).trimmed());
        if (it != m_index.constEnd())
            out[size_t(i)] = &m_symbols[size_t(*it)];
    }
    return out;
}

} // namespace qrn::map
