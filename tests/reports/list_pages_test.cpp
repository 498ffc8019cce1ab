// The typesetting of rows into pages, as a table of cases: what each page carries, where
// the pages break, and that no text is cut.
#include "qt_printers.h"
#include "recording_canvas.h"
#include "reports/list_pages.h"
#include "reports/list_report.h"
#include "reports/row_feed.h"
#include "reports/text_lines.h"

#include <QBuffer>
#include <QCoreApplication>
#include <QPageLayout>
#include <QPageSize>
#include <QPainter>
#include <QPdfWriter>

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <limits>

namespace {

using Page = RecordingCanvas::Page;

const typeset::ListHead head{
    QStringLiteral("Seznam CD"),
    QStringLiteral("Počet: 3"),
    QStringLiteral("Vytištěno 09.12.2026"),
    {{QStringLiteral("Název"), 3}, {QStringLiteral("Počet disků"), 1, true}, {QStringLiteral("Popis"), 2}}};

// Sets the rows twice, as a printed list is, and returns the pages painted.
std::vector<Page> set(const std::vector<QStringList>& rows,
                      QPageLayout::Orientation orientation = QPageLayout::Portrait)
{
    QBuffer nowhere;
    nowhere.open(QIODevice::WriteOnly);
    QPdfWriter device(&nowhere);
    device.setPageLayout(QPageLayout(QPageSize(QPageSize::A4), orientation, QMarginsF()));
    typeset::ListPages pages(head, device);
    pages.begin(nullptr);
    for (const QStringList& row : rows)
        EXPECT_TRUE(pages.add(row));
    const int count = pages.finish();
    RecordingCanvas canvas;
    pages.begin(&canvas, count);
    for (const QStringList& row : rows)
        EXPECT_TRUE(pages.add(row));
    EXPECT_EQ(pages.finish(), count);
    EXPECT_EQ(static_cast<int>(canvas.pages.size()), count);
    return canvas.pages;
}

std::vector<QStringList> numbered(int count, const QString& note = QString())
{
    std::vector<QStringList> rows;
    for (int i = 1; i <= count; ++i)
        rows.push_back({QStringLiteral("Disk %1").arg(i), QString::number(i), note});
    return rows;
}

// How many rows of one line a page holds.
int rowsPerPage()
{
    static const int rows = [] {
        const std::vector<Page> pages = set(numbered(200));
        return static_cast<int>(pages.front().rules) - 1; // the header's rule and one under each row
    }();
    return rows;
}

// The rows' texts a page holds, in order (the frame's texts left out).
QStringList rowTexts(const Page& page)
{
    QStringList texts;
    for (const QString& text : page.texts)
        if (!text.startsWith(QLatin1String("Strana ")) && text != head.title && text != head.count &&
            text != head.printedOn &&
            !QStringList{QStringLiteral("Název"), QStringLiteral("Popis"), QStringLiteral("Počet"),
                         QStringLiteral("disků"), QStringLiteral("Počet disků")}
                 .contains(text))
            texts << text;
    return texts;
}

} // namespace

TEST(ListPages, EveryPageCarriesTheTitleTheHeaderAndItsNumberOfAll)
{
    struct Case
    {
        const char* what;
        std::function<std::vector<QStringList>()> rows;
        int pages;
    };
    const int full = rowsPerPage();
    ASSERT_GT(full, 20);
    const Case cases[] = {
        {"an empty list has one page, its header alone", [] { return std::vector<QStringList>{}; }, 1},
        {"one row", [] { return numbered(1); }, 1},
        {"a page filled to its last row", [full] { return numbered(full); }, 1},
        {"one row more begins the next page", [full] { return numbered(full + 1); }, 2},
        {"three pages and a bit", [full] { return numbered(3 * full + 1); }, 4},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const std::vector<QStringList> rows = c.rows();
        const std::vector<Page> pages = set(rows);
        ASSERT_EQ(static_cast<int>(pages.size()), c.pages);
        QStringList all;
        for (size_t p = 0; p < pages.size(); ++p) {
            const QStringList& texts = pages[p].texts;
            EXPECT_TRUE(texts.contains(QStringLiteral("Seznam CD")));
            EXPECT_TRUE(texts.contains(QStringLiteral("Počet: 3")));
            EXPECT_TRUE(texts.contains(QStringLiteral("Vytištěno 09.12.2026")));
            EXPECT_TRUE(texts.contains(QStringLiteral("Název")));
            EXPECT_TRUE(texts.contains(QStringLiteral("Popis")));
            EXPECT_TRUE(texts.contains(QStringLiteral("Strana %1 z %2").arg(p + 1).arg(c.pages)));
            all << rowTexts(pages[p]);
        }
        // Every row once, in its order, none lost at a break.
        QStringList expected;
        for (const QStringList& row : rows)
            expected << row[0] << row[1];
        EXPECT_EQ(all, expected);
    }
}

