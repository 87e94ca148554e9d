#pragma once
// The windows the menus open, by keyword: each later window registers its factory here, in one
// place, and is created on first use and reused while it stays open.

#include "shell/context.h"

#include <QHash>
#include <QPointer>
#include <QString>
#include <QWidget>
#include <functional>

namespace qrn::ui {

class WindowRegistry {
public:
    using Factory = std::function<QWidget *()>;
    enum class Mode { Child, Modal };

    void add(const QString &keyword, Factory factory, Mode mode = Mode::Child);
    bool has(const QString &keyword) const { return m_factories.contains(keyword.toUpper()); }
    // The shared instance of keyword, created when absent; null for an unknown keyword.
    QWidget *instance(const QString &keyword);
    QWidget *existing(const QString &keyword) const;
    // Lets go of the shared instance of keyword (which is closing): the next use creates one.
    void forget(const QString &keyword) { m_instances.remove(keyword.toUpper()); }
    Mode mode(const QString &keyword) const;

private:
    struct Entry {
        Factory factory;
        Mode mode;
    };
    QHash<QString, Entry> m_factories;
    QHash<QString, QPointer<QWidget>> m_instances;
};

// A window that shows the rows of a selection query: the selection window hands it each query it
// builds, and the window runs it unless its rows are the ones already shown.
class SelectionResultWindow {
public:
    virtual ~SelectionResultWindow() = default;
    virtual const QString &ranQuery() const = 0;
    virtual const SelectionQuery &selection() const = 0;
    virtual void showSelection(const SelectionQuery &query) = 0;
};

} // namespace qrn::ui
