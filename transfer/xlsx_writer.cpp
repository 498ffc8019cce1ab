#include "transfer/sheet_writer.h"

#include "storage/database.h"

#include <QByteArray>
#include <QFile>

#include <xlsxwriter.h>

#include <cerrno>
#include <clocale>
#include <locale.h>

namespace sheetwriter {

Status workbookFailure(const QString& why)
{
    return Status::failure(QStringLiteral("Sešit nelze zapsat: %1.").arg(why));
}

namespace {

// libxlsxwriter prints the numbers of the sheet (widths, values) with the C library's
// locale: a Czech one writes "8,7" where the file format has "8.7", and Excel refuses the
// workbook. While a workbook is written, its thread prints numbers as C does.
class CNumbers
{
public:
    CNumbers() : m_c(newlocale(LC_NUMERIC_MASK, "C", duplocale(LC_GLOBAL_LOCALE)))
    {
        if (m_c)
            m_before = uselocale(m_c);
    }
    ~CNumbers()
    {
        if (!m_c)
            return;
        uselocale(m_before);
        freelocale(m_c);
    }
    CNumbers(const CNumbers&) = delete;
    CNumbers& operator=(const CNumbers&) = delete;

private:
    locale_t m_c;
    locale_t m_before = LC_GLOBAL_LOCALE;
};

class XlsxWriter : public SheetWriter
{
public:
    explicit XlsxWriter(const QString& path, const QString& scratch)
        : m_path(QFile::encodeName(path)), m_scratch(QFile::encodeName(scratch))
    {
    }
    ~XlsxWriter() override
    {
        if (m_book)
            workbook_close(m_book); // a failed export: what it wrote is removed with its folder
    }

    Status begin(const QString& sheet, const std::vector<double>& widths) override
    {
        // Constant memory: each row goes to a temporary file (in the export's own folder)
        // once the next begins.
        lxw_workbook_options options = {};
        options.constant_memory = LXW_TRUE;
        options.tmpdir = m_scratch.data();
        options.use_zip64 = LXW_TRUE;
        m_book = workbook_new_opt(m_path.constData(), &options);
        if (!m_book)
            return workbookFailure(QStringLiteral("nedostatek paměti"));
        m_sheet = workbook_add_worksheet(m_book, sheet.toUtf8().constData());
        m_bold = workbook_add_format(m_book);
        format_set_bold(m_bold);
        m_date = workbook_add_format(m_book);
        format_set_num_format(m_date, "dd.mm.yyyy");
        m_wrap = workbook_add_format(m_book);
        format_set_text_wrap(m_wrap);
        for (size_t c = 0; c < widths.size(); ++c)
            worksheet_set_column(m_sheet, static_cast<lxw_col_t>(c), static_cast<lxw_col_t>(c), widths[c], nullptr);
        worksheet_freeze_panes(m_sheet, 1, 0);
        return Status::success();
    }

    Status header(const QStringList& labels) override
    {
        for (qsizetype c = 0; c < labels.size(); ++c)
            if (lxw_error e = worksheet_write_string(m_sheet, 0, static_cast<lxw_col_t>(c),
                                                     labels[c].toUtf8().constData(), m_bold))
                return failed(e);
        m_row = 1;
        return Status::success();
    }

    Status row(const std::vector<Cell>& cells) override
    {
        for (size_t c = 0; c < cells.size(); ++c) {
            const Cell& cell = cells[c];
            const auto column = static_cast<lxw_col_t>(c);
            lxw_error e = LXW_NO_ERROR;
            if (cell.kind == Cell::Kind::Text) {
                const QByteArray utf8 = cell.text.toUtf8();
                e = worksheet_write_string(m_sheet, m_row, column, utf8.constData(),
                                           cell.text.contains(QLatin1Char('\n')) ? m_wrap : nullptr);
            } else if (cell.kind == Cell::Kind::Number) {
                e = worksheet_write_number(m_sheet, m_row, column, cell.number, nullptr);
            } else if (cell.kind == Cell::Kind::Date) {
                lxw_datetime day = {cell.date.year(), cell.date.month(), cell.date.day(), 0, 0, 0};
                e = worksheet_write_datetime(m_sheet, m_row, column, &day, m_date);
            }
            if (e != LXW_NO_ERROR)
                return failed(e);
        }
        ++m_row;
        return Status::success();
    }

    Status finish() override
    {
        const lxw_error e = workbook_close(m_book);
        m_book = nullptr;
        return e == LXW_NO_ERROR ? Status::success() : failed(e);
    }

private:
    Status failed(lxw_error e) const
    {
        if (e == LXW_ERROR_WORKSHEET_INDEX_OUT_OF_RANGE)
            return workbookFailure(QStringLiteral("list má víc řádků, než jich list sešitu .xlsx unese (1 048 576)"));
        // The library's own words are English: a user reads what the system said, in Czech.
        libraryWords(QStringLiteral("libxlsxwriter: %1").arg(QString::fromUtf8(lxw_strerror(e))));
        return workbookFailure(errno ? systemErrorText(errno) : QStringLiteral("zápis se nezdařil"));
    }

    CNumbers m_numbers;
    QByteArray m_path;
    QByteArray m_scratch;
    lxw_workbook* m_book = nullptr;
    lxw_worksheet* m_sheet = nullptr;
    lxw_format* m_bold = nullptr;
    lxw_format* m_date = nullptr;
    lxw_format* m_wrap = nullptr;
    lxw_row_t m_row = 0;
};

} // namespace

std::unique_ptr<SheetWriter> xlsx(const QString& path, const QString& scratch)
{
    return std::make_unique<XlsxWriter>(path, scratch);
}

} // namespace sheetwriter
