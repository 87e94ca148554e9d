#pragma once
// The main window of a window test, started on a test folder with every window registered.

#include "shell/ui/mainwindow.h"
#include "support/testfolder.h"

#include <memory>

namespace qrn::test {

// Shows the main window and runs the start-up; the scripted prompt is cleared afterwards.
std::unique_ptr<ui::MainWindow> startMainWindow(TestFolder &tf, AppContext &ctx);

} // namespace qrn::test
