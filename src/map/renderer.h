#pragma once
// Renderers: they decide the symbol of every feature of a layer from one attribute field.
// A class-breaks renderer picks the symbol by the class of a number; a value-map renderer by the
// exact text of the field.

#include "map/symbol.h"

#include <QHash>
#include <QString>
#include <vector>

namespace qrn::map {

class ShapeLayer;

class Renderer {
public:
    virtual ~Renderer() = default;
    // The symbol of every feature of the layer, in feature order; features the renderer leaves
    // alone get nullptr (they are drawn with the layer's own symbol).
    virtual std::vector<const Symbol *> resolve(const ShapeLayer &layer) const = 0;
};

// Breaks b0 < b1 < ... < b(n-1) divide the numbers into n+1 classes: a value below b0 takes
// symbol 0, a value at or above b(i-1) and below b(i) symbol i, a value at or above the last
// break symbol n. So with breaks 2, 3, 4 the class numbers 1, 2, 3, 4 take symbols 0 to 3.
class ClassBreaksRenderer : public Renderer {
public:
    QString field;

    int breakCount() const { return int(m_breaks.size()); }
    // Changing the count keeps the breaks and symbols that remain; new ones are 0 and white.
    void setBreakCount(int n);
    double breakValue(int i) const { return m_breaks.at(size_t(i)); }
    void setBreakValue(int i, double v) { m_breaks.at(size_t(i)) = v; }
    int symbolCount() const { return int(m_symbols.size()); }
    Symbol &symbol(int i) { return m_symbols.at(size_t(i)); }
    const Symbol &symbol(int i) const { return m_symbols.at(size_t(i)); }
    // Colours every symbol evenly from start (symbol 0) to end (the last symbol).
    void setColorRamp(quint32 start, quint32 end);
    // The symbol index of a value.
    int classOf(double value) const;

    std::vector<const Symbol *> resolve(const ShapeLayer &layer) const override;

private:
    std::vector<double> m_breaks;
    std::vector<Symbol> m_symbols {Symbol {}};
};

// Value i of the field is drawn with symbol i; every other feature with the default symbol when
// useDefault is on, else with the layer's own symbol.
class ValueMapRenderer : public Renderer {
public:
    QString field;
    Symbol defaultSymbol;
    bool useDefault = true;

    int valueCount() const { return int(m_values.size()); }
    // Growing the count adds empty values with white symbols.
    void setValueCount(int n);
    const QString &value(int i) const { return m_values.at(size_t(i)); }
    void setValue(int i, const QString &v);
    Symbol &symbol(int i) { return m_symbols.at(size_t(i)); }
    const Symbol &symbol(int i) const { return m_symbols.at(size_t(i)); }
    // Appends a value with its symbol.
    void addValue(const QString &v, const Symbol &s);

    std::vector<const Symbol *> resolve(const ShapeLayer &layer) const override;

private:
    std::vector<QString> m_values;
    std::vector<Symbol> m_symbols;
    QHash<QString, int> m_index; // value -> first index holding it
    void reindex();
};

} // namespace qrn::map
