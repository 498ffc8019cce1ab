#pragma once

#include <QMap>
#include <QString>
#include <QStringList>

// What the add windows check of a new disc or person before storing it, in their order
// and in their words; an import of a list checks each of its rows the same way.
namespace newrecords {

// The entries of one new record: field name ("nazev", "pocetdisku"...) -> text as given.
using Entries = QMap<QString, QString>;

// The first check a new record fails: the field to correct and what the user is told.
// An empty message when every check passes.
struct Refusal
{
    QString field;
    QString message;
    bool ok() const { return message.isEmpty(); }
};

// The fields those checks require of a new disc ("cd") or person ("lide").
QStringList requiredFields(const QString& table);

// A disc: a whole number of discs, a disc type, a content type and a name, in this order.
Refusal checkDisc(const Entries& disc);
// A person: a first name and a surname, in this order.
Refusal checkPerson(const Entries& person);

// The item of the list the text names but for letter case ("audio cd" is "Audio CD"),
// or the text as it stands when it names none.
QString listItem(const QStringList& items, const QString& text);

} // namespace newrecords
