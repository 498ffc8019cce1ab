#pragma once

#include "dialog_answerer.h"
#include "gui_input.h"
#include "main_window/form1.h"
#include "temp_register.h"
#include "widget_lookup.h"

#include <QAction>
#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRegularExpression>

#include <gtest/gtest.h>

#include <initializer_list>
#include <memory>

// A register with discs, people and loans, and the main window shown over it.
class MainWindowFixture : public ::testing::Test
{
public:
    void SetUp() override
    {
        addData();
        form = std::make_unique<Form1>(reg);
        form->show();
        activate(form.get());
    }

    // The register's rows before the window opens: three discs, three people, three loans.
    virtual void addData()
    {
        kytice = reg.addCd(QStringLiteral("Kytice"));
        babicka = reg.addCd(QStringLiteral("Babička"));
        neverLent = reg.addCd(QStringLiteral("Nikdy nepůjčené"));
        jan = reg.addPerson(QStringLiteral("Jan"), QStringLiteral("Novák"));
        eva = reg.addPerson(QStringLiteral("Eva"), QStringLiteral("Malá"));
        nobody = reg.addPerson(QStringLiteral("Petr"), QStringLiteral("Svoboda"));
        janKytice = reg.addLoan(kytice, jan, QStringLiteral("na chatu"));
        evaBabicka = reg.addLoan(babicka, eva);
        returned = reg.addLoan(kytice, eva, QStringLiteral("vráceno včas"));
        reg.exec(QStringLiteral("UPDATE pujcovani SET vraceno = 1, datumvraceni = '2026-02-01' WHERE idvypujcky = %1")
                     .arg(returned));
    }

    static void activate(QWidget* window)
    {
        QApplication::setActiveWindow(window);
        QApplication::processEvents();
    }

    // Clicks the button, answering the boxes it shows in order; returns "title: text" of each box shown.
    static QStringList press(QWidget* window, const char* button,
                             std::initializer_list<QMessageBox::StandardButton> answers = {},
                             std::initializer_list<QPair<QString, bool>> inputs = {})
    {
        DialogAnswerer answerer;
        for (auto answer : answers)
            answerer.answer(answer);
        for (const auto& input : inputs)
            answerer.answerInput(input.first, input.second);
        gui::click(child<QPushButton>(window, button));
        return answerer.summary();
    }

    void pickCd(const QString& name)
    {
        auto* grid = child<QTableView>(form.get(), "MSFlexGrid1");
        gui::clickCell(grid, gui::rowOf(grid, 1, name), 1);
    }

    void pickPerson(const QString& surname)
    {
        auto* grid = child<QTableView>(form.get(), "MSFlexGrid2");
        gui::clickCell(grid, gui::rowOf(grid, 2, surname), 2);
    }

    QString shown(const char* name) { return child<QLineEdit>(form.get(), name)->text(); }
    QString heading(const char* name) { return child<QLabel>(form.get(), name)->text(); }
    // Opens a window with its button in the main window.
    QWidget* open(const char* button, const char* window)
    {
        gui::click(child<QPushButton>(form.get(), button));
        QWidget* opened = form->windows().find(QString::fromLatin1(window));
        EXPECT_NE(opened, nullptr) << window;
        return opened;
    }
    // What Úpravy ▸ Zpět reads ("Zpět: smazání disku Kytice"), its mnemonic left out.
    QString undoText(const char* item = "Zpet")
    {
        auto* action = form->findChild<QAction*>(QLatin1String(item));
        return action ? action->text().remove(QRegularExpression(QStringLiteral("&(?!&)"))) : QStringLiteral("(none)");
    }
    static QString today() { return QDate::currentDate().toString(QStringLiteral("yyyy-MM-dd")); }

    TempRegister reg;
    std::unique_ptr<Form1> form;
    qint64 kytice = 0, babicka = 0, neverLent = 0;
    qint64 jan = 0, eva = 0, nobody = 0;
    qint64 janKytice = 0, evaBabicka = 0, returned = 0;
};
