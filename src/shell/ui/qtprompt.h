#pragma once
#include "shell/prompt.h"

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

    // "Desc|*.a|Desc2|*.b" -> "Desc (*.a);;Desc2 (*.b)"
    static QString qtFilter(const QString &filter);

private:
    QWidget *m_parent;
    int m_busyDepth = 0;
};

} // namespace qrn::ui
