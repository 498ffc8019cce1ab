// The main window at start-up, on activation and at its end, driven offscreen.
#include "activation_tracker.h"
#include "dialog_answerer.h"
#include "form1.h"
#include "messages.h"
#include "qt_printers.h"
#include "temp_register.h"
#include "widget_lookup.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPointer>
#include <QPushButton>
#include <QRadioButton>
#include <QTableView>
#include <QTest>

#include <gtest/gtest.h>

namespace {

QStringList gridColumn(QTableView* grid, int column)
{
    QStringList values;
    for (int row = 0; row < grid->model()->rowCount(); ++row)
        values << grid->model()->index(row, column).data().toString();
    return values;
}

QString shownText(QWidget* box)
{
    if (auto* line = qobject_cast<QLineEdit*>(box))
        return line->text();
    return static_cast<QPlainTextEdit*>(box)->toPlainText();
}

void activate(QWidget* window)
{
    QApplication::setActiveWindow(window);
    QApplication::processEvents();
}

class MainWindow : public ::testing::Test
{
protected:
    void SetUp() override
    {
        reg.addCd(QStringLiteral("Chrobák"));
        reg.addCd(QStringLiteral("Čtyři sezóny"));
        reg.addCd(QStringLiteral("hrad"));
        reg.addCd(QStringLiteral("Anděl"));
        const qint64 jan = reg.addPerson(QStringLiteral("Jan"), QStringLiteral("Novák"));
        reg.addPerson(QStringLiteral("Šárka"), QStringLiteral("Černá"));
        reg.addPerson(QStringLiteral("Adam"), QStringLiteral("Zelený"));
        reg.addLoan(1, jan, QStringLiteral("půjčka"));
        before = reg.rows(QStringLiteral("SELECT * FROM cd")) + reg.rows(QStringLiteral("SELECT * FROM lide")) +
                 reg.rows(QStringLiteral("SELECT * FROM pujcovani"));
        form = std::make_unique<Form1>(reg.db());
        form->show();
        activate(form.get());
    }

    void TearDown() override
    {
        form.reset();
        const QStringList after = reg.rows(QStringLiteral("SELECT * FROM cd")) +
                                  reg.rows(QStringLiteral("SELECT * FROM lide")) +
                                  reg.rows(QStringLiteral("SELECT * FROM pujcovani"));
        EXPECT_EQ(after, before) << "the window changed stored data it was never asked to change";
    }

    QWidget* w() { return form.get(); }

    TempRegister reg;
    QStringList before;
    std::unique_ptr<Form1> form;
};

} // namespace

TEST_F(MainWindow, StartsWithSortedCountedListsAndEmptyPanels)
{
    EXPECT_EQ(w()->objectName(), QStringLiteral("Form1"));
    EXPECT_EQ(w()->windowTitle(), QStringLiteral("PŮJČOVÁNÍ CD"));
    EXPECT_EQ(w()->size(), QSize(905, 687));
    EXPECT_EQ(w()->minimumSize(), w()->maximumSize());
    EXPECT_FALSE(w()->windowFlags() & (Qt::WindowMinimizeButtonHint | Qt::WindowMaximizeButtonHint));

    EXPECT_EQ(child<QLabel>(w(), "LblNadpis1")->text(), QStringLiteral("Seznam CD - 4"));
    EXPECT_EQ(child<QLabel>(w(), "LblNadpis2")->text(), QStringLiteral("Seznam lidí - 3"));

    auto* cds = child<QTableView>(w(), "MSFlexGrid1");
    EXPECT_EQ(gridColumn(cds, 1), QStringList({"Anděl", "Čtyři sezóny", "hrad", "Chrobák"}));
    EXPECT_EQ(cds->model()->columnCount(), 8);
    EXPECT_FALSE(cds->horizontalHeader()->isVisible());
    for (int column = 0; column < 8; ++column)
        EXPECT_EQ(cds->isColumnHidden(column), column != 1) << column;
    EXPECT_EQ(cds->columnWidth(1), 4000 / 15);

    auto* people = child<QTableView>(w(), "MSFlexGrid2");
    EXPECT_EQ(gridColumn(people, 1), QStringList({"Adam", "Jan", "Šárka"}));
    EXPECT_EQ(gridColumn(people, 2), QStringList({"Zelený", "Novák", "Černá"}));
    EXPECT_EQ(people->model()->columnCount(), 6);
    for (int column = 0; column < 6; ++column)
        EXPECT_EQ(people->isColumnHidden(column), column != 1 && column != 2) << column;
    EXPECT_EQ(people->selectionBehavior(), QAbstractItemView::SelectRows);

    for (const char* name : {"Text1", "Text2", "Text3", "Text4", "Text5", "Text6", "Text7", "Text8", "Text9", "Text10",
                             "Text11", "Text12", "Text13", "Text14", "TxtHledejCd", "TxtHledejLidi"})
        EXPECT_EQ(shownText(child<QWidget>(w(), name)), QString()) << name;
    for (const char* name : {"CmbPredchozi", "CmbDalsi", "CmbPredchoziLidi", "CmbDalsiLidi", "Command11", "Command13",
                             "Check1", "Check2", "Combo1", "Combo2", "FrmPujceni"})
        EXPECT_TRUE(child<QWidget>(w(), name)->isHidden()) << name;
    EXPECT_TRUE(child<QRadioButton>(w(), "OptVzestupneCd")->isChecked());
    EXPECT_TRUE(child<QRadioButton>(w(), "OptVzestupneLidi")->isChecked());
    EXPECT_TRUE(child<QLineEdit>(w(), "Text1")->isReadOnly());
    EXPECT_TRUE(child<QPlainTextEdit>(w(), "Text8")->isReadOnly());

    auto* filter = child<QComboBox>(w(), "Combo3");
    EXPECT_FALSE(filter->isEditable());
    EXPECT_EQ(filter->currentIndex(), -1);
    EXPECT_EQ(filter->itemText(0), QStringLiteral("Zobrazit vše"));
    EXPECT_EQ(filter->itemText(7), QStringLiteral("Operační systémy"));
    EXPECT_EQ(child<QComboBox>(w(), "Combo1")->itemText(0), QStringLiteral("Data"));
    EXPECT_EQ(child<QComboBox>(w(), "Combo2")->itemText(8), QStringLiteral("Image DVD"));
    EXPECT_EQ(child<QComboBox>(w(), "Combo2")->currentText(), QStringLiteral("Combo2"));

    // A sample of the layout: twips / 15.
    EXPECT_EQ(child<QWidget>(w(), "CmbPujcit")->geometry(), QRect(552, 616, 153, 57));
    EXPECT_EQ(child<QGroupBox>(w(), "CD")->geometry(), QRect(304, 56, 297, 281));
    EXPECT_EQ(child<QGroupBox>(w(), "CD")->title(), QStringLiteral("Informace o CD"));
    EXPECT_EQ(child<QWidget>(w(), "Text13")->parentWidget()->objectName(), QStringLiteral("Lide"));
    EXPECT_EQ(child<QWidget>(w(), "Command4")->parentWidget(), w());
    EXPECT_EQ(child<QPushButton>(w(), "Command6")->text(), QStringLiteral("ZOBRAZIT HISTOII PŮJČOVÁNÍ"));
    EXPECT_EQ(child<QPushButton>(w(), "Command9")->text(), QStringLiteral("O progamu"));
}

