// Soubor ▸ Tisk… and the reports, driven as a user does: the list as the window shows it
// written as a PDF and read back with pdftotext, the preview's pages, a long list offered
// as a PDF instead, the overview's window.
#include "print_fixture.h"

// A disc the window lists that another program deleted since is passed over: the list is
// printed with the discs there are, and counted so.
TEST_F(Printing, AListOfADiscDeletedSinceIsPrintedWithoutIt)
{
    reg.exec(QStringLiteral("DELETE FROM cd WHERE idcd = %1").arg(neverLent));
    DialogAnswerer answerer;
    DialogScript script({printChoice("TiskCd", "UlozitPdf"), fileAnswer("PdfFile", QStringLiteral("bez.pdf"))});
    action("Tisk")->trigger();
    EXPECT_EQ(script.taken(), 2u);
    const QString path = documents() + QStringLiteral("/bez.pdf");
    EXPECT_EQ(answerer.summary(), QStringList({"Uložit jako PDF: Uloženo do souboru\n" + path}));
    const QString text = pdfText(path);
    EXPECT_TRUE(text.contains(QStringLiteral("Počet: 2")) && text.contains(QStringLiteral("Kytice")) &&
                !text.contains(QStringLiteral("Nikdy nepůjčené")))
        << text.toStdString();
}

// The CD list searched in the window is printed as the window shows it: its rows only.
TEST_F(Printing, AListIsWrittenAsTheWindowShowsIt)
{
    gui::type(child<QLineEdit>(form.get(), "TxtHledejCd"), QStringLiteral("bab"));
    DialogAnswerer answerer;
    DialogScript script({printChoice("TiskCd", "UlozitPdf"), fileAnswer("PdfFile", QStringLiteral("disky.pdf"))});
    activate(form.get());
    QTest::keyClick(form.get(), Qt::Key_P, Qt::ControlModifier);
    EXPECT_EQ(script.taken(), 2u);
    const QString path = documents() + QStringLiteral("/disky.pdf");
    EXPECT_EQ(answerer.summary(), QStringList({"Uložit jako PDF: Uloženo do souboru\n" + path}));
    int pages = 0;
    const QString text = pdfText(path, &pages);
    EXPECT_EQ(pages, 1);
    EXPECT_TRUE(text.contains(QStringLiteral("Seznam CD"))) << text.toStdString();
    EXPECT_TRUE(text.contains(QStringLiteral("Babička")));
    EXPECT_TRUE(text.contains(QStringLiteral("Počet: 1")));
    EXPECT_FALSE(text.contains(QStringLiteral("Kytice"))) << "a disc the search hides";
    EXPECT_EQ(QFile(path).permissions() & (QFileDevice::ReadGroup | QFileDevice::ReadOther),
              QFileDevice::Permissions());
}

