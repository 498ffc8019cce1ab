#include "reports/list_report.h"

#include "core/long_loans.h"
#include "core/register_tables.h"
#include "reports/pdf_file.h"
#include "reports/row_feed.h"
#include "reports/row_spool.h"
#include "reports/text_lines.h"
#include "storage/database.h"

#include <QDate>
#include <QPagedPaintDevice>
#include <QPainter>
#include <QPdfWriter>

namespace listreport {
namespace {

// Each list's title, orientation and columns (a field and its share of the width).
struct Printed
{
    const char* list;
    const char* title;
    bool landscape;
    std::vector<std::pair<const char*, double>> columns;
};

const std::vector<Printed>& printedLists()
{
    // The discs' list and the discs never lent print alike.
    const std::vector<std::pair<const char*, double>> discColumns = {
        {"nazev", 30}, {"pocetdisku", 7}, {"typdisku", 10}, {"typobsahu", 12},
        {"popis", 25}, {"original", 8},   {"vyrazeno", 8}};
    static const std::vector<Printed> lists = {
        {"cd", "Seznam CD", true, discColumns},
        {"lide",
         "Seznam lidí",
         false,
         {{"jmeno", 16}, {"prijmeni", 18}, {"telefon", 15}, {"email", 24}, {"poznamka", 27}}},
        {"vypujcky",
         "Historie půjčování",
         true,
         {{"datumpujceni", 10},
          {"datumvraceni", 10},
          {"jmeno", 12},
          {"prijmeni", 14},
          {"nazev", 26},
          {"vraceno", 7},
          {"poznamka", 21}}},
        {"nevracenecd",
         "Nevrácená CD",
         false,
         {{"datumpujceni", 13}, {"jmeno", 14}, {"prijmeni", 16}, {"nazev", 30}, {"poznamka", 27}}},
        {"nikdy", "Nikdy nepůjčená CD", true, discColumns},
    };
    return lists;
}

// A field's kind, wherever it is declared (one name has one kind in every table).
FieldKind kindOfField(const QString& name)
{
    for (const tables::Table& table : tables::all())
        for (const tables::Column& column : table.columns)
            if (column.name == name)
                return column.kind;
    for (const tables::Column& column : longloans::columns())
        if (column.name == name)
            return column.kind;
    return FieldKind::Text;
}

QString labelOfField(const QString& name)
{
    for (const tables::Column& column : longloans::columns())
        if (column.name == name)
            return column.label;
    return tables::label(name);
}

// A cell as the page prints it: a text only as far as a page can show it.
QString printedCell(const Statement& row, int column, FieldKind kind)
{
    return kind == FieldKind::Text ? printedValue(row.columnUtf8(column), row.isNull(column))
                                   : fieldvalue::inWords(kind, row.columnText(column));
}

// A list's rows from its export's statement, the layout's fields picked out.
class RegisterFeed : public RowFeed
{
public:
    RegisterFeed(Database& db, const QString& list, const Layout& layout, const exportrows::Choice& choice)
    {
        m_listing = exportrows::select(db, list, m_status, choice);
        if (!m_status.ok())
            return;
        for (const QString& field : layout.fields)
            for (size_t c = 0; c < m_listing.columns->size(); ++c)
                if ((*m_listing.columns)[c].name == field)
                    m_picked.push_back({static_cast<int>(c), (*m_listing.columns)[c].kind});
    }
    ~RegisterFeed() override
    {
        // A read lock is never left behind: the window may want to write.
        if (m_listing.rows)
            m_listing.rows->reset();
    }

    Status start() override
    {
        if (m_status.ok())
            m_listing.rows->reset();
        return m_status;
    }

    bool next(QStringList& cells) override
    {
        if (!m_status.ok())
            return false;
        const Statement::Step step = m_listing.rows->step();
        if (step != Statement::Step::Row) {
            if (step == Statement::Step::Error)
                m_status = m_listing.rows->failure();
            m_listing.rows->reset();
            return false;
        }
        cells.clear();
        for (const auto& [column, kind] : m_picked)
            cells << printedCell(*m_listing.rows, column, kind);
        return true;
    }

    Status status() const override { return m_status; }

private:
    Status m_status = Status::success();
    exportrows::Listing m_listing;
    std::vector<std::pair<int, FieldKind>> m_picked;
};

// The rows of a table by their keys, one lookup each.
class KeysFeed : public RowFeed
{
public:
    KeysFeed(Database& db, const QString& list, const Layout& layout, std::vector<qint64> keys)
        : m_keys(std::move(keys)), m_kinds(layout.kinds)
    {
        const tables::Table* table = tables::find(list);
        if (!table || table->isView) {
            m_status = Status::failure(QStringLiteral("Podle klíčů lze vytisknout jen disky a lidi."));
            return;
        }
        QStringList fields;
        for (const QString& field : layout.fields)
            fields << field;
        m_row = std::make_unique<Statement>(
            db, QStringLiteral("SELECT %1 FROM %2 WHERE %3 = ?")
                    .arg(fields.join(QStringLiteral(", ")), list, table->columns.front().name));
        m_status = m_row->status();
    }

    Status start() override
    {
        m_next = 0;
        return m_status;
    }

