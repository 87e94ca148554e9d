#include "shell/ui/aboutbox.h"

#include "shell/about.h"

#include <QDialogButtonBox>
#include <QPushButton>
#include <QTextBrowser>
#include <QVBoxLayout>

namespace qrn::ui {

namespace {
QString creditRows(const QList<Credit> &credits)
{
    QString rows;
    for (const Credit &c : credits) {
        rows += QStringLiteral("<tr><td><b>%1</b>%2</td><td>%3</td><td>%4</td></tr>")
                    .arg(c.name.toHtmlEscaped(),
                         c.version.isEmpty() ? QString() : QStringLiteral(" ") + c.version.toHtmlEscaped(),
                         c.licence.toHtmlEscaped(), c.use.toHtmlEscaped());
    }
    return rows;
}
} // namespace

QString frmAbout::html()
{
    return QStringLiteral("<h2>Quarnaro %1</h2>"
                          "<p>Sistema informativo sulla dotazione di infrastrutture nei territori italiani, "
                          "1996&ndash;2008.</p>"
                          "<h3>Librerie utilizzate</h3><table cellspacing='6'>"
                          "<tr><th align='left'>Libreria</th><th align='left'>Licenza</th>"
                          "<th align='left'>Uso</th></tr>%2</table>"
                          "<h3>Dati di esempio</h3><table cellspacing='6'>%3</table>")
        .arg(programVersion().toHtmlEscaped(), creditRows(libraryCredits()), creditRows(dataCredits()));
}

frmAbout::frmAbout(QWidget *parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("frmAbout"));
    setWindowTitle(QStringLiteral("Informazioni su Quarnaro"));
    auto *lay = new QVBoxLayout(this);
    auto *text = new QTextBrowser(this);
    text->setObjectName(QStringLiteral("txtAbout"));
    text->setHtml(html());
    text->setOpenExternalLinks(false);
    lay->addWidget(text);
    auto *buttons = new QDialogButtonBox(QDialogButtonBox::Close, this);
    buttons->setObjectName(QStringLiteral("cmdOK"));
    buttons->button(QDialogButtonBox::Close)->setText(QStringLiteral("Chiudi"));
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    lay->addWidget(buttons);
    resize(620, 520);
}

} // namespace qrn::ui
