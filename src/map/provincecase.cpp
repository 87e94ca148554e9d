#include "map/provincecase.h"

#include <QStringList>

namespace qrn::map {

namespace {

struct Exception {
    int fromYear;
    int toYear;
    const char *mapCase;
    const char *codes;
};

// Applied in order; a later matching row overrides an earlier one.
constexpr Exception kExceptions[] = {
    {2005, 2005, "provincia107", "IAS013 IAS014 IAS015 IAS016 IAS017 IAS018 AS012 AS013 AS014 AS025 AS026 AS043"},
    {2005, 2005, "provincia107", "DB031 DG030 DG032 DG033"},
    {2006, 2006, "provincia103", "AS001 AS002 AS004 AS005 AS006 AS008 AS040 IAS020 IAS022 IAS023"},
    {2006, 2006, "provincia103", "DG016 DG034"},
    {2006, 2006, "provincia103", "EN032 EN033 IEN021 IEN022 IEN055"},
    {2006, 2007, "provincia103",
     "IM001 IM004 IM005 IM006 IM007 IM008 IM009 IM010 IM011 IM012 IM013 IM020 IM023 IM025 IM028 IM030 IM031"},
    {2006, 2007, "provincia103", "IIM001 IIM005 IIM006 IIM007 IIM009 IIM016 IIM019 IIM020 IIM021 IIM024 IIM028 IIM029"},
    {2006, 2006, "provincia103", "ITR023"},
    {2006, 2006, "provincia103",
     "CO001 CO002 CO003 CO004 CO005 CO006 CO007 CO008 CO009 CO019 CO020 CO021 CO030 CO031 CO060 CO061 CO068 CO069 "
     "CO070"},
    {2006, 2006, "provincia103",
     "ICO003 ICO004 ICO005 ICO006 ICO007 ICO008 ICO009 ICO010 ICO011 ICO016 ICO017 ICO018 ICO019 ICO020 ICO021 ICO022 "
     "ICO023 ICO036 ICO037 ICO045 ICO046 ICO047 ICO048 ICO053 ICO054 ICO055 ICO065 ICO066 ICO067 ICO068 ICO070"},
    {2007, 2007, "provincia103", "CO019 CO020 CO021 CO030 CO031"},
    {2007, 2007, "provincia103", "ICO009 ICO010 ICO011 ICO023 ICO036 ICO037"},
};

} // namespace

QString provinceCase(const QString &code, int year)
{
    QString result = year <= 2005 ? QStringLiteral("provincia103") : QStringLiteral("provincia107");
    for (const Exception &e : kExceptions) {
        if (year < e.fromYear || year > e.toYear)
            continue;
        const QStringList codes = QString::fromLatin1(e.codes).split(QLatin1Char(' '), Qt::SkipEmptyParts);
        if (codes.contains(code))
            result = QString::fromLatin1(e.mapCase);
    }
    return result;
}

} // namespace qrn::map