// "Dlouho půjčená CD…" in the preview: the days typed count (Jan's loan at 39, both at 19,
// none at 40), and the preview shows the pages; a list of hundreds of pages is offered as a
// PDF, and a save dialog cancelled stores nothing.
TEST_F(Printing, ThePreviewShowsThePagesAndALongListIsOfferedAsAPdf)
{
    int previewed = -1;
    QStringList previewTitles;
    QList<QPageLayout::Orientation> orientations;
    const auto previewAnswer = DialogScript::Step{QStringLiteral("Nahled"), [&](QWidget* dialog) {
                                                      auto* pages = child<QPrintPreviewWidget>(dialog, nullptr);
                                                      previewed = pages->pageCount();
                                                      orientations << pages->orientation();
                                                      previewTitles << dialog->windowTitle();
                                                      static_cast<QDialog*>(dialog)->reject();
                                                  }};
    {
        DialogScript script({printChoice("TiskDlouho", "Nahled", 39), previewAnswer});
        action("Tisk")->trigger();
        EXPECT_EQ(script.taken(), 2u);
        EXPECT_EQ(previewed, 1);
    }
    {
        DialogScript script({printChoice("TiskNevracena", "Nahled"), previewAnswer});
        action("Tisk")->trigger();
        EXPECT_EQ(script.taken(), 2u);
    }
    EXPECT_EQ(previewTitles, QStringList({"Náhled – Dlouho půjčená CD (déle než 39 dní)", "Náhled – Nevrácená CD"}));
    EXPECT_EQ(orientations, QList<QPageLayout::Orientation>({QPageLayout::Portrait, QPageLayout::Portrait}));
    // A thousand more loans: dozens of pages of history, more than a preview shows at once.
    reg.exec(QStringLiteral("WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < 4000) "
                            "INSERT INTO pujcovani (datumpujceni, idcd, idcloveka, vraceno) "
                            "SELECT date('now', '-' || (i % 90) || ' days'), %1, %2, 1 FROM n")
                 .arg(kytice)
                 .arg(nobody));
    DialogAnswerer answerer;
    answerer.answer(QMessageBox::Yes);
    DialogScript script({printChoice("TiskHistorie", "Nahled"), fileAnswer("PdfFile", QStringLiteral("h.pdf"))});
    action("Tisk")->trigger();
    EXPECT_EQ(script.taken(), 2u);
    ASSERT_EQ(answerer.shown().size(), 2);
    EXPECT_TRUE(answerer.shown()[0].text.startsWith(QStringLiteral("Historie půjčování má asi ")))
        << answerer.shown()[0].text.toStdString();
    // Rows of one line each: the pages said are the pages written.
    int pages = 0;
    pdfText(documents() + QStringLiteral("/h.pdf"), &pages);
    EXPECT_EQ(answerer.shown()[0].text.section(QLatin1Char(' '), 4, 4).toInt(), pages)
        << answerer.shown()[0].text.toStdString();
    EXPECT_GT(pages, 10);
}

// "Přehled půjčování" shows the register's figures in a window of its own.
TEST_F(Printing, TheOverviewWindowShowsTheFigures)
{
    // A name that reads as markup is shown as it is written.
    reg.exec(QStringLiteral("UPDATE cd SET nazev = 'Kytice <b>&amp; spol.</b>' WHERE idcd = %1").arg(kytice));
    QString shownText;
    DialogScript script({{QStringLiteral("Prehled"), [&](QWidget* dialog) {
                              shownText = child<QTextBrowser>(dialog, "Text")->toPlainText();
                              // The charts as the page draws them (the loans of this month).
                              for (const char* chart : {"GrafRoky", "GrafMesice"})
                                  EXPECT_FALSE(child<QLabel>(dialog, chart)->pixmap().isNull()) << chart;
                              gui::click(child<QPushButton>(dialog, "Zavrit"));
                          }}});
    action("Prehled")->trigger();
    EXPECT_EQ(script.taken(), 1u);
    for (const char* expected :
         {"Přehled půjčování", "Disků\n3", "Disků nikdy nepůjčených\n1", "1. Kytice <b>&amp; spol.</b>\n2×",
          "Nejdéle půjčená a nevrácená CD", "Kytice <b>&amp; spol.</b> – Jan Novák"})
        EXPECT_TRUE(shownText.contains(QString::fromUtf8(expected))) << expected << "\n" << shownText.toStdString();
}

