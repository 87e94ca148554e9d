#pragma once
// The years of a mapped item: which years the data database holds for the item of a map
// request, the request of the same item and territories in any of those years (read through
// the query builder and the grid's load, the road the first map came by), and the classes
// computed once over the values of all the years together, so that a colour means the same
// value on every year's map. A year is read once and kept; the context's selection globals are
// left as they were.

#include "map/classifymethod.h"
#include "map/legend.h"
#include "map/mapdata.h"
#include "shell/result.h"

#include <QList>
#include <QString>
#include <QStringList>
#include <map>
#include <optional>

namespace qrn {
struct CommandContext;
struct NumberFormat;
struct Services;
} // namespace qrn

namespace qrn::map {

// The years for which the command's data database lists a table of the item (IndVarAnno),
// ascending, each once, or the database's failure (procedure "anniVoce") for the caller.
Result<QStringList> itemYears(Services &services, const CommandContext &command, const QString &code);

// The territory filter of a selection's statement: what follows its WHERE (empty for none).
QString territoryFilterOf(const QString &selectQuery);

// The request of base's item and territories in another year: the rows of the same level
// from base's territory filter (or, when it has none, the territories of its rows by name), sorted ascending on the year's column; the provinces' case follows the year. A year
// the database has no table for, or whose table cannot be read, is a failure to show.
struct YearRead {
    std::optional<MapRequest> request;
    std::optional<MapFailure> failure;
};
// The data database and type are those the map was made from; the query and item of the grid
// the map came from are left as they are.
YearRead readYear(Services &services, const MapRequest &base, const QString &year, const QString &db,
                  const QString &tipo);

// The values of several requests together, ascending as numbers (what is no number left out):
// what a method classifies when the classes are fixed over the years.
QStringList pooledValues(const QList<const MapRequest *> &requests, const NumberFormat &fmt);

// The method's classes over the pooled values; request gives the method's inputs (class count,
// limits, hinge), its values, statistics and the bounds of equal amplitude are those of the
// pooled values.
MethodOutcome pooledClasses(const ClassificationMethod &method, ClassRequest request, const QStringList &pooled,
                            const NumberFormat &fmt);
// The legend of classes fixed over the years: every year's values take the class whose limits
// hold them (never a rank among one year's values).
Legend fixedLegend(const MethodOutcome &outcome, const QList<QColor> &colours, const NumberFormat &fmt);

// The caption of a legend: "Classi fisse 1996–2008" for classes fixed over the years, "Classi
// dell'anno 2005" for classes of one year.
QString legendCaption(bool fixed, const QStringList &years, const QString &year);

// The years of a mapped item and their requests, each read once.
class MapYears {
public:
    // base is the request the map was opened with; the database and catalogue kind of command
    // at this moment are the ones every year is read from. When the years cannot be listed only
    // base's year is offered, and yearsFailure() says why, for the caller to report.
    MapYears(Services &services, const CommandContext &command, MapRequest base);

    const QStringList &years() const { return m_years; }
    const QString &baseYear() const { return m_base.year; }
    // Whether there is a year to move to besides the base one.
    bool hasOtherYears() const { return m_years.size() > 1; }
    // The request of a year (the base request for its own year); nullptr when it cannot be
    // read, the reason in failure().
    const MapRequest *request(const QString &year);
    const std::optional<MapFailure> &failure() const { return m_failure; }
    const std::optional<Failure> &yearsFailure() const { return m_yearsFailure; }
    // The values of every year together (each year read when not yet); the years that cannot
    // be read count for nothing.
    QStringList pooledValues(const NumberFormat &fmt);

private:
    Services &m_services;
    MapRequest m_base;
    QString m_db, m_tipo;
    QStringList m_years;
    std::map<QString, MapRequest> m_read; // node-based: the requests handed out stay put
    std::optional<MapFailure> m_failure;
    std::optional<Failure> m_yearsFailure;
};

} // namespace qrn::map