// The rows stay above the footer on every page, however the page breaks: full pages of
// one-line rows, and rows of many lines; and the estimate of pages a list takes is right at
// the boundaries of a page.
TEST(ListPages, RowsStayAboveTheFooterAndThePagesAreEstimatedAtTheirBoundaries)
{
    const QString note = QStringLiteral("řádek\n").repeated(7).trimmed();
    for (const std::vector<QStringList>& rows : {numbered(3 * rowsPerPage() + 1), numbered(40, note)}) {
        const std::vector<Page> pages = set(rows);
        // The rows' baselines on each page, and the distance of two lines of a row.
        std::vector<QList<qreal>> lines;
        qreal step = std::numeric_limits<qreal>::max();
        for (const Page& page : pages) {
            const QStringList texts = rowTexts(page);
            lines.emplace_back();
            for (qsizetype t = 0; t < page.texts.size(); ++t)
                if (texts.contains(page.texts[t]))
                    lines.back() << page.baselines[t];
            std::sort(lines.back().begin(), lines.back().end());
            for (qsizetype l = 1; l < lines.back().size(); ++l)
                if (lines.back()[l] > lines.back()[l - 1])
                    step = std::min(step, lines.back()[l] - lines.back()[l - 1]);
        }
        for (size_t p = 0; p < pages.size(); ++p) {
            SCOPED_TRACE(p);
            const qsizetype footer = pages[p].texts.indexOf(head.printedOn);
            ASSERT_GE(footer, 0);
            ASSERT_FALSE(lines[p].isEmpty());
            EXPECT_LE(lines[p].back() + step, pages[p].baselines[footer]) << "a row's line runs into the footer";
        }
    }
    QBuffer nowhere;
    nowhere.open(QIODevice::WriteOnly);
    QPdfWriter device(&nowhere);
    for (const char* list : {"cd", "lide"}) {
        SCOPED_TRACE(list);
        const listreport::Layout layout = listreport::layoutOf(QString::fromLatin1(list));
        device.setPageLayout(QPageLayout(
            QPageSize(QPageSize::A4), layout.landscape ? QPageLayout::Landscape : QPageLayout::Portrait, QMarginsF()));
        typeset::ListPages fitted(layout.head, device); // to the header, as short rows leave it
        fitted.fitTo(fitted.headerNeeds());
        const qint64 full = fitted.rowsPerPage();
        EXPECT_EQ(listreport::pagesAbout(layout, 0, device), 1);
        EXPECT_EQ(listreport::pagesAbout(layout, 1, device), 1);
        EXPECT_EQ(listreport::pagesAbout(layout, full, device), 1);
        EXPECT_EQ(listreport::pagesAbout(layout, full + 1, device), 2);
        EXPECT_EQ(listreport::pagesAbout(layout, 5 * full, device), 5);
        EXPECT_EQ(listreport::pagesAbout(layout, 5 * full + 1, device), 6);
    }
}