// Exportovat ▸ Dlouho půjčená CD… asks how many days, proposes the last answer, and writes
// the loans out longer.
TEST_F(Printing, TheDiscsLentTooLongAreExportedAfterTheDaysAsked)
{
    const auto days = [](int typed) {
        return DialogScript::Step{QStringLiteral("Dni"), [typed](QWidget* dialog) {
                                      auto* box = child<QSpinBox>(dialog, nullptr);
                                      EXPECT_EQ(box->value(), typed == 39 ? 30 : 39) << "the last answer proposed";
                                      box->setFocus();
                                      QTest::keyClick(box, Qt::Key_A, Qt::ControlModifier);
                                      gui::type(box, QString::number(typed));
                                      QTest::keyClick(box, Qt::Key_Return);
                                  }};
    };
    DialogAnswerer answerer;
    for (const auto& [typed, name, rows] : {std::tuple{39, "dlouho39.csv", 1}, {19, "dlouho19.csv", 2}}) {
        DialogScript script({days(typed), fileAnswer("ExportFile", QString::fromLatin1(name))});
        chooseFromFile({Qt::Key_E, Qt::Key_P}); // Soubor ▸ Exportovat ▸ Dlouho půjčená CD…
        EXPECT_EQ(script.taken(), 2u);
        QFile file(documents() + QLatin1Char('/') + QLatin1String(name));
        ASSERT_TRUE(file.open(QIODevice::ReadOnly)) << name;
        const QString text = QString::fromUtf8(file.readAll());
        EXPECT_EQ(text.count(QLatin1Char('\n')), rows + 1) << text.toStdString();
        EXPECT_TRUE(text.contains(QStringLiteral("Kytice;Jan;Novák")));
    }
    EXPECT_EQ(answerer.shown().size(), 2);
}

// The register itself chosen in the save dialog, through a link to it: refused, the register
// as it was.
TEST_F(Printing, APdfIsNeverWrittenOverTheRegister)
{
    ASSERT_TRUE(QFile::link(reg.path(), documents() + QStringLiteral("/evidence.pdf")));
    QFile file(reg.path());
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QByteArray before = file.readAll();
    file.close();
    DialogAnswerer answerer;
    answerer.answer(QMessageBox::Yes); // the file dialog's "replace it?"
    DialogScript script(
        {printChoice("TiskNevracena", "UlozitPdf"), fileAnswer("PdfFile", QStringLiteral("evidence.pdf"))});
    action("Tisk")->trigger();
    EXPECT_EQ(script.taken(), 2u);
    ASSERT_EQ(answerer.shown().size(), 2);
    EXPECT_EQ(answerer.shown()[1].text, "Do souboru " + documents() + "/evidence.pdf" +
                                            " nelze PDF uložit: je to sama evidence, se kterou program pracuje. "
                                            "Zvolte jiný soubor.");
    // The same through an export.
    ASSERT_TRUE(QFile::link(reg.path(), documents() + QStringLiteral("/evidence.ods")));
    answerer.answer(QMessageBox::Yes);
    DialogScript exporting({fileAnswer("ExportFile", QStringLiteral("evidence.ods"))});
    action("ExportovatDisky")->trigger();
    EXPECT_EQ(exporting.taken(), 1u);
    ASSERT_EQ(answerer.shown().size(), 4);
    EXPECT_TRUE(answerer.shown()[3].text.contains(QStringLiteral("nelze seznam uložit: je to sama evidence")))
        << answerer.shown()[3].text.toStdString();
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_EQ(file.readAll(), before);
}

// A PDF cancelled while it is written stores nothing and leaves the file it was to replace.
TEST_F(Printing, ACancelledPdfLeavesTheOldFileAndSaysSo)
{
    reg.exec(QStringLiteral("WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < 30000) "
                            "INSERT INTO pujcovani (datumpujceni, idcd, idcloveka, vraceno) "
                            "SELECT date('now', '-' || (i % 900) || ' days'), %1, %2, 1 FROM n")
                 .arg(kytice)
                 .arg(nobody));
    const QString path = documents() + QStringLiteral("/historie.pdf");
    QFile old(path);
    ASSERT_TRUE(old.open(QIODevice::WriteOnly));
    old.write("stará historie");
    old.close();
    DialogAnswerer answerer;
    answerer.answer(QMessageBox::Yes); // "replace it?"
    DialogScript script(
        {printChoice("TiskHistorie", "UlozitPdf"),
         fileAnswer("PdfFile", QStringLiteral("historie.pdf")),
         {QStringLiteral("Progress"), [](QWidget* progress) { QTest::keyClick(progress, Qt::Key_Escape); }}});
    action("Tisk")->trigger();
    EXPECT_EQ(script.taken(), 3u);
    ASSERT_EQ(answerer.shown().size(), 2);
    EXPECT_EQ(answerer.shown()[1].title + ": " + answerer.shown()[1].text,
              "Uložit jako PDF: Ukládání bylo zrušeno. Nic nebylo uloženo.");
    ASSERT_TRUE(old.open(QIODevice::ReadOnly));
    EXPECT_EQ(old.readAll(), "stará historie");
    EXPECT_EQ(QDir(documents()).entryList(QDir::Files | QDir::Hidden).filter(QStringLiteral("historie")),
              QStringList{"historie.pdf"});
}

