// The formula window's keypad, column list and handlers. The expression is built only by the
// buttons and the column list, never typed, and is evaluated on a snapshot of the table taken when
// the window opened. The table changes in one place: "Esegui" appends the computed column and
// closes the window, so the snapshot never goes stale while the window is open. A refused
// expression leaves the window open with the reason shown.

#include "table/ui/frmfunzione.h"

#include "shell/context.h"
#include "shell/prompt.h"
#include "shell/ui/mainwindow.h"
#include "table/datatable.h"

#include <QApplication>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QVBoxLayout>

#include <exception>

namespace qrn::ui {

namespace {

QPushButton *keypadButton(QWidget *parent, const QString &name, const QString &caption)
{
    auto *b = new QPushButton(caption, parent);
    b->setObjectName(name);
    b->setAutoDefault(false);
    b->setFocusPolicy(Qt::NoFocus); // the keypad never takes the focus from the column list
    b->setFixedSize(44, 32);
    return b;
}

} // namespace

frmFunzione::frmFunzione(Services &services, DataTable &table, formula::DerivedMemory &memory, QWidget *parent,
                         std::function<void(const QString &)> added)
    : QDialog(parent),
      onAdded(std::move(added)),
      m_services(services),
      m_table(table),
      m_snapshot(table.rows()),
      m_builder(memory)
{
    setObjectName(QStringLiteral("frmFunzione"));
    setWindowTitle(formula::windowCaption);
    setModal(true);
    buildControls();
    cmdReset_Click(); // the opening state: empty expression, the columns of the snapshot
}

frmFunzione::~frmFunzione() = default;

void frmFunzione::buildControls()
{
    auto *root = new QVBoxLayout(this);

    auto *exprLabel = new QLabel(QStringLiteral("Espressione:"), this);
    exprLabel->setObjectName(QStringLiteral("lblFunzione"));
    root->addWidget(exprLabel);
    lstFunzione = new QLineEdit(this);
    lstFunzione->setObjectName(QStringLiteral("lstFunzione"));
    // The expression is built only with the keypad and the column list.
    lstFunzione->setReadOnly(true);
    lstFunzione->setMinimumWidth(480);
    root->addWidget(lstFunzione);

    auto *middle = new QHBoxLayout;
    auto *left = new QVBoxLayout;
    auto *colLabel = new QLabel(QStringLiteral("Colonne (doppio clic per inserirle):"), this);
    colLabel->setObjectName(QStringLiteral("lblColonne"));
    left->addWidget(colLabel);
    lstColonne = new QListWidget(this);
    lstColonne->setObjectName(QStringLiteral("lstColonne"));
    lstColonne->setMinimumSize(220, 200);
    left->addWidget(lstColonne);
    middle->addLayout(left, 1);

    auto *pad = new QGridLayout;
    pad->setSpacing(4);
    for (int i = 0; i < 10; ++i)
        cmdNumero[i] = keypadButton(this, QStringLiteral("cmdNumero_%1").arg(i), QString::number(i));
    cmdVirgola = keypadButton(this, QStringLiteral("cmdVirgola"), QStringLiteral(","));
    cmdSomma = keypadButton(this, QStringLiteral("cmdSomma"), QStringLiteral("+"));
    cmdDifferenza = keypadButton(this, QStringLiteral("cmdDifferenza"), QStringLiteral("-"));
    cmdMoltiplica = keypadButton(this, QStringLiteral("cmdMoltiplica"), QStringLiteral("*"));
    cmdRapporto = keypadButton(this, QStringLiteral("cmdRapporto"), QStringLiteral("/"));
    cmdEleva = keypadButton(this, QStringLiteral("cmdEleva"), QStringLiteral("^"));
    cmdPercentuale = keypadButton(this, QStringLiteral("cmdPercentuale"), QStringLiteral("%"));
    cmdParentesiAp = keypadButton(this, QStringLiteral("cmdParentesiAp"), QStringLiteral("("));
    cmdParentesiCh = keypadButton(this, QStringLiteral("cmdParentesiCh"), QStringLiteral(")"));
    // 7 8 9 /   4 5 6 *   1 2 3 -   0 , % +   ( ) ^
    const int digitRow[10] = {3, 2, 2, 2, 1, 1, 1, 0, 0, 0};
    const int digitCol[10] = {0, 0, 1, 2, 0, 1, 2, 0, 1, 2};
    for (int i = 0; i < 10; ++i)
        pad->addWidget(cmdNumero[i], digitRow[i], digitCol[i]);
    pad->addWidget(cmdRapporto, 0, 3);
    pad->addWidget(cmdMoltiplica, 1, 3);
    pad->addWidget(cmdDifferenza, 2, 3);
    pad->addWidget(cmdVirgola, 3, 1);
    pad->addWidget(cmdPercentuale, 3, 2);
    pad->addWidget(cmdSomma, 3, 3);
    pad->addWidget(cmdParentesiAp, 4, 0);
    pad->addWidget(cmdParentesiCh, 4, 1);
    pad->addWidget(cmdEleva, 4, 2);
    auto *padBox = new QVBoxLayout;
    padBox->addSpacing(colLabel->sizeHint().height());
    padBox->addLayout(pad);
    padBox->addStretch(1);
    middle->addLayout(padBox);
    root->addLayout(middle, 1);

    auto *bottom = new QHBoxLayout;
    lblAiuto = new QLabel(formula::helpLabel, this);
    lblAiuto->setObjectName(QStringLiteral("lblAiuto"));
    bottom->addWidget(lblAiuto);
    bottom->addStretch(1);
    auto command = [this](const char *name, const char *caption) {
        auto *b = new QPushButton(QString::fromUtf8(caption), this);
        b->setObjectName(QString::fromLatin1(name));
        b->setAutoDefault(false);
        b->setMinimumWidth(84);
        return b;
    };
    cmdReset = command("cmdReset", "Reset");
    cmdEsegui = command("cmdEsegui", "Esegui");
    cmdAnnulla = command("cmdAnnulla", "Annulla");
    bottom->addWidget(cmdReset);
    bottom->addWidget(cmdEsegui);
    bottom->addWidget(cmdAnnulla);
    root->addLayout(bottom);

    for (int i = 0; i < 10; ++i)
        connect(cmdNumero[i], &QPushButton::clicked, this, [this, i] { cmdNumero_Click(i); });
    connect(cmdVirgola, &QPushButton::clicked, this, [this] { cmdVirgola_Click(); });
    connect(cmdSomma, &QPushButton::clicked, this, [this] { cmdOperatore_Click('+'); });
    connect(cmdDifferenza, &QPushButton::clicked, this, [this] { cmdOperatore_Click('-'); });
    connect(cmdMoltiplica, &QPushButton::clicked, this, [this] { cmdOperatore_Click('*'); });
    connect(cmdRapporto, &QPushButton::clicked, this, [this] { cmdOperatore_Click('/'); });
    connect(cmdEleva, &QPushButton::clicked, this, [this] { cmdOperatore_Click('^'); });
    connect(cmdPercentuale, &QPushButton::clicked, this, [this] { cmdPercentuale_Click(); });
    connect(cmdParentesiAp, &QPushButton::clicked, this, [this] { cmdParentesiAp_Click(); });
    connect(cmdParentesiCh, &QPushButton::clicked, this, [this] { cmdParentesiCh_Click(); });
    connect(lstColonne, &QListWidget::itemDoubleClicked, this,
            [this](QListWidgetItem *item) { lstColonne_DblClick(item); });
    connect(cmdReset, &QPushButton::clicked, this, [this] { cmdReset_Click(); });
    connect(cmdEsegui, &QPushButton::clicked, this, [this] { cmdEsegui_Click(); });
    connect(cmdAnnulla, &QPushButton::clicked, this, [this] { cmdAnnulla_Click(); });
}

void frmFunzione::showExpression()
{
    lstFunzione->setText(m_builder.text());
    lstFunzione->setCursorPosition(int(m_builder.text().size()));
}

void frmFunzione::cmdNumero_Click(int index)
{
    if (m_builder.digit(index))
        showExpression();
}

void frmFunzione::cmdVirgola_Click()
{
    if (m_builder.decimalPoint())
        showExpression();
}

void frmFunzione::cmdOperatore_Click(char op)
{
    if (m_builder.op(op))
        showExpression();
}

void frmFunzione::cmdPercentuale_Click()
{
    if (m_builder.percent())
        showExpression();
}

void frmFunzione::cmdParentesiAp_Click()
{
    m_builder.openParen();
    showExpression();
}

void frmFunzione::cmdParentesiCh_Click()
{
    m_builder.closeParen();
    showExpression();
}

void frmFunzione::lstColonne_DblClick(QListWidgetItem *item)
{
    if (item && m_builder.column(item->text()))
        showExpression();
}

void frmFunzione::cmdReset_Click()
{
    // The table itself only changes when a column is added, which closes the window, so the
    // snapshot still matches it: only the expression and the column list start again.
    m_builder.reset();
    showExpression();
    lstColonne->clear();
    lstColonne->addItems(m_snapshot.dataHeaders());
}

QString askIndicatorName(formula::DerivedMemory &memory, Prompt &prompt)
{
    const QString defaultName = formula::nextDefaultName(memory);
    for (;;) {
        const QString answer = prompt.input(formula::namePrompt, formula::nameTitle, defaultName).value_or(QString());
        if (formula::isValidIndicatorName(answer))
            return answer;
        prompt.message(formula::nameWarning, formula::nameWarningTitle, Icon::Exclamation, Buttons::Ok);
    }
}

void frmFunzione::cmdEsegui_Click()
{
    if (m_builder.text().trimmed().isEmpty())
        return;
    Prompt *prompt = m_services.prompt;
    if (!prompt)
        return;
    try {
        // The expression stays for further editing; a number being keyed ends here.
        m_builder.endNumberEntry();
        const QString name = askIndicatorName(m_builder.memory(), *prompt);
        formula::ExecuteOutcome out;
        if (!name.isEmpty()) {
            BusyPointer busy(prompt);
            out = formula::executeText(m_builder.text(), name, m_snapshot, m_services.numbers);
        }
        showExpression();
        if (out.kind == formula::ExecuteOutcome::Kind::SyntaxError)
            prompt->message(formula::syntaxMessage, formula::syntaxTitle, Icon::Exclamation, Buttons::Ok);
        if (out.kind != formula::ExecuteOutcome::Kind::Added)
            return; // no name, or the expression cannot be evaluated: the window stays open
        m_table.appendColumn(out.header, out.cells);
        m_table.colorStripes();
        if (onAdded)
            onAdded(out.header);
        accept();
    } catch (const std::exception &e) {
        m_services.log.logError(objectName(), QStringLiteral("cmdEsegui_Click"), QStringLiteral("0"),
                           QString::fromLocal8Bit(e.what()));
    }
}

void frmFunzione::cmdAnnulla_Click()
{
    reject();
}

void frmFunzione::showHelp()
{
    for (QWidget *w = parentWidget(); w; w = w->parentWidget()) {
        if (auto *main = qobject_cast<MainWindow *>(w)) {
            main->ShowHelp(kHelpContext);
            return;
        }
    }
    for (QWidget *w : QApplication::topLevelWidgets()) {
        if (auto *main = qobject_cast<MainWindow *>(w)) {
            main->ShowHelp(kHelpContext);
            return;
        }
    }
}

void frmFunzione::keyPressEvent(QKeyEvent *e)
{
    if (e->key() == Qt::Key_F1) {
        showHelp();
        e->accept();
        return;
    }
    QDialog::keyPressEvent(e);
}

void frmFunzione::done(int result)
{
    if (m_services.prompt)
        m_services.prompt->setBusy(false);
    QDialog::done(result);
}

} // namespace qrn::ui
