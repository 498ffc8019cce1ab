#pragma once

#include "core/status.h"
#include "reports/list_report.h"
#include "reports/page_canvas.h"

#include <QDate>
#include <QImage>
#include <QString>
#include <QStringList>

#include <optional>
#include <vector>

class Database;
class PageCanvas;
class QPagedPaintDevice;
class QPainter;

// How the lending went, from the register: how many discs, people and loans there are and
// how many discs are out; the discs lent most and the people who borrow most; how long a
// returned loan lasted; the loans out longest; the discs never lent.
//
// A length is counted only for a loan returned with both its days, the return not before
// the lending; the others are counted aside and said ("nezapočteno"). A loan whose disc or
// person is no longer in the register (only another program could leave one: deleting a
// disc or person deletes its loans) is counted nowhere, and how many there are is said.
namespace overview {

struct Ranked
{
    QString name;
    qint64 loans = 0;
};

struct OutLong
{
    QString disc;
    QString person;
    QDate lent;
    qint64 daysOut = 0;
};

struct Figures
{
    qint64 discs = 0;
    qint64 people = 0;
    qint64 loans = 0;
    qint64 discsOut = 0;               // discs with a loan not returned
    qint64 neverLent = 0;              // discs with no loan at all
    std::vector<Ranked> mostLentDiscs; // ten at most, ties by name in the lists' order
    qint64 moreLentAlike = 0;          // discs left out lent as often as the last one listed
    std::vector<Ranked> mostBorrowing; // ten at most, ties by surname and first name
    qint64 moreBorrowingAlike = 0;     // people left out who borrowed as often as the last listed
    std::vector<Ranked> mostOutNow;    // who has the most discs out now: ten at most, ties by name
    qint64 moreOutAlike = 0;           // people left out with as many out as the last listed
    qint64 returnedCounted = 0;        // returned loans whose length is known
    qint64 returnedUncounted = 0;      // returned without a day, or before they were lent
    std::optional<double> averageDays; // none when no returned loan is counted
    std::optional<double> medianDays;
    std::vector<OutLong> longestOut; // ten at most, the longest first
    std::vector<Bar> byYear;         // loans lent each year, the last 20 years to this one at most
    std::vector<Bar> byMonth;        // loans lent each of the last 12 months, this one the last
    qint64 orphanLoans = 0;          // loans of a disc or person missing from the register
};

// The figures, counted to today.
Figures compute(Database& db, const QDate& today, Status& status);

// What a list of ten says of those it left out with the same number as its last: "a dalších
// 13 disků se 3 výpůjčkami"; empty for none. people: of people rather than discs; out: with
// discs out ("s 2 půjčenými disky") rather than loans.
QString alsoAlike(qint64 more, qint64 number, bool people, bool out = false);

// A number of days as the overview writes it: "1 den", "3 dny", "12 dní", "12,5 dne"; "—"
// for none.
QString days(std::optional<double> value);

// The overview as lines of text with their kind, for the page and the window alike.
struct Line
{
    enum class Kind { Heading, Text, Item } kind;
    QString text;
    QString value; // an item's number, set right; empty for a heading or text
};
std::vector<Line> lines(const Figures& figures);

// Paints the overview's page (more when it runs long); false when the canvas failed.
bool paintPage(const Figures& figures, const QDate& today, const QPagedPaintDevice& device, PageCanvas& canvas);

// The two bar charts (by year, by month) painted in an image of the size, for a window.
QImage chartImage(const std::vector<Bar>& bars, const QSize& size);
// The charts' headings.
QString byYearHeading();
QString byMonthHeading();

// Writes the overview as a PDF file.
Status writePdf(Database& db, const QDate& today, const QString& path);

} // namespace overview
