// The chart window.
#include "chart/ui/chartwindow.h"

#include "shell/context.h"
#include "shell/prompt.h"

#include <QApplication>
#include <QChart>
#include <QChartView>
#include <QClipboard>
#include <QHBoxLayout>
#include <QPushButton>
#include <QVBoxLayout>

namespace qrn::ui {

ChartWindow::ChartWindow(const ProgramPaths &paths, Services &services, QWidget *parent)
    : QWidget(parent, Qt::Window), m_paths(paths), m_services(services)
{
    setObjectName(QStringLiteral("frmGrafico"));
    setAttribute(Qt::WA_DeleteOnClose);
    m_view = new QChartView;
    m_view->setObjectName(QStringLiteral("grafico"));
    m_view->setRenderHint(QPainter::Antialiasing);
    m_view->setMinimumSize(480, 320);
    cmdSalva = new QPushButton(QStringLiteral("Salva…"));
    cmdSalva->setObjectName(QStringLiteral("cmdSalva"));
    cmdSalva->setToolTip(QStringLiteral("Salva il grafico in un file PNG, SVG o PDF"));
    cmdCopia = new QPushButton(QStringLiteral("Copia"));
    cmdCopia->setObjectName(QStringLiteral("cmdCopia"));
    cmdCopia->setToolTip(QStringLiteral("Copia l'immagine del grafico negli appunti"));
    auto *buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(cmdSalva);
    buttons->addWidget(cmdCopia);
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(m_view, 1);
    layout->addLayout(buttons);
    connect(cmdSalva, &QPushButton::clicked, this, &ChartWindow::cmdSalva_Click);
    connect(cmdCopia, &QPushButton::clicked, this, &ChartWindow::cmdCopia_Click);
    resize(820, 580);
}

void ChartWindow::setData(const chart::ChartData &data)
{
    m_data = data;
    QChart *old = m_view->chart();
    m_view->setChart(chart::makeChart(m_data));
    delete old;
    // Many bars want room for their names standing under them.
    if (const auto *bars = std::get_if<chart::BarChartData>(&m_data); bars && !isVisible())
        resize(std::max(width(), int(bars->bars.size()) * 11 + 140), height());
    setWindowTitle(chart::titleOf(m_data));
}

void ChartWindow::cmdSalva_Click()
{
    if (!m_services.prompt)
        return;
    const QString file = m_services.prompt->saveFile(QStringLiteral("Salva il grafico"), m_paths.ExcelFolder,
                                                     QStringLiteral("Immagine PNG (*.png);;Disegno SVG (*.svg);;"
                                                                    "Documento PDF (*.pdf)"));
    if (file.isEmpty())
        return;
    const chart::SaveOutcome r = chart::saveChart(m_data, file, m_view->size().expandedTo(chart::kDefaultChartSize));
    if (!r.ok())
        m_services.log.logError(this, QStringLiteral("cmdSalva_Click"), QString(), r.message, r.detail);
}

void ChartWindow::cmdCopia_Click()
{
    QApplication::clipboard()->setImage(chart::chartImage(m_data, m_view->size().expandedTo(chart::kDefaultChartSize)));
}

} // namespace qrn::ui
