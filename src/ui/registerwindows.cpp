#include "ui/registerwindows.h"

#include "catalogue/ui/formdatitab.h"
#include "shell/ui/mainwindow.h"

namespace qrn::ui {

void registerWindows(MainWindow &main)
{
    // A keyword without a window opens nothing.
    main.registry().add(QStringLiteral("FORMDATITAB"), [&main] { return new FormdatiTab(main.context(), &main); });
}

} // namespace qrn::ui
