// Deleting the CD or the person shown, with their loans.
#include "main_window/form1.h"

#include "ui_form1.h"

#include "binding/record_source.h"
#include "ui_common/messages.h"

namespace {

const char* const historyWarning = "Smazáním záznamu odstaríte i všechny jeho záznamy v historii půjčování";

} // namespace

void Form1::Command4_Click()
{
    deleteShown(m_cds, ui->Text1->text(), QStringLiteral("Smazání CD"), ui->Text2->toPlainText());
}

void Form1::Command5_Click()
{
    deleteShown(m_people, ui->Text9->text(), QStringLiteral("Smazání Lidí"),
                ui->Text10->text() + QLatin1Char(' ') + ui->Text11->text());
}

// Deletes the current record of the panel's source after the question, then
// shows the panel's whole table again; the database removes the loans.
void Form1::deleteShown(ListPanel& panel, const QString& idText, const QString& title, const QString& name)
{
    if (idText.isEmpty()) {
        messages::critical(this, QStringLiteral("Mazání záznamu"), QStringLiteral("Žádný záznam není vybrán"));
        return;
    }
    const QString question = QStringLiteral("Opravdu chcete smazat záznam: ") + name + QStringLiteral(" ?\n") +
                             QString::fromUtf8(historyWarning);
    // The deletion takes the whole lending history with it: Enter (or "a") does not answer it.
    if (!messages::question(this, title, question, messages::Default::No)) {
        messages::information(this, QStringLiteral("Mazání záznamu"), QStringLiteral("Mazání bylo přerušeno"));
        return;
    }
    if (!messages::report(this, panel.source->deleteCurrent()))
        return;
    if (requery(panel, queries::all(panel.table)))
        (this->*panel.refreshList)();
    panel.search->setText(QString());
    messages::information(this, QStringLiteral("Mazání záznamu"), QStringLiteral("Záznam byl úspěšně smazán"));
}
