#pragma once
// Placement and background shared by every window of the program.

#include <QPointer>

class QWidget;
class QMdiArea;
class QMdiSubWindow;

namespace qrn {
struct ProgramPaths;
struct Services;
} // namespace qrn

namespace qrn::ui {

// Button-face background; unless w is the main window: top 0, and left 0 for the splash or
// half of (main width - window width) for the others, negative when the window is wider.
// For the splash it then loads the background picture.
void FormatChildForm(const qrn::ProgramPaths &paths, qrn::Services &services, QWidget *w, QWidget *mainWindow);

// Stretches Images/infra2.jpg to the window's size (height plus 10 pixels) as its picture;
// for the splash the same picture becomes the main window's background too.
// The steps are traced in the error log's debug lines under the window's name.
void CaricaSfondoForm(const qrn::ProgramPaths &paths, qrn::Services &services, QWidget *w, QMdiArea *mainArea);

// The subwindow frame of w inside the main window's area, or w itself.
QWidget *frameOf(QWidget *w);

// Kept across a dialog: the child window and the control the user was in when it opened are
// active again when it closes. Without it the main window's area reactivates whichever child
// it picks when the main window gets the focus back, often another one than the user's.
class ActiveWindowKeeper {
public:
    ActiveWindowKeeper();
    ~ActiveWindowKeeper();
    ActiveWindowKeeper(const ActiveWindowKeeper &) = delete;
    ActiveWindowKeeper &operator=(const ActiveWindowKeeper &) = delete;

private:
    QPointer<QWidget> m_focus;
    QPointer<QMdiSubWindow> m_child;
};

} // namespace qrn::ui
