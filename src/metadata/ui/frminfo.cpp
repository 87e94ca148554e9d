#include "metadata/ui/frminfo.h"

#include "shell/context.h"
#include "shell/dberror.h"
#include "shell/prompt.h"
#include "shell/ui/mainwindow.h"

#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

namespace qrn::ui {

namespace {
constexpr int kHelpContext = 640;

QPushButton *button(QWidget *parent, const char *name, const QString &caption)
{
    auto *b = new QPushButton(caption, parent);
    b->setObjectName(QLatin1String(name));
    return b;
}
} // namespace

frmInfo::frmInfo(ProgramPaths &paths, Services &services, MainWindow *main)
    : QDialog(main), m_paths(paths), m_services(services), m_main(main)
{
    setObjectName(QStringLiteral("frmInfo"));
    setWindowTitle(QStringLiteral("Informazioni e aggiornamenti"));
    auto *lay = new QVBoxLayout(this);

    auto *title = new QLabel(
        QStringLiteral("<b>Quarnaro</b><br>Statistiche sulle infrastrutture dei territori italiani"), this);
    title->setObjectName(QStringLiteral("lblTitolo"));
    lay->addWidget(title);

    auto *data = new QGroupBox(QStringLiteral("Dati in uso"), this);
    auto *dataLay = new QVBoxLayout(data);
    m_version = new QLabel(QStringLiteral("Ultimo aggiornamento dei dati:"), data);
    m_version->setObjectName(QStringLiteral("lblVersioneBd"));
    m_note = new QLabel(QStringLiteral("Note:"), data);
    m_note->setObjectName(QStringLiteral("lblNote"));
    m_note->setWordWrap(true);
    m_version->setWordWrap(true);
    dataLay->addWidget(m_version);
    dataLay->addWidget(m_note);
    dataLay->addStretch(1);
    // The note may be long: the data box takes the free height.
    lay->addWidget(data, 1);

    auto *updates = new QGroupBox(QStringLiteral("Aggiornamenti"), this);
    auto *updLay = new QHBoxLayout(updates);
    auto *db = button(updates, "cmdAggiornaBd", QStringLiteral("Aggiorna banca dati..."));
    auto *maps = button(updates, "cmdAggiornaMappe", QStringLiteral("Aggiorna mappe..."));
    updLay->addWidget(db);
    updLay->addWidget(maps);
    updLay->addStretch(1);
    lay->addWidget(updates);

    auto *bottom = new QHBoxLayout;
    auto *help = button(this, "cmdHelp", QStringLiteral("Aiuto"));
    auto *ok = button(this, "cmdOK", QStringLiteral("OK"));
    ok->setDefault(true);
    bottom->addWidget(help);
    bottom->addStretch(1);
    bottom->addWidget(ok);
    lay->addLayout(bottom);

    connect(db, &QPushButton::clicked, this, [this] { cmdAggiornaBd_Click(); });
    connect(maps, &QPushButton::clicked, this, [this] { cmdAggiornaMappe_Click(); });
    connect(ok, &QPushButton::clicked, this, &QDialog::accept);
    connect(help, &QPushButton::clicked, this, [this] {
        if (m_main)
            m_main->ShowHelp(kHelpContext);
    });
    resize(520, 300);
}

void frmInfo::Form_Load()
{
    try {
        const UpdateInfo info = readUpdateInfo(m_services);
        if (info.found) {
            m_version->setText(QStringLiteral("Ultimo aggiornamento dei dati: ") + info.label);
            m_note->setText(QStringLiteral("Note: ") + info.note);
        }
    } catch (const DbError &e) {
        m_services.log.logError(objectName(), QStringLiteral("Form_Load"), e.number(), e.description());
    }
}

UpdateResult frmInfo::runUpdate(UpdateKind kind, const QString &procedure)
{
    Prompt &prompt = *m_services.prompt;
    const QString file = prompt.openFile(QString(), QString(), QStringLiteral("File zip (*.zip)|*.zip"));
    if (file.isEmpty())
        return {};
    if (prompt.message(updateQuestion(kind, file), QString(), Icon::Question, Buttons::YesNo) != Answer::Yes)
        return {};
    constexpr int kPasswordTries = 3;
    QString password;
    UpdateResult r;
    for (int asked = 0;; ++asked) {
        {
            BusyPointer busy(&prompt);
            r = installUpdate(m_paths, m_services, kind, file, password);
        }
        if (r.outcome != UpdateResult::Outcome::NeedsPassword || asked == kPasswordTries)
            break;
        const std::optional<QString> answer = prompt.input(updatePasswordQuestion(), QStringLiteral("Password"), QString());
        if (!answer || answer->isEmpty())
            break;
        password = *answer;
    }
    if (r.outcome == UpdateResult::Outcome::Done) {
        // Connections are opened per operation, so the next one reads the new files; the
        // labels are read again from the new metadata database.
        if (kind == UpdateKind::Databases)
            Form_Load();
        prompt.message(r.message);
    } else {
        // A stop the user asked for is no error to log.
        if (r.outcome != UpdateResult::Outcome::Cancelled)
            m_services.log.writeError(objectName(), procedure, QString::number(r.code), r.logText());
        prompt.message(r.message, QStringLiteral("Attenzione"), Icon::Exclamation);
    }
    return r;
}

UpdateResult frmInfo::cmdAggiornaBd_Click()
{
    return runUpdate(UpdateKind::Databases, QStringLiteral("cmdAggiornaBd_Click"));
}

UpdateResult frmInfo::cmdAggiornaMappe_Click()
{
    return runUpdate(UpdateKind::Maps, QStringLiteral("cmdAggiornaMappe_Click"));
}

void frmInfo::showEvent(QShowEvent *e)
{
    Form_Load();
    QDialog::showEvent(e);
}

} // namespace qrn::ui
