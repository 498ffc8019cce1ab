#pragma once

#include "transfer/import_rows.h"
#include "transfer/sheet_import.h"

#include <QBuffer>

#include <QByteArray>
#include <QStringList>

// What the transfer tests read of a list taken out and brought in.
namespace importtest {

// The refusals as "row (name): message", one a line.
inline QString problems(const importrows::Outcome& outcome)
{
    QStringList lines;
    for (const importrows::Problem& p : outcome.problems)
        lines << (p.name.isEmpty() ? QStringLiteral("%1: %2").arg(p.row).arg(p.message)
                                   : QStringLiteral("%1 (%2): %3").arg(p.row).arg(p.name, p.message));
    return lines.join(QLatin1Char('\n'));
}

// A CSV's lines without their first field (the key, which an import leaves to the register).
inline QByteArray withoutKeys(const QByteArray& csv)
{
    QByteArray result;
    for (const QByteArray& line : csv.split('\n'))
        result += line.mid(line.indexOf(';') + 1) + '\n';
    return result;
}

// The bytes of a file brought in as any door brings a file in.
inline importrows::Outcome importBytes(Database* db, const QString& table, QByteArray bytes,
                                       const importrows::Options& options = {})
{
    QBuffer file(&bytes);
    file.open(QIODevice::ReadOnly);
    return sheetimport::run(db, table, file, options);
}

} // namespace importtest
