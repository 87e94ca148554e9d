#pragma once
// The chart window (frmGrafico): one chart of the chart data, with "Salva..." (PNG, SVG or PDF)
// and "Copia" (the picture to the clipboard). The window only shows what it is given; whoever
// opens it gives it new data when what it charts changes.

#include "chart/chartrender.h"

#include <QWidget>

class QChartView;
class QPushButton;

namespace qrn {
struct ProgramPaths;
struct Services;
} // namespace qrn

namespace qrn::ui {

class ChartWindow : public QWidget {
    Q_OBJECT
public:
    // "Salva..." proposes the Excel folder of paths and reports through the prompt and log of services.
    ChartWindow(const ProgramPaths &paths, Services &services, QWidget *parent = nullptr);

    // Shows a new chart of data (the window's title follows the chart's).
    void setData(const chart::ChartData &data);
    const chart::ChartData &data() const { return m_data; }
    QChartView *view() const { return m_view; }

    void cmdSalva_Click();
    void cmdCopia_Click();

private:
    const ProgramPaths &m_paths;
    Services &m_services;
    chart::ChartData m_data;
    QChartView *m_view;
    QPushButton *cmdSalva, *cmdCopia;
};

} // namespace qrn::ui
