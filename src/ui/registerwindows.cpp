#include "ui/registerwindows.h"

#include "shell/ui/mainwindow.h"

namespace qrn::ui {

void registerWindows(MainWindow &main)
{
    // Windows are added here as they are built; a keyword without a window opens nothing.
    (void)main;
}

} // namespace qrn::ui
