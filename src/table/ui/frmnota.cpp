#include "table/ui/frmnota.h"

#include "shell/context.h"
#include "shell/dberror.h"
#include "shell/ui/mainwindow.h"
#include "table/tablenotes.h"
#include "table/ui/frm_dispdata.h"

#include <QHBoxLayout>
#include <QPushButton>
#include <QTextBrowser>
#include <QVBoxLayout>

namespace qrn::ui {

frmNota::frmNota(Services &services, const CommandContext &command, MainWindow *main)
    : QDialog(main), m_services(services), m_command(command), m_main(main)
{
    setObjectName(QStringLiteral("frmNota"));
    setWindowTitle(QStringLiteral("Note sui dati"));
    auto *lay = new QVBoxLayout(this);
    m_text = new QTextBrowser(this);
    m_text->setObjectName(QStringLiteral("txtNota"));
    m_text->setOpenExternalLinks(false);
    lay->addWidget(m_text);
    auto *buttons = new QHBoxLayout;
    buttons->addStretch(1);
    auto *close = new QPushButton(QStringLiteral("Chiudi"), this);
    close->setObjectName(QStringLiteral("cmdChiudi"));
    close->setDefault(true);
    connect(close, &QPushButton::clicked, this, &QDialog::accept);
    buttons->addWidget(close);
    lay->addLayout(buttons);
    resize(560, 420);
}

void frmNota::refresh()
{
    QStringList headers;
    if (auto *grid = qobject_cast<frm_dispData *>(m_main ? m_main->registry().existing(QStringLiteral("FRM_DISPDATA"))
                                                         : nullptr))
        headers = grid->table().headers();
    try {
        m_text->setHtml(tableNotesHtml(readTableNotes(m_services, m_command.CurrentTipo, headers)));
    } catch (const DbError &e) {
        m_text->clear();
        m_services.log.logError(objectName(), QStringLiteral("Form_Load"), e.number(), e.description());
    }
}

QString frmNota::html() const
{
    return m_text->toHtml();
}

void frmNota::showEvent(QShowEvent *e)
{
    refresh();
    QDialog::showEvent(e);
}

} // namespace qrn::ui