    bool next(QStringList& cells) override
    {
        while (m_status.ok() && m_next < m_keys.size()) {
            m_row->reset();
            if (m_status = m_row->bind(1, m_keys[m_next++]); !m_status.ok())
                return false;
            const Statement::Step step = m_row->step();
            if (step == Statement::Step::Error) {
                m_status = m_row->failure();
                break;
            }
            if (step == Statement::Step::Done)
                continue;
            cells.clear();
            for (size_t c = 0; c < m_kinds.size(); ++c)
                cells << printedCell(*m_row, static_cast<int>(c), m_kinds[c]);
            return true;
        }
        if (m_row)
            m_row->reset();
        return false;
    }

    Status status() const override { return m_status; }

private:
    std::vector<qint64> m_keys;
    std::vector<FieldKind> m_kinds;
    std::unique_ptr<Statement> m_row;
    size_t m_next = 0;
    Status m_status = Status::success();
};

} // namespace

const QStringList& names()
{
    static const QStringList lists = [] {
        QStringList result;
        for (const Printed& printed : printedLists())
            result << QString::fromLatin1(printed.list);
        return result;
    }();
    return lists;
}

Layout layoutOf(const QString& list)
{
    Layout layout;
    for (const Printed& p : printedLists()) {
        if (list != QLatin1String(p.list))
            continue;
        layout.head.title = QString::fromUtf8(p.title);
        layout.landscape = p.landscape;
        for (const auto& [field, share] : p.columns) {
            const QString name = QString::fromLatin1(field);
            const FieldKind kind = kindOfField(name);
            layout.fields.push_back(name);
            layout.kinds.push_back(kind);
            layout.head.columns.push_back({labelOfField(name), share, kind == FieldKind::Integer});
        }
    }
    return layout;
}

std::unique_ptr<RowFeed> fromRegister(Database& db, const QString& list, const Layout& layout,
                                      const exportrows::Choice& choice)
{
    return std::make_unique<RegisterFeed>(db, list, layout, choice);
}

std::unique_ptr<RowFeed> fromKeys(Database& db, const QString& list, const Layout& layout, std::vector<qint64> keys)
{
    return std::make_unique<KeysFeed>(db, list, layout, std::move(keys));
}

int pagesAbout(const Layout& layout, qint64 count, const QPagedPaintDevice& device)
{
    // The header of one line, as the columns fitted to short rows have it.
    typeset::ListPages pages(layout.head, device);
    pages.fitTo(pages.headerNeeds());
    return static_cast<int>(std::max<qint64>(1, (count + pages.rowsPerPage() - 1) / pages.rowsPerPage()));
}

Status paint(Layout layout, RowFeed& rows, QPagedPaintDevice& device, QPainter& painter, const Watch& watch)
{
    layout.head.printedOn =
        QStringLiteral("Vytištěno %1").arg(QDate::currentDate().toString(QStringLiteral("dd.MM.yyyy")));
    typeset::ListPages pages(layout.head, device);
    qint64 set = 0;
    const auto goOn = [&] { return !watch || (++set & 0xff) != 0 || watch(set); };
    // The rows are read once, measured for the columns' widths and kept; the pages are then
    // set from what was kept twice: counted, and painted with their number known. The count
    // and "Strana X z N" match the pages whatever another program writes meanwhile.
    std::vector<typeset::ColumnNeed> needs = pages.headerNeeds();
    RowSpool kept;
    if (Status s = kept.fill(rows,
                             [&](const QStringList& cells) {
                                 pages.measure(needs, cells);
                                 return goOn();
                             });
        !s.ok())
        return s;
    pages.fitTo(needs);
    pages.setCount(QStringLiteral("Počet: %1").arg(kept.rows()));
    PainterCanvas canvas(painter, device);
    int pageCount = 0;
    QStringList cells;
    for (PageCanvas* pass : {static_cast<PageCanvas*>(nullptr), static_cast<PageCanvas*>(&canvas)}) {
        if (Status s = kept.start(); !s.ok())
            return s;
        pages.begin(pass, pageCount);
        while (kept.next(cells)) {
            if (!pages.add(cells))
                return Status::failure(QStringLiteral("Stránku nelze vytisknout."));
            if (!goOn())
                return Status::cancelled(QStringLiteral("Tisk byl zrušen."));
        }
        if (Status s = kept.status(); !s.ok())
            return s;
        pageCount = pages.finish();
    }
    return Status::success();
}

namespace {

Status written(Database& db, const Layout& layout, RowFeed& rows, const QString& path, const Watch& watch)
{
    return pdffile::write(
        db.filePath(), path, layout.head.title, layout.landscape,
        [&](QPdfWriter& writer, QPainter& painter) { return paint(layout, rows, writer, painter, watch); });
}

} // namespace

Status writePdf(Database& db, const QString& list, const QString& path, const exportrows::Choice& choice,
                const Watch& watch)
{
    if (!names().contains(list))
        return Status::failure(QStringLiteral("Vytisknout lze jen %1.").arg(names().join(QStringLiteral(", "))));
    const Layout layout = layoutOf(list);
    const std::unique_ptr<RowFeed> rows = fromRegister(db, list, layout, choice);
    return written(db, layout, *rows, path, watch);
}

Status writePdf(Database& db, const QString& list, const QString& path, const std::vector<qint64>& keys,
                const Watch& watch)
{
    const Layout layout = layoutOf(list);
    const std::unique_ptr<RowFeed> rows = fromKeys(db, list, layout, keys);
    return written(db, layout, *rows, path, watch);
}

} // namespace listreport
