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
    if (ui->Text1->text().isEmpty()) {
        messages::critical(this, QStringLiteral("Mazání záznamu"), QStringLiteral("Žádný záznam není vybrán"));
        return;
    }
    const QString question = QStringLiteral("Opravdu chcete smazat záznam: ") + ui->Text2->toPlainText() +
                             QStringLiteral(" ?\n") + QString::fromUtf8(historyWarning);
    if (!messages::question(this, QStringLiteral("Smazání CD"), question)) {
        messages::information(this, QStringLiteral("Mazání záznamu"), QStringLiteral("Mazání bylo přerušeno"));
        return;
    }
    if (!report(Data1->deleteCurrent()))
        return;
    Data1->setRecordSource(QStringLiteral("cd"));
    if (report(Data1->refresh()))
        ObnovSeznamCd();
    ui->TxtHledejCd->setText(QString());
    messages::information(this, QStringLiteral("Mazání záznamu"), QStringLiteral("Záznam byl úspěšně smazán"));
}

void Form1::Command5_Click()
{
    if (ui->Text9->text().isEmpty()) {
        messages::critical(this, QStringLiteral("Mazání záznamu"), QStringLiteral("Žádný záznam není vybrán"));
        return;
    }
    const QString question = QStringLiteral("Opravdu chcete smazat záznam: ") + ui->Text10->text() +
                             QLatin1Char(' ') + ui->Text11->text() + QStringLiteral(" ?\n") +
                             QString::fromUtf8(historyWarning);
    if (!messages::question(this, QStringLiteral("Smazání Lidí"), question)) {
        messages::information(this, QStringLiteral("Mazání záznamu"), QStringLiteral("Mazání bylo přerušeno"));
        return;
    }
    if (!report(Data2->deleteCurrent()))
        return;
    Data2->setRecordSource(QStringLiteral("lide"));
    if (report(Data2->refresh()))
        ObnovSeznamLidi();
    ui->TxtHledejLidi->setText(QString());
    messages::information(this, QStringLiteral("Mazání záznamu"), QStringLiteral("Záznam byl úspěšně smazán"));
}