// A text is wrapped at spaces where it can, broken where a word is wider than its column; a
// cell has at most TextLines::valueLines lines, the last of a longer text ending with "…".
TEST(ListPages, LongTextsAreWrappedAndCutOnlyPastTheirLines)
{
    QBuffer nowhere;
    nowhere.open(QIODevice::WriteOnly);
    QPdfWriter device(&nowhere);
    device.setPageLayout(QPageLayout(QPageSize(QPageSize::A4), QPageLayout::Portrait, QMarginsF()));
    const typeset::ListPages pages(head, device);
    const QString words = QStringLiteral("Koncert v Lucerně, dvojalbum s bonusy a brožurou; ").repeated(6).trimmed();
    const QString oneWord = QStringLiteral("Žluťoučkýkůň").repeated(20);
    const QString surrogates = QString::fromUtf8("🎵").repeated(40);
    const QString lines20 = QStringLiteral("řádek\n").repeated(TextLines::valueLines).chopped(1);
    const int cut = TextLines::valueLines;
    struct Case
    {
        const char* what;
        QString text;
        int column;
        bool spaced; // broken at spaces only
        int lines;   // the lines expected when cut (0: not cut)
    };
    const Case cases[] = {
        {"a text that fits stays one line", QStringLiteral("Bílá bouře"), 0, true, 0},
        {"words wrap at spaces", words, 0, true, 0},
        {"a word wider than its column is broken where the column ends", oneWord, 2, false, 0},
        {"a pair of surrogates is never split", surrogates, 1, false, 0},
        {"line breaks in a note are kept", QStringLiteral("první řádek\ndruhý řádek\r\ntřetí"), 2, true, 0},
        {"as many lines as a cell shows are all shown", lines20, 2, true, 0},
        {"a line more is cut after the last shown", lines20 + QStringLiteral("\nnavíc"), 2, true, cut},
        {"a name of the longest a field holds is cut", QString(32767, QChar(0x17E)), 0, false, cut},
        {"surrogates cut whole", QString::fromUtf8("🎵").repeated(5000), 1, false, cut},
        {"words past the lines are cut", words.repeated(40), 1, true, cut},
        {"a word longer than Qt's fixed-point widths reach", QString(400000, QLatin1Char('N')), 2, false, cut},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        QStringList lines = pages.wrap(c.text, c.column);
        ASSERT_FALSE(lines.isEmpty());
        QString plain = c.text;
        plain.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
        if (c.spaced)
            plain.replace(QLatin1Char('\n'), QLatin1Char(' '));
        if (!c.spaced) // broken between letters with a hyphen
            for (qsizetype i = 0; i + 1 < lines.size(); ++i)
                if (lines[i].endsWith(QLatin1Char('-')) && lines[i + 1].front().isLetter())
                    lines[i].chop(1);
        if (c.lines > 0) {
            ASSERT_EQ(lines.size(), c.lines);
            ASSERT_TRUE(lines.last().endsWith(QStringLiteral("…")));
            lines.last().chop(1);
            EXPECT_TRUE(plain.startsWith(lines.join(c.spaced ? QStringLiteral(" ") : QString())));
        } else {
            EXPECT_EQ(lines.join(c.spaced ? QStringLiteral(" ") : QString()), plain);
            EXPECT_FALSE(lines.join(QString()).contains(QStringLiteral("…")));
        }
        for (const QString& line : lines) {
            EXPECT_FALSE((line.isEmpty() && c.lines == 0) || (!line.isEmpty() && line.back().isHighSurrogate()));
            EXPECT_FALSE(!line.isEmpty() && line.front().isLowSurrogate());
        }
    }
    EXPECT_EQ(pages.wrap(QStringLiteral("Bílá bouře"), 0).size(), 1);
    // Controls of writing direction would turn the program's text around a name: left out.
    EXPECT_EQ(pages.wrap(QString::fromUtf8("Eva \u202Eživě\u202C, půjčeno \u2067x\u2069 01.01.2024"), 0)
                  .join(QLatin1Char(' ')),
              QStringLiteral("Eva živě, půjčeno x 01.01.2024"));
    EXPECT_GT(pages.wrap(words, 0).size(), 2);
    EXPECT_EQ(pages.wrap(QStringLiteral("první řádek\ndruhý řádek\r\ntřetí"), 2).size(), 3);
}