// Every accelerator of the print dialog (its options, buttons and labels) belongs to one control.
TEST_F(Printing, EveryAcceleratorOfTheDialogIsOnce)
{
    QStringList taken;
    DialogScript script({{QStringLiteral("Tisk"), [&taken](QWidget* dialog) {
                              QStringList texts;
                              for (auto* button : dialog->findChildren<QAbstractButton*>())
                                  texts << button->text();
                              for (auto* label : dialog->findChildren<QLabel*>())
                                  texts << label->text();
                              for (QString text : texts) {
                                  text.replace(QStringLiteral("&&"), QString());
                                  if (const qsizetype at = text.indexOf(QLatin1Char('&'));
                                      at >= 0 && at + 1 < text.size())
                                      taken << text.mid(at + 1, 1).toLower() + QStringLiteral(" ") + text;
                              }
                              gui::click(child<QPushButton>(dialog, "Zavrit"));
                          }}});
    action("Tisk")->trigger();
    ASSERT_EQ(script.taken(), 1u);
    taken.sort();
    for (qsizetype i = 1; i < taken.size(); ++i)
        EXPECT_NE(taken[i - 1].left(1), taken[i].left(1))
            << taken[i - 1].toStdString() << " / " << taken[i].toStdString();
    EXPECT_GE(taken.size(), 9);
}

// The days typed in "Tisk" for the discs lent too long are proposed the next time, and the
// PDF written counts with them.
TEST_F(Printing, TheDaysTypedInTheDialogAreRememberedAndCounted)
{
    DialogAnswerer answerer;
    {
        DialogScript script(
            {printChoice("TiskDlouho", "UlozitPdf", 25), fileAnswer("PdfFile", QStringLiteral("d.pdf"))});
        action("Tisk")->trigger();
        EXPECT_EQ(script.taken(), 2u);
    }
    // Jan's loan is out 40 days, Eva's 20: at 25 days Jan's only, under his name.
    const QString text = pdfText(documents() + QStringLiteral("/d.pdf"));
    EXPECT_TRUE(text.contains(QStringLiteral("(déle než 25 dní)")) && text.contains(QStringLiteral("Jan Novák")) &&
                text.contains(QStringLiteral("Půjčeno: 1")) && !text.contains(QStringLiteral("Eva")))
        << text.toStdString();
    int proposed = -1;
    DialogScript again({{QStringLiteral("Tisk"), [&proposed](QWidget* dialog) {
                             proposed = child<QSpinBox>(dialog, "Dni")->value();
                             gui::click(child<QPushButton>(dialog, "Zavrit"));
                         }}});
    action("Tisk")->trigger();
    EXPECT_EQ(again.taken(), 1u);
    EXPECT_EQ(proposed, 25);
}

