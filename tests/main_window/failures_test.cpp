// A store the database refuses (a full disk, say) in any window: the engine's words in
// "Chyba", never a success message, the file as it was, no transaction left open, and the
// next try stores exactly once.
#include "main_window_fixture.h"
#include "qt_printers.h"

#include <QComboBox>
#include <QPlainTextEdit>

#include <algorithm>
#include <functional>

namespace {

struct Failure
{
    const char* what;
    const char* refused;                                              // the statement the trigger refuses
    std::function<QStringList(MainWindowFixture&, Form1&, bool)> act; // does it; the flag: the second try
    const char* stored;                                               // what the second try stored
};

// Named by what it does, so the test's name holds no addresses that change with each build.
[[maybe_unused]] void PrintTo(const Failure& failure, std::ostream* out)
{
    *out << failure.what;
}

class Failures : public MainWindowFixture, public ::testing::WithParamInterface<Failure>
{
public:
    QStringList file()
    {
        return reg.rows(QStringLiteral("SELECT * FROM cd")) + reg.rows(QStringLiteral("SELECT * FROM lide")) +
               reg.rows(QStringLiteral("SELECT * FROM pujcovani"));
    }
};

const Failure failures[] = {
    {"edit", "UPDATE ON cd",
     [](MainWindowFixture& t, Form1& f, bool) {
         t.pickCd(QStringLiteral("Kytice"));
         MainWindowFixture::press(&f, "Command10");
         gui::type(child<QWidget>(&f, "Text8"), QStringLiteral("poškrábané"));
         return MainWindowFixture::press(&f, "Command11");
     },
     "SELECT count(*) FROM cd WHERE popis = 'poškrábané'"},
    {"delete", "DELETE ON lide",
     [](MainWindowFixture& t, Form1& f, bool) {
         t.pickPerson(QStringLiteral("Svoboda"));
         return MainWindowFixture::press(&f, "Command5", {QMessageBox::Yes});
     },
     "SELECT count(*) = 2 FROM lide"},
    {"lend", "INSERT ON pujcovani",
     [](MainWindowFixture& t, Form1& f, bool) {
         t.pickCd(QStringLiteral("Nikdy nepůjčené"));
         t.pickPerson(QStringLiteral("Svoboda"));
         return MainWindowFixture::press(&f, "CmbPujcit", {QMessageBox::No, QMessageBox::Yes});
     },
     "SELECT count(*) FROM pujcovani WHERE idcloveka = (SELECT idcloveka FROM lide WHERE prijmeni = 'Svoboda')"},
    {"return", "UPDATE ON pujcovani",
     [](MainWindowFixture& t, Form1&, bool) {
         QWidget* f2 = t.open("Command1", "Form2");
         MainWindowFixture::activate(f2);
         gui::clickCell(child<QTableView>(f2, "MSFlexGrid1"), 0, 2);
         return MainWindowFixture::press(f2, "Command2", {QMessageBox::Yes});
     },
     "SELECT count(*) FROM nevracenecd"},
    {"add disc", "INSERT ON cd",
     [](MainWindowFixture& t, Form1&, bool again) {
         QWidget* f3 = t.open("Command3", "Form3");
         MainWindowFixture::activate(f3);
         if (!again) { // the entries stay for the second try
             gui::type(child<QWidget>(f3, "Text9"), QStringLiteral("Nový disk"));
             gui::type(child<QWidget>(f3, "Text10"), QStringLiteral("1"));
             child<QComboBox>(f3, "Combo1")->setCurrentIndex(0);
             child<QComboBox>(f3, "Combo2")->setCurrentIndex(0);
         }
         return MainWindowFixture::press(f3, "Command2", {QMessageBox::Yes});
     },
     "SELECT count(*) FROM cd WHERE nazev = 'Nový disk'"},
    {"add person", "INSERT ON lide",
     [](MainWindowFixture& t, Form1&, bool again) {
         QWidget* f4 = t.open("Command2", "Form4");
         MainWindowFixture::activate(f4);
         if (!again) {
             gui::type(child<QWidget>(f4, "Text2"), QStringLiteral("Jana"));
             gui::type(child<QWidget>(f4, "Text3"), QStringLiteral("Nová"));
         }
         return MainWindowFixture::press(f4, "Command2", {QMessageBox::Yes});
     },
     "SELECT count(*) FROM lide WHERE jmeno = 'Jana'"},
};

} // namespace

TEST_P(Failures, AreReportedLeaveTheFileAndTheNextTryStoresOnce)
{
    const Failure& failure = GetParam();
    const QStringList before = file();
    reg.exec(QStringLiteral("CREATE TEMP TRIGGER refuse BEFORE %1 BEGIN SELECT RAISE(ABORT, 'disk je plný'); END;")
                 .arg(QString::fromLatin1(failure.refused)));
    const QStringList shown = failure.act(*this, *form, false);
    ASSERT_FALSE(shown.isEmpty());
    EXPECT_EQ(shown.last(), QStringLiteral("Chyba: disk je plný")) << shown.join(QLatin1Char('\n')).toStdString();
    EXPECT_EQ(file(), before);
    EXPECT_FALSE(reg.db().inTransaction());
    EXPECT_TRUE(child<QWidget>(form.get(), "CmbKonec")->isEnabled()) << "the window is usable again";

    reg.exec(QStringLiteral("DROP TRIGGER refuse"));
    activate(form.get());
    const QStringList again = failure.act(*this, *form, true);
    EXPECT_FALSE(again.join(QLatin1Char('\n')).contains(QStringLiteral("Chyba")))
        << again.join(QLatin1Char('\n')).toStdString();
    EXPECT_EQ(reg.value(QString::fromUtf8(failure.stored)), QStringLiteral("1"));
}

INSTANTIATE_TEST_SUITE_P(EveryWindow, Failures, ::testing::ValuesIn(failures),
                         [](const ::testing::TestParamInfo<Failure>& param) {
                             std::string name = param.param.what;
                             std::replace(name.begin(), name.end(), ' ', '_');
                             return name;
                         });