// A stored value is read only as far as a page can show it: its first characters, never a
// character split, and "…" where it was cut.
TEST(ListPages, AStoredValueIsReadAsFarAsAPageShowsIt)
{
    const auto printed = [](const QString& text) {
        const QByteArray utf8 = text.toUtf8();
        return printedValue(std::string_view(utf8.constData(), static_cast<size_t>(utf8.size())), false);
    };
    const qsizetype most = TextLines::valueChars;
    struct Case
    {
        const char* what;
        QString stored;
        qsizetype kept; // characters kept before "…" (-1: all, no "…")
    };
    const Case cases[] = {
        {"a short name", QStringLiteral("Kytice"), -1},
        {"as many characters as are shown", QString(most, QLatin1Char('a')), -1},
        {"one more", QString(most + 1, QLatin1Char('a')), most},
        {"two bytes a letter, past the bytes read", QString(3 * most, QChar(0x17E)), most},
        {"four bytes a letter, cut before a pair", QString::fromUtf8("🎵").repeated(most), most},
        {"a pair at the last place is not split", QStringLiteral("a") + QString::fromUtf8("🎵").repeated(most),
         most - 1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const QString shown = printed(c.stored);
        if (c.kept < 0) {
            EXPECT_EQ(shown, c.stored);
            continue;
        }
        ASSERT_TRUE(shown.endsWith(QStringLiteral("…")));
        EXPECT_EQ(shown.size() - 1, c.kept);
        EXPECT_TRUE(c.stored.startsWith(shown.chopped(1)));
    }
    EXPECT_TRUE(printedValue({}, true).isNull());
    EXPECT_FALSE(printedValue({}, false).isNull());
    EXPECT_TRUE(printedValue({}, false).isEmpty());
}

TEST(ListPages, ARowTooTallForWhatIsLeftBeginsANewPageAndALongNoteIsCut)
{
    const int full = rowsPerPage();
    // A note of many lines after a page's worth less two rows: it moves, whole, to page 2.
    const QString lines = QStringLiteral("řádek\n").repeated(10).trimmed();
    std::vector<QStringList> rows = numbered(full - 2);
    rows.push_back({QStringLiteral("Dlouhá poznámka"), QStringLiteral("1"), lines});
    std::vector<Page> pages = set(rows);
    ASSERT_EQ(pages.size(), 2u);
    EXPECT_FALSE(pages[0].texts.contains(QStringLiteral("Dlouhá poznámka")));
    EXPECT_EQ(pages[1].texts.count(QStringLiteral("řádek")), 10);

    // A note of more lines than any page holds is a cell's lines, the last with "…": the
    // rows of such notes take the pages rows of that many lines do, however long the notes.
    const QString endless = QStringLiteral("řádek\n").repeated(3 * full).trimmed();
    const QString shown = QStringLiteral("řádek\n").repeated(TextLines::valueLines).trimmed();
    for (const auto& [orientation, name] :
         {std::pair{QPageLayout::Portrait, "portrait"}, std::pair{QPageLayout::Landscape, "landscape"}}) {
        SCOPED_TRACE(name);
        std::vector<QStringList> longRows, shownRows;
        for (int i = 0; i < 7; ++i) {
            longRows.push_back({QStringLiteral("Nekonečná poznámka"), QStringLiteral("1"), endless});
            shownRows.push_back({QStringLiteral("Nekonečná poznámka"), QStringLiteral("1"), shown});
        }
        longRows.push_back({QStringLiteral("Poslední"), QStringLiteral("2"), QString()});
        shownRows.push_back({QStringLiteral("Poslední"), QStringLiteral("2"), QString()});
        pages = set(longRows, orientation);
        EXPECT_EQ(pages.size(), set(shownRows, orientation).size());
        int printed = 0, cut = 0;
        for (const Page& page : pages) {
            printed += static_cast<int>(page.texts.count(QStringLiteral("řádek")));
            cut += static_cast<int>(page.texts.count(QStringLiteral("řádek…")));
        }
        EXPECT_EQ(printed, 7 * (TextLines::valueLines - 1));
        EXPECT_EQ(cut, 7);
        EXPECT_TRUE(pages.back().texts.contains(QStringLiteral("Poslední")));
    }
}

// The rows are read once, whatever another program writes meanwhile: a feed that would give
// other rows on a second reading is never read again, and the count matches the pages.
TEST(ListPages, TheRowsAreReadOnceAndTheCountMatchesThePages)
{
    class ChangingFeed : public RowFeed
    {
    public:
        int starts = 0;
        int next_ = 0;
        Status start() override
        {
            ++starts;
            next_ = 0;
            return Status::success();
        }
        bool next(QStringList& cells) override
        {
            // Fewer rows on every reading after the first.
            if (next_ >= 3 * rowsPerPage() - (starts - 1) * rowsPerPage())
                return false;
            cells = {QStringLiteral("Disk %1").arg(++next_), QStringLiteral("1"), QString()};
            return true;
        }
        Status status() const override { return Status::success(); }
    };
    ChangingFeed feed;
    QBuffer nowhere;
    nowhere.open(QIODevice::WriteOnly);
    QPdfWriter device(&nowhere);
    QPainter painter(&device);
    qint64 lastTold = 0;
    const Status status = listreport::paint(listreport::layoutOf(QStringLiteral("cd")), feed, device, painter,
                                            [&](qint64 set) { return (lastTold = set) > 0; });
    painter.end();
    ASSERT_TRUE(status.ok()) << qPrintable(status.message());
    EXPECT_EQ(feed.starts, 1);
    EXPECT_GE(lastTold, 3 * 3 * rowsPerPage() - 256); // told of the work as it went: three passes

    // Where the rows cannot be kept aside, nothing is printed and the message says where.
    const QByteArray tmp = qgetenv("TMPDIR");
    const QString notAFolder = QCoreApplication::applicationFilePath(); // a file, not a folder
    qputenv("TMPDIR", notAFolder.toLocal8Bit());
    ChangingFeed again;
    QBuffer elsewhere;
    elsewhere.open(QIODevice::WriteOnly);
    QPdfWriter second(&elsewhere);
    QPainter onSecond(&second);
    const Status refused = listreport::paint(listreport::layoutOf(QStringLiteral("cd")), again, second, onSecond);
    onSecond.end();
    if (tmp.isNull())
        qunsetenv("TMPDIR");
    else
        qputenv("TMPDIR", tmp);
    EXPECT_FALSE(refused.ok());
    EXPECT_TRUE(refused.message().startsWith(
        QStringLiteral("Dočasný soubor tisku ve složce %1 nelze vytvořit").arg(notAFolder)))
        << refused.message().toStdString();
}
