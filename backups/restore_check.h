#pragma once

#include "backups/backups.h"
#include "storage/register_file.h"

#include <QString>

#include <vector>

// What the window asks before it closes to restore a copy, so that a restore it promised is
// not refused once every window is gone.
namespace backups {

// A file to restore from is a regular file that no program is writing: a journal or a WAL
// beside it holds changes that are not in the file yet (or half-made ones to undo), which a
// copy of the file alone would lose or keep wrongly. Folders, devices and pipes are refused.
Status checkSource(const QString& file);

// The file copied to the new file `to` through SQLite, read only, as one snapshot of it:
// bytes the file holds beyond its database (a file still growing, junk after it) are not
// copied, and a file that is no database is told so.
Status copyDatabase(const QString& from, const QString& to);

// The file examined as the source of a restore of the register, on a copy of it made at
// `copy` (kept when the file passes, removed otherwise): not the register itself, a regular
// file no program is writing, a whole register of ours (its version, its schema, every page
// and index: integrity_check), with its counts.
Status examineSource(const QString& registerPath, const QString& file, const QString& copy, RegisterCounts& counts);

// Why a restore of the file would be refused now, found without changing anything: another
// program holds the register, or the file is not a whole register of ours (its version, its
// schema and every page, checked on a copy of it in a temporary folder). Empty when the
// restore may go on.
QString restoreRefusal(const QString& registerPath, const QString& file);

// The registers kept before restores ("db1-2026-12-02-103015-pred-obnovou.zaz"), oldest first.
std::vector<Copy> keptBeforeRestores(const QString& folder);

} // namespace backups
