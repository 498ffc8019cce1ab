// Deleting the CD or the person shown, with their loans.
#include "form1.h"

#include "ui_form1.h"

#include "messages.h"
#include "record_source.h"

namespace {

const char* const historyWarning = "Smazáním záznamu odstaríte i všechny jeho záznamy v historii půjčování";

} // namespace

void Form1::Command4_Click()
{
    deleteShown(*Data1, QStringLiteral("cd"), ui->Text1->text(), QStringLiteral("Smazání CD"),
                ui->Text2->toPlainText());
}

void Form1::Command5_Click()
{
    deleteShown(*Data2, QStringLiteral("lide"), ui->Text9->text(), QStringLiteral("Smazání Lidí"),
                ui->Text10->text() + QLatin1Char(' ') + ui->Text11->text());
}

// Deletes the current record of the panel's source after the question, then
// shows the panel's whole table again; the database removes the loans.
void Form1::deleteShown(RecordSource& source, const QString& table, const QString& idText, const QString& title,
                        const QString& name)
{
    if (idText.isEmpty()) {
        messages::critical(this, QStringLiteral("Mazání záznamu"), QStringLiteral("Žádný záznam není vybrán"));
        return;
    }
    const QString question = QStringLiteral("Opravdu chcete smazat záznam: ") + name + QStringLiteral(" ?\n") +
                             QString::fromUtf8(historyWarning);
    if (!messages::question(this, title, question)) {
        messages::information(this, QStringLiteral("Mazání záznamu"), QStringLiteral("Mazání bylo přerušeno"));
        return;
    }
    if (!messages::report(this, source.deleteCurrent()))
        return;
    const bool isCd = &source == Data1;
    source.setRecordSource(table);
    if (messages::report(this, source.refresh()))
        isCd ? ObnovSeznamCd() : ObnovSeznamLidi();
    (isCd ? ui->TxtHledejCd : ui->TxtHledejLidi)->setText(QString());
    messages::information(this, QStringLiteral("Mazání záznamu"), QStringLiteral("Záznam byl úspěšně smazán"));
}
