#pragma once

#include "core/field_value.h"
#include "core/status.h"
#include "reports/list_pages.h"
#include "transfer/export_rows.h"

#include <QString>

#include <functional>
#include <memory>
#include <vector>

class Database;
class QPagedPaintDevice;
class QPainter;
class RowFeed;

// The lists on paper and in PDF: the discs ("cd"), the people ("lide"), every loan
// ("vypujcky"), the discs not returned ("nevracenecd") and those never lent ("nikdy"),
// each with the columns a reader of the page needs (no keys), A4, the wide ones landscape.
namespace listreport {

// The lists that print.
const QStringList& names();

// Told of the rows set so far (each pass counts: a list's whole work is three times its
// rows); false stops the work.
using Watch = std::function<bool(qint64 rowsSet)>;

// How a list is printed.
struct Layout
{
    typeset::ListHead head;      // its title and columns; count and day filled in when printed
    std::vector<QString> fields; // the field of the list's rows each column shows
    std::vector<FieldKind> kinds;
    bool landscape = false;
};

// The layout of the list (names()).
Layout layoutOf(const QString& list);

// The list's rows from the register, in the order its export has (export_rows.h).
std::unique_ptr<RowFeed> fromRegister(Database& db, const QString& list, const Layout& layout,
                                      const exportrows::Choice& choice = {});

// The list's rows of the keys (idcd, idcloveka), in their order: the discs or people as a
// window shows them. A key no longer in the register is passed over.
std::unique_ptr<RowFeed> fromKeys(Database& db, const QString& list, const Layout& layout, std::vector<qint64> keys);

// About how many pages the rows take on the device (a row of one line each).
int pagesAbout(const Layout& layout, qint64 count, const QPagedPaintDevice& device);

// Sets the rows on the device through the painter (active on it): reads them once, the
// columns fitted to them (column_fit.h), then counts the pages and paints them with
// "Počet: N" and "Strana X z N". A key of the rows no longer in the register is passed over
// and not counted.
Status paint(Layout layout, RowFeed& rows, QPagedPaintDevice& device, QPainter& painter, const Watch& watch = nullptr);

// Writes the list from the register as a PDF file (written aside and moved in whole,
// readable by its owner only).
Status writePdf(Database& db, const QString& list, const QString& path, const exportrows::Choice& choice = {},
                const Watch& watch = nullptr);
// The same of the rows of the keys (fromKeys).
Status writePdf(Database& db, const QString& list, const QString& path, const std::vector<qint64>& keys,
                const Watch& watch = nullptr);

} // namespace listreport
