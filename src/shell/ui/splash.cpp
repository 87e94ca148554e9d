#include "shell/ui/splash.h"

#include "shell/context.h"
#include "shell/ui/formutils.h"
#include "shell/ui/mainwindow.h"

#include <QFile>
#include <QLabel>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QTextStream>
#include <QHBoxLayout>
#include <QVBoxLayout>

namespace qrn::ui {

namespace {
// Twips of the original window sizes, at 96 dots per inch.
int twipsToPixels(int twips)
{
    return twips / 15;
}
} // namespace

SplashWindow::SplashWindow(const ProgramPaths &paths, Services &services, MainWindow *main)
    : QWidget(nullptr), m_paths(paths), m_services(services), m_main(main)
{
    setObjectName(QStringLiteral("frmStart"));
    setWindowTitle(QStringLiteral("Quarnaro"));
    auto *lay = new QVBoxLayout(this);
    lay->setContentsMargins(40, 30, 40, 30);
    auto *project = new QLabel(QStringLiteral("Progetto:"), this);
    project->setObjectName(QStringLiteral("lblProgetto"));
    auto *title = new QLabel(QStringLiteral("Quarnaro"), this);
    title->setObjectName(QStringLiteral("lblTitolo"));
    QFont tf = title->font();
    tf.setPointSize(tf.pointSize() * 3);
    tf.setBold(true);
    title->setFont(tf);
    auto *subtitle = new QLabel(QStringLiteral("Sistema informativo sulla dotazione di infrastrutture nei territori "
                                               "italiani"),
                                this);
    subtitle->setObjectName(QStringLiteral("lblDescrizione"));
    QFont sf = subtitle->font();
    sf.setPointSize(sf.pointSize() + 4);
    subtitle->setFont(sf);
    subtitle->setWordWrap(true);
    m_info = new QLabel(this);
    m_info->setObjectName(QStringLiteral("lblInfo"));
    m_info->setWordWrap(true);
    m_info->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    for (QLabel *l : {project, title, subtitle, m_info}) {
        l->setStyleSheet(QStringLiteral("QLabel { color: #1d2b3a; background: rgba(255,255,255,150); padding: 4px; }"));
    }
    // The caption introduces the project's title on the same line, so it never reads as an
    // empty field.
    auto *heading = new QHBoxLayout;
    heading->addWidget(project, 0, Qt::AlignBottom);
    heading->addWidget(title, 0, Qt::AlignBottom);
    heading->addStretch(1);
    lay->addLayout(heading);
    lay->addWidget(subtitle);
    lay->addSpacing(20);
    lay->addWidget(m_info);
    lay->addStretch(1);
}

void SplashWindow::load()
{
    QMdiSubWindow *sub = m_main->area()->addSubWindow(this);
    sub->setAttribute(Qt::WA_DeleteOnClose);
    try {
        QFile f(m_paths.FilesFolder + QStringLiteral("InfoQrn.txt"));
        if (!f.open(QIODevice::ReadOnly | QIODevice::Text))
            throw DbError(DbError::Kind::NotFound,
                          QStringLiteral("Impossibile trovare il file '%1'.").arg(f.fileName()), 53);
        QTextStream in(&f);
        QString text = m_info->text();
        while (!in.atEnd())
            text += in.readLine() + QStringLiteral("\r\n");
        m_info->setText(text.trimmed().replace(QStringLiteral("\r\n"), QStringLiteral("\n")));
        const QSize area = m_main->area()->viewport()->size();
        sub->resize(std::max(320, area.width() - twipsToPixels(200)),
                    std::max(240, area.height() - twipsToPixels(750)));
        FormatChildForm(m_paths, m_services, this, m_main);
    } catch (const DbError &e) {
        m_services.log.logError(QStringLiteral("frmStart"), QStringLiteral("Form_Load"), e.number(), e.description());
    }
    sub->show();
}

} // namespace qrn::ui
