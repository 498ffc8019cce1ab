#pragma once

#include "core/register_tables.h"

#include <QDate>
#include <QString>
#include <QVariantList>

#include <vector>

// The discs lent too long: loans not returned whose day of lending lies more than a number
// of days before today. A loan has no day it is due; the user says how many days are too
// many. A loan without its day of lending, or with a value there that is no day
// (fieldvalue::storedDay), is never too long (nothing tells how long it is out), and nor is
// one lent on a day still to come.
namespace longloans {

// How many days a disc may be out before it counts as lent too long, unless the user says otherwise.
constexpr int defaultDays = 30;
// The most days the user may choose (a hundred years).
constexpr int mostDays = 36500;

// A whole number of days as Czech says it: "1 den", "3 dny", "30 dní".
QString daysInWords(qint64 days);

// The list's columns: disc, first name, surname, phone, e-mail, day lent, days out.
const std::vector<tables::Column>& columns();

// The rows of the list, longest out first (ties by surname, first name and disc in the lists'
// order): SQL over pujcovani p, cd c and lide l whose parameters are params().
QString sql();
QVariantList params(int days, const QDate& today);

// The condition a loan p meets to be lent too long, and its days out, with the parameters
// ?1 (today, ISO) and ?2 (the days): for queries of their own over the same loans.
QString condition();
QString daysOut();

} // namespace longloans
