#include "support/startmain.h"

#include "shell/startup.h"
#include "ui/registerwindows.h"

#include <gtest/gtest.h>

namespace qrn::test {

std::unique_ptr<ui::MainWindow> startMainWindow(TestFolder &tf, AppContext &ctx)
{
    auto main = std::make_unique<ui::MainWindow>(ctx);
    ui::registerWindows(*main);
    InstanceLock lock(tf.path());
    main->show();
    tf.prompt.answerFolder(QString());
    EXPECT_EQ(main->startUp(lock), StartupOutcome::Running);
    tf.prompt.clear();
    return main;
}

} // namespace qrn::test
