#pragma once
#include "shell/prompt.h"

#include <QElapsedTimer>
#include <QPointer>
#include <QProgressDialog>

class QWidget;

namespace qrn::ui {

// Message, input and file dialogs of Qt, in Italian.
class QtPrompt : public Prompt {
public:
    explicit QtPrompt(QWidget *parent = nullptr) : m_parent(parent) { }
    void setParent(QWidget *parent) { m_parent = parent; }

    Answer message(const QString &text, const QString &title, Icon icon, Buttons buttons) override;
    std::optional<QString> input(const QString &prompt, const QString &title, const QString &defaultText) override;
    QString browseFolder(const QString &title) override;
    QString openFile(const QString &title, const QString &folder, const QString &filter) override;
    QString saveFile(const QString &title, const QString &folder, const QString &filter) override;
    std::optional<QColor> chooseColor(const QColor &initial) override;
    bool choosePrinter(QPrinter &printer) override;
    void setBusy(bool busy) override;
    // A modal progress dialog with an "Annulla" button, shown only once the work has lasted
    // kProgressDelayMs; before that the steps cost a clock reading. Work begun inside other
    // work adds nothing to the dialog of the outer one.
    void beginProgress(const QString &text, int total) override;
    bool progress(int done) override;
    void endProgress() override;
    static constexpr int kProgressDelayMs = 500;
    // The dialog while one is shown (for the tests), null otherwise.
    QProgressDialog *progressDialog() const { return m_progress; }

    // "Desc|*.a|Desc2|*.b" -> "Desc (*.a);;Desc2 (*.b)"
    static QString qtFilter(const QString &filter);

private:
    QWidget *m_parent;
    int m_busyDepth = 0;
    int m_progressDepth = 0;
    QString m_progressText;
    int m_progressTotal = 0;
    QElapsedTimer m_progressClock; // since the work began
    QElapsedTimer m_progressPaint; // since the dialog last took events
    QPointer<QProgressDialog> m_progress;
    bool m_progressArrow = false; // the dialog put the arrow over a busy pointer
    bool m_progressCancelled = false;
};

} // namespace qrn::ui
