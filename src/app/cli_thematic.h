#pragma once
// The pipeline of the thematic `mappa` (and of the commands built on it): the table of a
// selection, the map preparation of a column, its classes and the join layer coloured by them.

#include "app/clicommand.h"
#include "map/mapdata.h"
#include "map/legend.h"
#include "map/mapreport.h"
#include "map/mapview.h"
#include "map/shapeconfig.h"
#include "map/thematic.h"

#include <QCommandLineParser>
#include <QString>
#include <optional>

namespace qrn::cli {

// The options of the thematic `mappa`: those of `tabella` plus --colonna, --metodo, --classi,
// --limiti, --colori, --palette, --livello-mappa, --classi-csv (and mappa's own --out,
// --larghezza, --altezza, --caso).
void declareThematicOptions(QCommandLineParser &p);

struct ThematicMapResult {
    map::MapRequest request;
    map::Drawing drawing; // classes, legend, tMappa written
    map::ShapeCase shapeCase; // the loaded case (layers shared with view)
    map::MapView view; // layers loaded, join layer coloured, viewport from the options
    map::JoinCoverage coverage; // the territories of the request on the join layer
    map::MapCounts counts; // the territories in a class, without data, out of the classes
    // "AS013_2005: 107 territori in 4 classi" with, when some territories are not on the map,
    // "; 103 di 107 territori sulla mappa".
    QString summary() const;
};

// The selection of `tabella`, the map preparation, the classes of --metodo and the colouring.
// With fixedClasses the map's classes are those, not the method's over this year's values.
// With year set, every year in --voce items and in --colonna is replaced by it (the atlas of
// `pagina`). Italian messages go to s.err; on failure returns nullopt and sets exitCode (2 for
// wrong options, 1 for a failure); a failed map (one that would colour nothing, or whose
// files could not be read) is also written to Error.log under command. The view's viewport is
// the map area of a picture of --larghezza x --altezza pixels (1600 x 1200 by default; see
// map::thematicMapArea).
std::optional<ThematicMapResult> buildThematicMap(Session &s, const QCommandLineParser &p, int &exitCode,
                                                  const QString &command,
                                                  const std::optional<QString> &year = std::nullopt,
                                                  const map::Legend *fixedClasses = nullptr);

// The years of --anni: a span "1996-2008", a list "1999,2001,2005", or a list of both, in the
// order given, each once. nullopt (the reason on err) when the text is not one.
std::optional<QStringList> parseYears(const QString &text, QString &err);

// The years the data database of --db holds for the item of --colonna (its code left in code);
// nullopt, the reason on s.err, when the options are wrong.
std::optional<QStringList> yearsOfItem(Session &s, const QCommandLineParser &p, QString &code);

// --classi-fisse: the classes of --metodo computed once over the values of all the years
// given, in the colours of the options; each year's map then classifies its values by their
// limits (buildThematicMap's fixedClasses). nullopt after a failure, its reason on s.err and
// exitCode set (2 for wrong options, 1 for a year that cannot be read).
std::optional<map::Legend> fixedYearClasses(Session &s, const QCommandLineParser &p, const QStringList &years,
                                            int &exitCode, const QString &command);

// The picture size of --larghezza and --altezza; nullopt (the reason on err) when they are not
// whole numbers from 1 to 20000.
std::optional<QSize> pictureSize(const QCommandLineParser &p, QString &err);

} // namespace qrn::cli
