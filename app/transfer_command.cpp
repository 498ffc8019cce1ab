#include "transfer_command.h"

#include "storage/database.h"
#include "storage/register_file.h"
#include "transfer/csv_export.h"
#include "transfer/csv_import.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

#include <cerrno>
#include <cstdio>
#include <unistd.h>

namespace transfercommand {
namespace {

const QString registerFile = QStringLiteral("db1.zaz");
// Refused rows listed one by one; beyond these, how many more.
constexpr size_t listedProblems = 20;

void say(std::FILE* to, const QString& text)
{
    std::fputs((text + QLatin1Char('\n')).toUtf8().constData(), to);
}

int fail(const QString& text)
{
    say(stderr, QStringLiteral("ordisk: ") + text);
    return 1;
}

// Why the file could not be read or written, in Czech (Qt's own words are English).
QString fileProblem(const QString& file, int error)
{
    const QFileInfo info(file);
    if (info.isDir())
        return QStringLiteral("je to složka, ne soubor");
    if (!info.dir().exists())
        return QStringLiteral("složka %1 neexistuje").arg(info.dir().path());
    return systemErrorText(error);
}

// The register in this folder, as the window opens it (null after saying why not).
std::unique_ptr<Database> openRegister()
{
    Status status = Status::success();
    std::unique_ptr<Database> db = openRegisterFile(registerFile, status);
    if (!db)
        fail(status.message());
    return db;
}

} // namespace

int exportList(const QString& what, const QString& file)
{
    if (!csvexport::names().contains(what))
        return fail(
            QStringLiteral("vyvézt lze jen %1, ne „%2“.").arg(csvexport::names().join(QStringLiteral(", ")), what));
    if (!QFileInfo::exists(registerFile))
        return fail(QStringLiteral("v této složce není evidence %1; nic nebylo vyvezeno.").arg(registerFile));
    const std::unique_ptr<Database> db = openRegister();
    if (!db)
        return 1;
    if (file.isEmpty()) {
        QFile out;
        if (!out.open(stdout, QIODevice::WriteOnly))
            return fail(QStringLiteral("na standardní výstup nelze psát."));
        const Status s = csvexport::write(*db, what, out);
        if (s.ok() && out.flush())
            return 0;
        return fail(s.ok() ? QStringLiteral("na standardní výstup nelze psát: %1.").arg(fileProblem(QString(), errno))
                           : s.message());
    }
    // Written aside and moved in whole: a failed export leaves the file as it was.
    QSaveFile out(file);
    if (!out.open(QIODevice::WriteOnly))
        return fail(QStringLiteral("soubor %1 nelze zapsat: %2.").arg(file, fileProblem(file, errno)));
    if (const Status s = csvexport::write(*db, what, out); !s.ok())
        return fail(s.message());
    if (!out.commit())
        return fail(QStringLiteral("soubor %1 nelze zapsat: %2.").arg(file, fileProblem(file, errno)));
    return 0;
}

int importList(const QString& what, const QString& file, bool dryRun)
{
    if (!csvimport::names().contains(what))
        return fail(QStringLiteral("přidat ze souboru lze jen cd nebo lide, ne „%1“.").arg(what));
    QFile in(file);
    if (!in.open(QIODevice::ReadOnly))
        return fail(QStringLiteral("soubor %1 nelze přečíst: %2.").arg(file, fileProblem(file, errno)));
    const QByteArray bytes = in.readAll();
    // A dry run stores nothing: it makes no register either.
    std::unique_ptr<Database> db;
    if (!dryRun || QFileInfo::exists(registerFile)) {
        db = openRegister();
        if (!db)
            return 1;
    }
    // A long import shows how far it got, on a terminal only.
    QElapsedTimer clock;
    clock.start();
    bool shown = false;
    qint64 lastShown = 0;
    const auto progress = [&](qint64 rows) {
        if (clock.elapsed() < 1000 || clock.elapsed() - lastShown < 100 || !::isatty(STDERR_FILENO))
            return;
        std::fprintf(stderr, "\rZpracováno řádků: %lld", static_cast<long long>(rows));
        lastShown = clock.elapsed();
        shown = true;
    };
    const csvimport::Outcome outcome = csvimport::run(db.get(), what, bytes, dryRun, progress);
    if (shown)
        std::fputs("\n", stderr);
    if (!outcome.status.ok())
        return fail(outcome.status.message() + QStringLiteral(" Nic nebylo uloženo."));
    if (!outcome.problems.empty()) {
        for (size_t i = 0; i < outcome.problems.size() && i < listedProblems; ++i) {
            const csvimport::Problem& problem = outcome.problems[i];
            say(stderr, problem.line > 0 ? QStringLiteral("ordisk: %1, řádek %2: %3")
                                               .arg(file, QString::number(problem.line), problem.message)
                                         : QStringLiteral("ordisk: %1: %2").arg(file, problem.message));
        }
        if (outcome.problems.size() > listedProblems)
            say(stderr, QStringLiteral("ordisk: … a dalších odmítnutých řádků: %1.")
                            .arg(outcome.problems.size() - listedProblems));
        return fail(QStringLiteral("nic nebylo uloženo."));
    }
    const QString noun = what == QLatin1String("cd") ? QStringLiteral("disků") : QStringLiteral("lidí");
    say(stdout, dryRun
                    ? QStringLiteral("Soubor je v pořádku, %1 k přidání: %2. Nic nebylo uloženo (zkouška --dry-run).")
                          .arg(noun, QString::number(outcome.rows))
                    : QStringLiteral("Přidáno %1: %2.").arg(noun, QString::number(outcome.rows)));
    return 0;
}

} // namespace transfercommand
