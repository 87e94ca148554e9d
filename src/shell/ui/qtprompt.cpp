// The Prompt of the windows, on Qt's dialogs with Italian buttons. The busy pointer is counted
// (each setBusy(true) undone by one setBusy(false)); a message or the progress dialog shows the
// arrow while it is up and gives the pointer back as it found it. Progress calls nest: only the
// outermost shows a dialog, and only after a short delay, so quick work shows none; a cancel
// stays cancelled until that outermost progress ends. Events are processed there at most a few
// dozen times a second.

#include "shell/ui/qtprompt.h"

#include "shell/context.h"
#include "shell/ui/formutils.h"

#include <QApplication>
#include <QColorDialog>
#include <QFileDialog>
#include <QFileInfo>
#include <QInputDialog>
#include <QMessageBox>
#include <QPrintDialog>
#include <QPrinter>
#include <QProgressDialog>
#include <QPushButton>
#include <QRegularExpression>
#include <algorithm>

namespace qrn::ui {

Answer QtPrompt::message(const QString &text, const QString &title, Icon icon, Buttons buttons)
{
    const ActiveWindowKeeper keepActive;
    QMessageBox box(m_parent);
    box.setWindowTitle(title.isEmpty() ? QStringLiteral("Quarnaro") : title);
    box.setText(QString(text).replace(QStringLiteral("\r\n"), QStringLiteral("\n")));
    switch (icon) {
    case Icon::Information:
        box.setIcon(QMessageBox::Information);
        break;
    case Icon::Exclamation:
        box.setIcon(QMessageBox::Warning);
        break;
    case Icon::Critical:
        box.setIcon(QMessageBox::Critical);
        break;
    case Icon::Question:
        box.setIcon(QMessageBox::Question);
        break;
    case Icon::None:
        box.setIcon(QMessageBox::NoIcon);
        break;
    }
    QPushButton *ok = nullptr, *cancel = nullptr, *yes = nullptr, *no = nullptr;
    switch (buttons) {
    case Buttons::Ok:
        ok = box.addButton(QStringLiteral("OK"), QMessageBox::AcceptRole);
        box.setEscapeButton(ok);
        break;
    case Buttons::OkCancel:
        ok = box.addButton(QStringLiteral("OK"), QMessageBox::AcceptRole);
        cancel = box.addButton(QStringLiteral("Annulla"), QMessageBox::RejectRole);
        break;
    case Buttons::YesNo:
        yes = box.addButton(QStringLiteral("Sì"), QMessageBox::YesRole);
        no = box.addButton(QStringLiteral("No"), QMessageBox::NoRole);
        box.setEscapeButton(no);
        break;
    case Buttons::YesNoCancel:
        yes = box.addButton(QStringLiteral("Sì"), QMessageBox::YesRole);
        no = box.addButton(QStringLiteral("No"), QMessageBox::NoRole);
        cancel = box.addButton(QStringLiteral("Annulla"), QMessageBox::RejectRole);
        break;
    }
    // A message is read with the normal pointer, whatever the operation behind it.
    const bool wasBusy = QApplication::overrideCursor() != nullptr;
    if (wasBusy)
        QApplication::setOverrideCursor(Qt::ArrowCursor);
    box.exec();
    if (wasBusy)
        QApplication::restoreOverrideCursor();
    QAbstractButton *clicked = box.clickedButton();
    if (clicked == yes && yes)
        return Answer::Yes;
    if (clicked == no && no)
        return Answer::No;
    if (clicked == cancel && cancel)
        return Answer::Cancel;
    if (clicked == ok && ok)
        return Answer::Ok;
    return cancel ? Answer::Cancel : (no ? Answer::No : Answer::Ok);
}

std::optional<QString> QtPrompt::input(const QString &prompt, const QString &title, const QString &defaultText)
{
    const ActiveWindowKeeper keepActive;
    QInputDialog dlg(m_parent);
    dlg.setWindowTitle(title);
    dlg.setLabelText(prompt);
    dlg.setTextValue(defaultText);
    dlg.setOkButtonText(QStringLiteral("OK"));
    dlg.setCancelButtonText(QStringLiteral("Annulla"));
    if (dlg.exec() != QDialog::Accepted)
        return std::nullopt;
    return dlg.textValue();
}

QString QtPrompt::browseFolder(const QString &title)
{
    const ActiveWindowKeeper keepActive;
    const QString dir = QFileDialog::getExistingDirectory(m_parent, title, QString(), QFileDialog::ShowDirsOnly);
    return dir.isEmpty() ? QString() : withSeparator(dir);
}

QString QtPrompt::qtFilter(const QString &filter)
{
    const QStringList parts = filter.split(QLatin1Char('|'));
    QStringList out;
    for (int i = 0; i + 1 < parts.size(); i += 2) {
        const QStringList patterns = parts[i + 1].split(QLatin1Char(';'), Qt::SkipEmptyParts);
        // "File zip (*.zip)|*.zip" already names its pattern: showing it again would read
        // "File zip (*.zip) (*.zip)". Qt reads the patterns out of the parentheses.
        const bool named = !patterns.isEmpty() && std::all_of(patterns.begin(), patterns.end(), [&](const QString &p) {
            return parts[i].contains(p.trimmed());
        }) && parts[i].contains(QLatin1Char('('));
        out << (named ? parts[i] : QStringLiteral("%1 (%2)").arg(parts[i], patterns.join(QLatin1Char(' '))));
    }
    return out.join(QStringLiteral(";;"));
}

QString QtPrompt::openFile(const QString &title, const QString &folder, const QString &filter)
{
    const ActiveWindowKeeper keepActive;
    return QFileDialog::getOpenFileName(m_parent, title, folder, qtFilter(filter));
}

QString QtPrompt::saveFile(const QString &title, const QString &folder, const QString &filter)
{
    const ActiveWindowKeeper keepActive;
    // The overwrite question is the program's own.
    QString chosenFilter;
    QString name = QFileDialog::getSaveFileName(m_parent, title, folder, qtFilter(filter), &chosenFilter,
                                                QFileDialog::DontConfirmOverwrite);
    // A name typed without an extension takes the one of the filter the user chose.
    if (!name.isEmpty() && QFileInfo(name).suffix().isEmpty()) {
        static const QRegularExpression pattern(QStringLiteral("\\*\\.(\\w+)"));
        const QRegularExpressionMatch m = pattern.match(chosenFilter);
        if (m.hasMatch())
            name += QLatin1Char('.') + m.captured(1);
    }
    return name;
}

std::optional<QColor> QtPrompt::chooseColor(const QColor &initial)
{
    const ActiveWindowKeeper keepActive;
    const QColor c = QColorDialog::getColor(initial, m_parent, QStringLiteral("Colore"));
    if (!c.isValid())
        return std::nullopt;
    return c;
}

bool QtPrompt::choosePrinter(QPrinter &printer)
{
    const ActiveWindowKeeper keepActive;
    QPrintDialog dlg(&printer, m_parent);
    dlg.setWindowTitle(QStringLiteral("Stampa"));
    return dlg.exec() == QDialog::Accepted;
}

void QtPrompt::setBusy(bool busy)
{
    if (busy) {
        QApplication::setOverrideCursor(Qt::WaitCursor);
        ++m_busyDepth;
    } else if (m_busyDepth > 0) {
        QApplication::restoreOverrideCursor();
        --m_busyDepth;
    }
}

void QtPrompt::beginProgress(const QString &text, int total)
{
    if (m_progressDepth++ > 0)
        return;
    m_progressText = text;
    m_progressTotal = std::max(total, 0); // 0: a bar that only shows the work goes on
    m_progressCancelled = false;
    m_progressClock.start();
}

bool QtPrompt::progress(int done)
{
    if (m_progressDepth != 1)
        return !m_progressCancelled;
    if (!m_progress) {
        if (m_progressClock.elapsed() < kProgressDelayMs)
            return true;
        m_progress = new QProgressDialog(m_progressText, QStringLiteral("Annulla"), 0, m_progressTotal, m_parent);
        m_progress->setObjectName(QStringLiteral("progressDialog"));
        m_progress->setWindowTitle(QStringLiteral("Quarnaro"));
        m_progress->setWindowModality(Qt::WindowModal);
        m_progress->setMinimumDuration(0);
        m_progress->setAutoClose(false);
        m_progress->setAutoReset(false);
        m_progress->show();
        m_progressPaint.invalidate();
        // The dialog is there to be used: the busy pointer gives way to the arrow over it (the
        // pointer in use is swapped, so the busy count stays as it was).
        if (QApplication::overrideCursor() && QApplication::overrideCursor()->shape() == Qt::WaitCursor) {
            QApplication::changeOverrideCursor(Qt::ArrowCursor);
            m_progressArrow = true;
        }
    }
    // The dialog takes its events (a press of "Annulla", a repaint) a few dozen times a second.
    if (!m_progressPaint.isValid() || m_progressPaint.elapsed() >= 40
        || (m_progressTotal > 0 && done >= m_progressTotal)) {
        if (m_progressTotal > 0)
            m_progress->setValue(std::clamp(done, 0, m_progressTotal));
        QCoreApplication::processEvents();
        m_progressPaint.start();
    }
    if (m_progress->wasCanceled())
        m_progressCancelled = true;
    return !m_progressCancelled;
}

void QtPrompt::endProgress()
{
    if (m_progressDepth == 0 || --m_progressDepth > 0)
        return;
    delete m_progress.data();
    // Back to the busy pointer when the work that wanted it still goes on.
    if (m_progressArrow && QApplication::overrideCursor())
        QApplication::changeOverrideCursor(Qt::WaitCursor);
    m_progressArrow = false;
}

} // namespace qrn::ui
