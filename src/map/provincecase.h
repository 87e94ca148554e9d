#pragma once
// Which province layer a province map of an item and a year is drawn on: the 103 provinces up
// to 2005, the 107 from 2006, with the item-year exceptions of the data sources.

#include <QString>

namespace qrn::map {

// "provincia103" or "provincia107".
QString provinceCase(const QString &code, int year);

} // namespace qrn::map