// The CD list sorted descending in the window is printed in the window's order.
TEST_F(Printing, AListIsPrintedInTheWindowsOrder)
{
    gui::click(child<QRadioButton>(form.get(), "OptSestupneCd"));
    gui::click(child<QPushButton>(form.get(), "CmbSetridCd"));
    DialogAnswerer answerer;
    DialogScript script({printChoice("TiskCd", "UlozitPdf"), fileAnswer("PdfFile", QStringLiteral("sestupne.pdf"))});
    action("Tisk")->trigger();
    EXPECT_EQ(script.taken(), 2u);
    const QString text = pdfText(documents() + QStringLiteral("/sestupne.pdf"));
    const qsizetype first = text.indexOf(QStringLiteral("Nikdy nepůjčené"));
    const qsizetype second = text.indexOf(QStringLiteral("Kytice"));
    const qsizetype third = text.indexOf(QStringLiteral("Babička"));
    EXPECT_TRUE(first >= 0 && first < second && second < third) << text.toStdString();
}

// The people list as the window shows it (searched: one person), or, its box ticked,
// everyone by surname in Czech order (H before Ch, Č after C).
TEST_F(Printing, ThePeopleListIsPrintedAsTheWindowShowsItOrEveryoneBySurname)
{
    for (const auto& [first, surname] :
         {std::pair{"Adam", "Zelený"}, {"Ota", "Čermák"}, {"Iva", "Chalupová"}, {"Bára", "Hora"}, {"Ema", "Cibulková"}})
        reg.addPerson(QString::fromUtf8(first), QString::fromUtf8(surname));
    // Contacts a fixed share of the width would break: each stays whole on its line.
    const QStringList whole{
        "lenka.ruzickova-dolanska@gmail.com",        "+420 724 555 101", "Šimůnková-Dolanská", "Lichtenštejnů",
        "vaclav.hora@posta.ceskeradiokomunikace.cz", "+420 602 111 222"};
    reg.exec(QStringLiteral("UPDATE lide SET email = '%1', telefon = '%2', prijmeni = prijmeni || ' %3 z %4' "
                            "WHERE jmeno = 'Ota'; UPDATE lide SET email = '%5', telefon = '%6' WHERE jmeno = 'Bára'")
                 .arg(whole[0], whole[1], whole[2], whole[3], whole[4], whole[5]));
    gui::click(child<QPushButton>(form.get(), "CmbZobrazVseLide"));
    gui::type(child<QLineEdit>(form.get(), "TxtHledejLidi"), QStringLiteral("Nov"));
    for (const bool everyone : {false, true}) {
        SCOPED_TRACE(everyone ? "everyone by surname" : "as the window shows it");
        DialogScript script({{QStringLiteral("Tisk"),
                              [everyone](QWidget* dialog) {
                                  auto* choice = child<QRadioButton>(dialog, "TiskLide");
                                  choice->setFocus();
                                  QTest::keyClick(choice, Qt::Key_Space);
                                  auto* box = child<QCheckBox>(dialog, "PodlePrijmeni");
                                  EXPECT_TRUE(box->isEnabled());
                                  if (everyone) { // Tab from the option, Space
                                      QTest::keyClick(choice, Qt::Key_Tab);
                                      EXPECT_EQ(dialog->focusWidget(), box);
                                      QTest::keyClick(box, Qt::Key_Space);
                                  }
                                  EXPECT_EQ(box->isChecked(), everyone);
                                  gui::click(child<QPushButton>(dialog, "UlozitPdf"));
                              }},
                             fileAnswer("PdfFile", QStringLiteral("lide%1.pdf").arg(everyone))});
        DialogAnswerer answerer;
        action("Tisk")->trigger();
        EXPECT_EQ(script.taken(), 2u);
        const QString text = pdfText(documents() + QStringLiteral("/lide%1.pdf").arg(everyone));
        EXPECT_TRUE(text.contains(everyone ? QStringLiteral("Počet: 8") : QStringLiteral("Počet: 1")))
            << text.toStdString();
        if (!everyone)
            continue;
        for (const QString& value : whole)
            EXPECT_TRUE(text.contains(value)) << value.toStdString() << "\n" << text.toStdString();
        qsizetype at = -1;
        for (const char* surname : {"Cibulková", "Čermák", "Hora", "Chalupová", "Malá", "Novák", "Svoboda", "Zelený"}) {
            const qsizetype next = text.indexOf(QString::fromUtf8(surname));
            EXPECT_GT(next, at) << surname << "\n" << text.toStdString();
            at = next;
        }
    }
}

