#pragma once

#include "core/field_value.h"

#include <QString>
#include <QStringList>

#include <memory>
#include <type_traits>
#include <vector>

class HeldRows;
class PagedRows;

// The rows of a query as a record source has them, of one of two kinds: HeldRows
// (rows/held_rows.h), every row read at once with the columns a grid shows, and PagedRows
// (rows/paged_rows.h), a loan list whose rows are read a page at a time as they are looked at.
class Rows
{
public:
    virtual ~Rows() = default;
    // How many rows there are.
    virtual int count() const = 0;
    // Whether every row's value of the column is read here (otherwise the record source
    // reads it for the current row).
    virtual bool serves(int column) const = 0;
    // A value as Statement::columnText gives it, of a column served here.
    virtual QString value(int row, int column) = 0;
    // A stored edit: the row's values (every column in order; empty when not read) replace
    // what is known of it.
    virtual void setRow(int row, const std::vector<QString>& values) = 0;
    // A stored row (its key, and its values) joins the rows.
    virtual void append(qint64 key, const std::vector<QString>& values) = 0;
    // A deleted row leaves.
    virtual void erase(int row) = 0;
};

// The rows of a query with the names and kinds of its columns.
struct RowSet
{
    QStringList names;            // every column of the query, in its order
    std::vector<FieldKind> kinds; // per column
    std::shared_ptr<Rows> rows;   // null before the first reading
    HeldRows* held = nullptr;     // rows, when they are held rows
    PagedRows* paged = nullptr;   // rows, when they are paged rows

    int count() const { return rows ? rows->count() : 0; }
    // Sets the rows, and which kind they are.
    template <class Kind> void set(std::shared_ptr<Kind> kind)
    {
        held = nullptr;
        paged = nullptr;
        if constexpr (std::is_same_v<Kind, HeldRows>)
            held = kind.get();
        else
            paged = kind.get();
        rows = std::move(kind);
    }
};
