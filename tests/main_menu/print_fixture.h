#pragma once

// What the printing tests share: a PDF read back, the print dialog answered, a stand-in for
// the desktop's mail program, and the loans of the fixture moved back 40 and 20 days.
#include "menu_fixture.h"
#include "qt_printers.h"

#include "reports/overview.h"
#include "reports/printables.h"
#include "reports/report_settings.h"
#include "transfer/csv_export.h"

#include <QAbstractButton>
#include <QBuffer>
#include <QCheckBox>
#include <QDesktopServices>
#include <QPrintPreviewDialog>
#include <QPrintPreviewWidget>
#include <QProcess>
#include <QRadioButton>
#include <QSpinBox>
#include <QTextBrowser>
#include <QUrlQuery>

// The text of a PDF as pdftotext reads it (the fonts are embedded), with its page count.
inline QString pdfText(const QString& path, int* pages = nullptr)
{
    QProcess text;
    text.start(QStringLiteral("pdftotext"), {QStringLiteral("-layout"), path, QStringLiteral("-")});
    text.waitForFinished(-1);
    if (pages) {
        QProcess info;
        info.start(QStringLiteral("pdfinfo"), {path});
        info.waitForFinished(-1);
        *pages = QString::fromUtf8(info.readAllStandardOutput())
                     .section(QStringLiteral("Pages:"), 1)
                     .trimmed()
                     .section(QLatin1Char('\n'), 0, 0)
                     .toInt();
    }
    return QString::fromUtf8(text.readAllStandardOutput());
}

// The print dialog answered: the option chosen (Space on it), the days typed where given,
// then a button.
inline DialogScript::Step printChoice(const char* option, const char* button, int days = -1)
{
    return {QStringLiteral("Tisk"), [option, button, days](QWidget* dialog) {
                auto* choice = child<QRadioButton>(dialog, option);
                choice->setFocus();
                QTest::keyClick(choice, Qt::Key_Space);
                EXPECT_TRUE(choice->isChecked()) << option;
                if (days >= 0) {
                    auto* box = child<QSpinBox>(dialog, "Dni");
                    box->setFocus();
                    QTest::keyClick(box, Qt::Key_A, Qt::ControlModifier);
                    gui::type(box, QString::number(days));
                }
                gui::click(child<QPushButton>(dialog, button));
            }};
}

// Stands for the desktop's mail program: keeps the addresses it is asked to open.
class MailProgram : public QObject
{
    Q_OBJECT

public:
    MailProgram() { QDesktopServices::setUrlHandler(QStringLiteral("mailto"), this, "open"); }
    ~MailProgram() override { QDesktopServices::unsetUrlHandler(QStringLiteral("mailto")); }
    QList<QUrl> opened;

public Q_SLOTS:
    void open(const QUrl& url) { opened << url; }
};

class Printing : public MainMenu
{
public:
    // The loans were made today; Jan's is moved 40 days back, Eva's 20.
    void addData() override
    {
        MainMenu::addData();
        reg.exec(QStringLiteral("UPDATE pujcovani SET datumpujceni = date('now', '-40 days') WHERE idvypujcky = %1;"
                                "UPDATE pujcovani SET datumpujceni = date('now', '-20 days') WHERE idvypujcky = %2")
                     .arg(janKytice)
                     .arg(evaBabicka));
    }
};