// What the trash holds shows nowhere: a disc and a person deleted through the window (with
// every loan of either) are in no list, loan window, export, printed list, letter or overview,
// while what is left shows in each.
TEST_F(Printing, NothingInTheTrashShowsInAnyListExportReportOrLoanWindow)
{
    reg.addLoan(babicka, jan, QStringLiteral("zůstává"));
    pickCd(QStringLiteral("Kytice"));
    press(form.get(), "Command4", {QMessageBox::Yes, QMessageBox::Ok});
    pickPerson(QStringLiteral("Malá"));
    press(form.get(), "Command5", {QMessageBox::Yes, QMessageBox::Ok});
    ASSERT_EQ(reg.value(QStringLiteral("SELECT count(*) FROM kos")), QStringLiteral("2"));

    QMap<QString, QString> shown; // where: what it shows
    const auto grids = [&shown](QWidget* window, const QString& where) {
        for (auto* grid : window->findChildren<QTableView*>())
            for (int c = 0; c < grid->model()->columnCount(); ++c)
                shown[where] += gui::column(grid, c).join(QLatin1Char('|')) + QLatin1Char('\n');
    };
    grids(form.get(), QStringLiteral("the main window"));
    grids(open("Command1", "Form2"), QStringLiteral("Form2"));
    grids(open("Command6", "Form5"), QStringLiteral("Form5"));
    for (const QString& list : exportrows::names()) {
        QBuffer file;
        file.open(QIODevice::WriteOnly);
        ASSERT_TRUE(csvexport::write(reg.db(), list, file).ok()) << list.toStdString();
        shown[QStringLiteral("export ") + list] = QString::fromUtf8(file.data());
    }
    QTemporaryDir pdfs;
    for (const QString& printable : printables::names()) {
        const QString path = pdfs.filePath(printable + QStringLiteral(".pdf"));
        printables::Input input;
        input.owner.name = QStringLiteral("Odesílatel");
        ASSERT_TRUE(printables::writePdf(reg.db(), printable, path, input).ok()) << printable.toStdString();
        shown[QStringLiteral("printed ") + printable] = pdfText(path);
    }
    Status status = Status::success();
    for (const overview::Line& line : overview::lines(overview::compute(reg.db(), QDate::currentDate(), status)))
        shown[QStringLiteral("overview")] += line.text + QLatin1Char(' ') + line.value + QLatin1Char('\n');
    ASSERT_TRUE(status.ok());

    for (auto it = shown.cbegin(); it != shown.cend(); ++it) {
        for (const char* gone : {"Kytice", "Malá", "na chatu", "vráceno včas"})
            EXPECT_FALSE(it.value().contains(QString::fromUtf8(gone))) << it.key().toStdString() << " shows " << gone;
        // Something is there, so that the check above can fail.
        EXPECT_TRUE(it.value().contains(QStringLiteral("Babička")) || it.value().contains(QStringLiteral("Novák")) ||
                    it.value().contains(QStringLiteral("zůstává")) || it.value().contains(QStringLiteral("Svoboda")) ||
                    it.value().contains(QStringLiteral("Nikdy nepůjčené")))
            << it.key().toStdString() << ": " << it.value().left(300).toStdString();
    }
    EXPECT_GE(shown.size(), 12);
    // The discs never lent, as a list of their own: the one nobody had, not Babička (lent).
    for (const char* list : {"export nikdy", "printed nikdy"}) {
        EXPECT_TRUE(shown[QString::fromUtf8(list)].contains(QStringLiteral("Nikdy nepůjčené"))) << list;
        EXPECT_FALSE(shown[QString::fromUtf8(list)].contains(QStringLiteral("Babička"))) << list;
    }
}
