#pragma once
// The one place where every window the menus can open is registered by its keyword.

namespace qrn::ui {
class MainWindow;
void registerWindows(MainWindow &main);
} // namespace qrn::ui
