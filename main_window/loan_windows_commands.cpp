// The buttons of the main window that open the return window and the history.
#include "main_window/form1.h"

#include "ui_form1.h"

#include "core/source_query.h"
#include "loan_windows/form2.h"
#include "loan_windows/form5.h"
#include "rows/register.h"
#include "ui_common/messages.h"

void Form1::Command1_Click()
{
    m_windows.open<Form2>([this] { return new Form2(m_register, m_history); });
}

// "ZOBRAZIT HISTOII PŮJČOVÁNÍ" always shows every loan, also in a window left
// open on the history of one CD or person.
void Form1::Command6_Click()
{
    showHistory(queries::all(QStringLiteral("vypujcky")), QStringLiteral("HISTORIE PŮJČOVÁNÍ"));
}

void Form1::Command7_Click()
{
    showHistoryOf(ui->Text1->text(), QStringLiteral("idcd"), QStringLiteral("Toto CD zatím neměl nikdo půjčené"),
                  QStringLiteral("HISTORIE PRO CD - ") + ui->Text2->toPlainText());
}

void Form1::Command8_Click()
{
    showHistoryOf(
        ui->Text9->text(), QStringLiteral("idcloveka"), QStringLiteral("Tento člověk zatím neměl nic půjčeno"),
        QStringLiteral("HISTORIE PRO ČLOVĚKA - ") + ui->Text10->text() + QLatin1Char(' ') + ui->Text11->text());
}

// The history of the CD or person whose id the panel shows.
void Form1::showHistoryOf(const QString& idText, const QString& column, const QString& neverLent,
                          const QString& heading)
{
    bool isNumber = false;
    const qint64 id = idText.toLongLong(&isNumber);
    if (!isNumber) {
        messages::information(this, QStringLiteral("Zobrazení historie"), QStringLiteral("Není vybrán žádný záznam"));
        return;
    }
    const SourceQuery loans = queries::idEquals(QStringLiteral("vypujcky"), column, id);
    if (const qint64 count = countLoans(loans); count <= 0) {
        if (count == 0)
            messages::information(this, QStringLiteral("Zobrazení historie"), neverLent);
        return;
    }
    showHistory(loans, heading);
}

// Counts the loans before the history window is touched, so that a request that
// finds none neither empties an open history nor leaves a hidden one loaded.
// Returns -1 when the count failed (and was reported).
qint64 Form1::countLoans(const SourceQuery& loans)
{
    qint64 count = 0;
    return messages::report(this, m_register.count(loans, count)) ? count : -1;
}

void Form1::showHistory(const SourceQuery& loans, const QString& heading)
{
    const bool wasLoaded = m_windows.find<Form5>() != nullptr;
    Form5* history = m_windows.load<Form5>([this] { return new Form5(m_register); });
    if (!messages::report(this, history->showLoans(loans, heading))) {
        if (!wasLoaded)
            history->close();
        return;
    }
    WindowRegistry::bringToFront(history);
}