TEST_F(MainWindow, ReturningFromAnotherWindowResortsAndClearsButKeepsTheLists)
{
    QWidget* other = form->windows().load(QStringLiteral("Other"), [] { return new QWidget; });
    other->show();
    auto* filter = child<QComboBox>(w(), "Combo3");
    filter->setCurrentIndex(3);
    auto* originalText = child<QLineEdit>(w(), "Text7");

    for (int i = 0; i < 10; ++i) {
        originalText->setText(QStringLiteral("Ano"));
        activate(other);
        activate(w());
        EXPECT_EQ(originalText->text(), QString()) << "activation " << i << " did not clear the CD panel";
    }
    EXPECT_EQ(child<QComboBox>(w(), "Combo1")->count(), 8);
    EXPECT_EQ(child<QComboBox>(w(), "Combo2")->count(), 9);
    EXPECT_EQ(filter->count(), 9);
    EXPECT_EQ(filter->currentIndex(), 3);
    EXPECT_EQ(child<QLabel>(w(), "LblNadpis1")->text(), QStringLiteral("Seznam CD - 4"));
}

TEST_F(MainWindow, OwnMessageBoxesAndOtherApplicationsDoNotCountAsReturning)
{
    auto* originalText = child<QLineEdit>(w(), "Text7");
    originalText->setText(QStringLiteral("Ano"));

    // A message box of the window's own, closed: the window underneath is active again.
    DialogAnswerer answerer;
    answerer.answer(QMessageBox::Ok);
    QTimer::singleShot(0, [] {
        if (QWidget* box = QApplication::activeModalWidget())
            QApplication::setActiveWindow(box);
    });
    messages::information(w(), QStringLiteral("Titulek"), QStringLiteral("Zpráva"));
    activate(w());
    EXPECT_EQ(answerer.summary(), QStringList(QStringLiteral("Titulek: Zpráva")));
    EXPECT_EQ(originalText->text(), QStringLiteral("Ano"));

    // Another application, then back.
    QApplication::setActiveWindow(nullptr);
    activate(w());
    EXPECT_EQ(originalText->text(), QStringLiteral("Ano"));
}

TEST_F(MainWindow, OtherWindowsOpenOnceAndEndWithTheProgram)
{
    WindowRegistry& windows = form->windows();
    int created = 0;
    auto create = [&created] {
        ++created;
        auto* window = new QWidget;
        window->setObjectName(QStringLiteral("Other"));
        return window;
    };
    QPointer<QWidget> first = windows.open(QStringLiteral("Other"), create);
    EXPECT_EQ(windows.open(QStringLiteral("Other"), create), first.data());
    EXPECT_EQ(created, 1);
    EXPECT_TRUE(first->isVisible());

    // Closed, it is unloaded; the next opening loads it anew.
    first->close();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_TRUE(first.isNull());
    QPointer<QWidget> second = windows.open(QStringLiteral("Other"), create);
    EXPECT_EQ(created, 2);

    QTest::mouseClick(child<QPushButton>(w(), "CmbKonec"), Qt::LeftButton);
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_FALSE(w()->isVisible());
    EXPECT_TRUE(second.isNull());
}
