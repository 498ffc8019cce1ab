#pragma once

#include "core/status.h"
#include "reports/list_report.h"

#include <QDate>
#include <QString>
#include <QStringList>
#include <QUrl>
#include <QVariantList>

#include <memory>
#include <vector>

class Database;
class PageCanvas;
class QPagedPaintDevice;
class QPainter;

// The reminders to borrowers: a letter (an A4 page, more only for a list of discs longer than
// a page holds) to each person with a disc lent too long (core/long_loans.h), with the
// owner's name and contact, the place and day, the discs with the days they were lent and
// how long they are out, the day to bring them back by and the owner's name below. Nobody
// whose loans are all returned or within the days gets one.
namespace reminders {

// Who writes the letters, as the user entered it once; an empty part's lines are left out.
struct Owner
{
    QString name;
    QString contact;       // lines of an address, a phone, an e-mail
    QString place;         // as the place and day line begins: "V Brně"
    bool informal = false; // tykání: "Ahoj Jano," and "máš"; else vykání: "Dobrý den," and "máte"
};

// The days a borrower is given to bring the discs back, from the letter's day.
constexpr int daysToReturn = 14;

struct Loan
{
    QString disc;
    QString description;  // the disc's popis (the artist, as collectors fill it)
    qint64 discCount = 0; // how many discs the title has; 0 when not known
    QString discType;     // "DVD", "Audio CD", …
    QDate lent;
    qint64 daysOut = 0;
};

// How many discs and of what kind, as a letter's table says it: "3× DVD", "DVD", "3".
QString discsInWords(const Loan& loan);

// The letter's greeting: "Dobrý den," or "Ahoj Jano," ("Ahoj," when the vocative of the
// first name is not sure).
QString greeting(const QString& firstName, bool informal);
// The sentence before the table, for one disc or more (a set of three is more).
QString reminderSentence(qint64 discs, bool informal);
// The sentence after it, with the day to bring them back by.
QString returnSentence(qint64 discs, bool informal, const QDate& by);

// One letter: its addressee and the discs.
struct Letter
{
    qint64 person = 0; // idcloveka
    QString firstName;
    QString surname;
    QString email; // where the letter may go by e-mail; empty for none
    QString phone;
    std::vector<Loan> loans;
};

// The table of a borrower's discs: its header and a row for each loan (the name, the
// description, how many discs of what kind, the day lent, the days out).
QStringList tableHeader();
std::vector<QStringList> tableRows(const Letter& letter);

// The letter as the text of an e-mail: the greeting, the discs a line each, the day to bring
// them back by, the closing and the sender's name; lines end with CR LF.
QString letterText(const Letter& letter, const Owner& owner, const QDate& today);
// The subject such an e-mail has.
QString mailSubject();
// A "mailto:" address that opens the user's mail program with the letter to the borrower's
// e-mail, its subject and its text (everything percent-encoded); empty without an e-mail.
QUrl mailto(const Letter& letter, const Owner& owner, const QDate& today);

// A day in words as a Czech letter writes it: "9. prosince 2026".
QString dayInWords(const QDate& day);

// The letters from the register, by the borrowers' surnames and first names in the lists'
// order, each one's discs by the day they were lent.
class Letters
{
public:
    // With people, only theirs (the borrowers ticked; none for an empty list).
    Letters(Database& db, int days, const QDate& today, const std::vector<qint64>* people = nullptr);
    // Every borrower with a disc out now, named or not, whatever the days (the list "Kdo má
    // co půjčeno").
    static std::unique_ptr<Letters> everyDiscOut(Database& db, const QDate& today);
    // Every borrower with a disc out longer than the days, named or not (the list "Dlouho
    // půjčená CD").
    static std::unique_ptr<Letters> lentTooLong(Database& db, int days, const QDate& today);
    ~Letters();
    // (Again) before the first letter.
    Status start();
    // The next letter; false at the end or on a failure (status()).
    bool next(Letter& letter);
    Status status() const { return m_status; }
    // How many letters there are.
    qint64 count();
    // How many borrowers with a disc lent too long get none: those with neither a first name
    // nor a surname, whom no letter can be addressed to (none of the people ticked).
    qint64 nameless();

private:
    Letters(Database& db, const QVariantList& params, const QString& from);

    Database& m_db;
    QVariantList m_params;
    QVariantList m_namelessParams; // those of the loans of the borrowers without a name
    QString m_from;                // the loans: FROM … WHERE …
    std::unique_ptr<class Statement> m_rows;
    Status m_status = Status::success();
    bool m_pending = false; // the statement stands on the next letter's first row
    bool m_ended = false;   // the rows ran out (a further step would begin them again)
};

// What is said of the borrowers left without a letter (Letters::nameless); empty for none.
QString namelessNote(qint64 people);

// Paints every letter on the canvas, each from a page of its own.
Status paintLetters(Letters& letters, const Owner& owner, const QDate& today, const QPagedPaintDevice& device,
                    PageCanvas& canvas, const listreport::Watch& watch = nullptr);

// The same on the device through the painter.
Status paint(Letters& letters, const Owner& owner, const QDate& today, QPagedPaintDevice& device, QPainter& painter,
             const listreport::Watch& watch = nullptr);

// Writes the letters as a PDF file (with people, only theirs); refused, with nothing
// written, when nobody has a disc lent too long. nameless: how many borrowers were left
// without a letter (no name).
Status writePdf(Database& db, const Owner& owner, int days, const QDate& today, const QString& path,
                const listreport::Watch& watch = nullptr, qint64* nameless = nullptr,
                const std::vector<qint64>* people = nullptr);

} // namespace reminders
