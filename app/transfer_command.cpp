#include "transfer_command.h"

#include "backups/backups.h"
#include "backups/copy_places.h"
#include "reports/printables.h"
#include "reports/report_settings.h"
#include "storage/database.h"
#include "storage/file_targets.h"
#include "storage/register_file.h"
#include "transfer/csv_export.h"
#include "transfer/export_rows.h"
#include "transfer/sheet_export.h"
#include "transfer/sheet_import.h"

#include <QDateTime>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryFile>

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <fcntl.h>
#include <functional>
#include <optional>
#include <poll.h>
#include <sys/stat.h>
#include <unistd.h>

namespace transfercommand {
namespace {

// How long an import waits for a writer to open a named pipe it is given (ms).
constexpr int writerWait = 5000;

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
    return filetargets::problem(file, error);
}

// The register, as the window opens it (null after saying why not). While it is open, no
// restore replaces it: inUse is held, and must outlive the connection.
std::unique_ptr<Database> openRegister(const QString& path, std::unique_ptr<RegisterInUse>& inUse)
{
    Status status = Status::success();
    std::unique_ptr<Database> db = openRegisterFile(path, status);
    if (!db) {
        fail(status.message());
    } else if (inUse = RegisterInUse::take(path, false); !inUse) {
        db.reset();
        fail(QStringLiteral("evidence %1 se právě obnovuje ze zálohy; zkuste to znovu za chvíli.").arg(path));
    }
    return db;
}

// How far long work got, on a terminal only, as the window's progress dialog shows it: from
// its first second on, a tenth of a second apart at most; a line break after it at the end.
// Ctrl+C (SIGINT) or SIGTERM seen while an Interruptible lived.
volatile std::sig_atomic_t interrupted = 0;

extern "C" void noteInterrupt(int)
{
    interrupted = 1;
}

// While it lives, Ctrl+C and SIGTERM ask the work to stop at its next check rather than end
// the program in the middle: the file being written stays as it was, and the user is told.
// A second Ctrl+C ends the program at once (the handler is reset by the first).
class Interruptible
{
public:
    Interruptible()
    {
        interrupted = 0;
        struct sigaction asked = {};
        asked.sa_handler = noteInterrupt;
        asked.sa_flags = SA_RESETHAND; // no SA_RESTART: a read waiting for input returns
        sigemptyset(&asked.sa_mask);
        ::sigaction(SIGINT, &asked, &m_int);
        ::sigaction(SIGTERM, &asked, &m_term);
        // A signal the program was started to ignore (a background job's Ctrl+C) stays ignored.
        for (const auto& [signal, before] : {std::pair{SIGINT, &m_int}, {SIGTERM, &m_term}})
            if (before->sa_handler == SIG_IGN)
                ::sigaction(signal, before, nullptr);
    }
    ~Interruptible()
    {
        ::sigaction(SIGINT, &m_int, nullptr);
        ::sigaction(SIGTERM, &m_term, nullptr);
    }
    Interruptible(const Interruptible&) = delete;
    Interruptible& operator=(const Interruptible&) = delete;

    static bool asked() { return interrupted != 0; }

private:
    struct sigaction m_int = {}, m_term = {};
};

// What an interrupted command says; its exit status is that of a program ended by Ctrl+C.
int tellInterrupted(const QString& what)
{
    say(stderr, QStringLiteral("ordisk: přerušeno; ") + what);
    return 130;
}

class TerminalProgress
{
public:
    TerminalProgress() { m_clock.start(); }
    ~TerminalProgress()
    {
        if (m_shown)
            std::fputs("\n", stderr);
    }
    TerminalProgress(const TerminalProgress&) = delete;
    TerminalProgress& operator=(const TerminalProgress&) = delete;

    void rows(qint64 done)
    {
        const qint64 now = m_clock.elapsed();
        if (now < 1000 || now - m_lastShown < 100 || !m_terminal)
            return;
        std::fprintf(stderr, "\rZpracováno řádků: %lld", static_cast<long long>(done));
        std::fflush(stderr);
        m_lastShown = now;
        m_shown = true;
    }

private:
    QElapsedTimer m_clock;
    const bool m_terminal = ::isatty(STDERR_FILENO) != 0;
    qint64 m_lastShown = 0;
    bool m_shown = false;
};

// Standard input or a pipe copied aside, so that the import can read it twice (memory
// stays flat). Read with the system's own read, which a Ctrl+C interrupts while it waits for
// input (Qt's reading would wait on).
bool spool(int fd, QTemporaryFile& into)
{
    if (!into.open())
        return false;
    QByteArray bytes(1 << 20, '\0');
    while (!Interruptible::asked()) {
        const ssize_t read = ::read(fd, bytes.data(), static_cast<size_t>(bytes.size()));
        if (read < 0 && errno == EINTR)
            continue;
        if (read < 0)
            return false;
        if (read == 0)
            return into.flush() && into.seek(0);
        if (into.write(bytes.constData(), read) != read)
            return false;
    }
    return false;
}

} // namespace

bool isPdf(const QString& file)
{
    return QFileInfo(file).suffix().compare(QLatin1String("pdf"), Qt::CaseInsensitive) == 0;
}

namespace {

// The lists of any format, then what is written as pages only.
QStringList exportNames()
{
    QStringList names = exportrows::names();
    for (const QString& name : printables::names())
        if (!names.contains(name))
            names << name;
    return names;
}

} // namespace

QString exportable()
{
    const QStringList names = exportNames();
    return names.mid(0, names.size() - 1).join(QStringLiteral(", ")) + QStringLiteral(" nebo ") + names.constLast();
}

int exportList(const QString& what, const QString& file, int days, const QString& registerPath)
{
    const exportrows::Choice choice{days, QDate::currentDate()};
    // A list is written in any format (the discs lent too long one row a loan, grouped by
    // borrower in a PDF); the reminders, "who has what" and the overview are pages only.
    const printables::Printable* printable = printables::find(what);
    const Interruptible interruptible;
    const bool pagesOnly =
        printable && printable->form != printables::Form::List && !exportrows::names().contains(what);
    if (!exportrows::names().contains(what) && !pagesOnly)
        return fail(QStringLiteral("vyvézt lze jen %1, ne „%2“.").arg(exportNames().join(QStringLiteral(", ")), what));
    if (pagesOnly && !isPdf(file))
        return fail(printable->form == printables::Form::Letters
                        ? QStringLiteral("upomínky se zapisují jen jako stránky PDF: zadejte soubor s příponou .pdf. "
                                         "Nic nebylo vyvezeno.")
                    : printable->form == printables::Form::Borrowers
                        ? QStringLiteral("seznam „Kdo má co půjčeno“ se zapisuje jen jako stránky PDF: zadejte soubor "
                                         "s příponou .pdf. Nic nebylo vyvezeno.")
                        : QStringLiteral("přehled půjčování se zapisuje jen jako stránka PDF: zadejte soubor s "
                                         "příponou .pdf. Nic nebylo vyvezeno."));
    if (const QString other = sheetexport::unwrittenFormat(file); !other.isEmpty())
        return fail(QStringLiteral("soubor %1: formát %2 program nezapisuje; seznam uloží jako .ods, .xlsx nebo CSV "
                                   "(.csv, .txt nebo bez přípony) nebo jako PDF. Nic nebylo vyvezeno.")
                        .arg(file, other));
    if (!QFileInfo::exists(registerPath))
        return fail(QStringLiteral("evidence %1 neexistuje; nic nebylo vyvezeno.").arg(registerPath));
    std::unique_ptr<RegisterInUse> inUse;
    const std::unique_ptr<Database> db = openRegister(registerPath, inUse);
    if (!db)
        return 1;
    if (file.isEmpty() || file == QLatin1String("-")) {
        QFile out;
        if (!out.open(stdout, QIODevice::WriteOnly))
            return fail(QStringLiteral("na standardní výstup nelze psát."));
        const Status s = csvexport::write(*db, what, out, choice);
        if (s.ok() && out.flush())
            return 0;
        return fail(s.ok() ? QStringLiteral("na standardní výstup nelze psát: %1.").arg(fileProblem(QString(), errno))
                           : s.message());
    }
    // Never over the register itself, through whatever name or link.
    if (const QString refused = filetargets::refusedTarget(registerPath, file, QStringLiteral("seznam"));
        !refused.isEmpty())
        return fail(refused + QStringLiteral(" Nic nebylo vyvezeno."));
    // The file's name chooses the format: a PDF, a workbook (.xlsx, .ods) or CSV.
    Status s = Status::success();
    qint64 nameless = 0; // reminders: borrowers no letter could be addressed to
    {
        TerminalProgress progress;
        const listreport::Watch watch = [&progress](qint64 rows) {
            progress.rows(rows);
            return !Interruptible::asked();
        };
        s = isPdf(file)
                ? printables::writePdf(*db, what, file, {choice, nullptr, reportsettings::owner()}, watch, &nameless)
                : sheetexport::write(*db, what, file, sheetexport::formatOf(file), choice);
    }
    if (s.isCancelled())
        return tellInterrupted(QStringLiteral("nic nebylo vyvezeno, soubor %1 zůstal, jak byl.").arg(file));
    if (!s.ok())
        return fail(s.message());
    say(stdout, QStringLiteral("Zapsáno do %1 z evidence %2.").arg(file, registerPath));
    if (nameless > 0)
        say(stderr, QStringLiteral("ordisk: ") + reminders::namelessNote(nameless));
    return 0;
}

namespace {

// The file to import opened for reading (in): a regular file as it is, standard input or a
// named pipe copied aside (spooled) so that it can be read twice. Why not, otherwise.
QString openInput(const QString& file, QFile& named, QTemporaryFile& spooled, QIODevice*& in)
{
    const bool standardInput = file == QLatin1String("-");
    in = &named;
    struct stat info = {};
    const bool found = !standardInput && ::stat(QFile::encodeName(file).constData(), &info) == 0;
    if (standardInput) {
        if (!spool(STDIN_FILENO, spooled))
            return QStringLiteral("standardní vstup nelze přečíst: %1.").arg(fileProblem(QString(), errno));
        in = &spooled;
    } else if (found && (S_ISCHR(info.st_mode) || S_ISBLK(info.st_mode))) {
        return QStringLiteral("soubor %1 nelze přečíst: je to zařízení, ne soubor.").arg(file);
    } else if (found && S_ISFIFO(info.st_mode)) {
        // A pipe is read once, as it comes. Its writer may open it after the program does,
        // so the program waits a few seconds for one to come, never for ever.
        const int fd = ::open(QFile::encodeName(file).constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
        pollfd waiting = {fd, POLLIN, 0};
        if (fd >= 0 && ::poll(&waiting, 1, writerWait) == 0) {
            ::close(fd);
            return QStringLiteral("soubor %1 je roura, do které nikdo nepíše; nic nebylo přidáno.").arg(file);
        }
        const bool copied =
            fd >= 0 && ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) & ~O_NONBLOCK) == 0 && spool(fd, spooled);
        const int error = errno;
        if (fd >= 0)
            ::close(fd);
        if (!copied)
            return QStringLiteral("soubor %1 nelze přečíst: %2.").arg(file, fileProblem(file, error));
        in = &spooled;
    } else if (!named.open(QIODevice::ReadOnly)) {
        return QStringLiteral("soubor %1 nelze přečíst: %2.").arg(file, fileProblem(file, errno));
    }
    return QString();
}

// Each refused row of the import, with where it is and what to do about it, on standard error.
void tellRefusals(const importrows::Outcome& outcome, const QString& shownFile, bool allowDuplicates)
{
    for (const importrows::Problem& problem : outcome.problems) {
        const QString where =
            problem.row <= 0 ? shownFile
            : problem.name.isEmpty()
                ? QStringLiteral("%1, řádek %2").arg(shownFile, QString::number(problem.row))
                : QStringLiteral("%1, řádek %2 („%3“)").arg(shownFile, QString::number(problem.row), problem.name);
        say(stderr, QStringLiteral("ordisk: %1: %2").arg(where, problem.message));
    }
    if (outcome.refused > static_cast<qint64>(outcome.problems.size()))
        say(stderr, QStringLiteral("ordisk: … a dalších odmítnutých řádků: %1.")
                        .arg(outcome.refused - static_cast<qint64>(outcome.problems.size())));
    if (outcome.alreadyThere > 0 && !allowDuplicates && outcome.refused == 1)
        say(stderr, QStringLiteral("ordisk: přidat %1 znovu lze volbou --allow-duplicates.")
                        .arg(outcome.alreadyThere == 1 ? QStringLiteral("ho") : QStringLiteral("je")));
    if (std::any_of(outcome.problems.begin(), outcome.problems.end(), [](const importrows::Problem& p) {
            return p.message.startsWith(QStringLiteral("Neznámý sloupec"));
        }))
        say(stderr, QStringLiteral("ordisk: přidat soubor bez sloupců, které evidence nezná, lze volbou "
                                   "--ignore-columns."));
}

// What an import that passed added (or, on a dry run, would add), on standard output.
void tellAdded(const QString& what, const importrows::Outcome& outcome, bool dryRun, const QString& registerPath)
{
    const QString noun = what == QLatin1String("cd") ? QStringLiteral("disků") : QStringLiteral("lidí");
    const QString encoding =
        outcome.encoding.isEmpty() ? QString() : QStringLiteral(" (kódování %1)").arg(outcome.encoding);
    say(stdout,
        dryRun ? QStringLiteral("Soubor je v pořádku, %1 k přidání: %2%3. Nic nebylo uloženo (zkouška "
                                "--dry-run).")
                     .arg(noun, QString::number(outcome.rows), encoding)
               : QStringLiteral("Přidáno %1: %2 (%3%4).")
                     .arg(noun, QString::number(outcome.rows), registerPath,
                          outcome.encoding.isEmpty() ? QString()
                                                     : QStringLiteral("; soubor v kódování %1").arg(outcome.encoding)));
    if (!outcome.ignoredColumns.isEmpty())
        say(stdout,
            QStringLiteral("Tyto sloupce se neuloží: %1.").arg(outcome.ignoredColumns.join(QStringLiteral(", "))));
}

} // namespace

int importList(const QString& what, const QString& file, const ImportChoices& choices, const QString& registerPath)
{
    const bool dryRun = choices.dryRun;
    const bool allowDuplicates = choices.allowDuplicates;
    if (!importrows::names().contains(what))
        return fail(QStringLiteral("přidat ze souboru lze jen cd nebo lide, ne „%1“.").arg(what));
    QFile named(file);
    QTemporaryFile spooled;
    QIODevice* in = nullptr;
    const Interruptible interruptible;
    if (const QString problem = openInput(file, named, spooled, in); !problem.isEmpty())
        return Interruptible::asked() ? tellInterrupted(QStringLiteral("nic nebylo přidáno.")) : fail(problem);
    const bool standardInput = file == QLatin1String("-");
    const QString shownFile = standardInput ? QStringLiteral("standardní vstup") : file;
    // A dry run stores nothing: it makes no register either. A register made for an import
    // that adds nothing is removed again.
    const bool existed = QFileInfo::exists(registerPath);
    std::unique_ptr<RegisterInUse> inUse;
    std::unique_ptr<Database> db;
    if (!dryRun || existed) {
        if (!existed && !QDir().mkpath(QFileInfo(registerPath).path()))
            return fail(QStringLiteral("složku %1 nelze založit.").arg(QFileInfo(registerPath).path()));
        db = openRegister(registerPath, inUse);
        if (!db)
            return 1;
    }
    const auto removeMadeRegister = [&] {
        db.reset();
        if (!existed && !dryRun)
            QFile::remove(registerPath);
    };
    // A long import shows how far it got, on a terminal only.
    std::optional<TerminalProgress> shown(std::in_place);
    // Into a register that holds a collection, a copy of it first (unless the newest holds it).
    QString backup;
    const auto backUp = [&]() {
        const backups::Outcome made = backups::now(*db, registerPath, QDateTime::currentDateTime());
        backup = made.made;
        if (made.status.ok() || made.status.isDamage())
            return made.status;
        return Status::failure(QStringLiteral("Před přidáním se nepodařilo zálohovat evidenci. ") +
                               made.status.message());
    };
    importrows::Options options;
    options.dryRun = dryRun;
    options.allowDuplicates = allowDuplicates;
    options.ignoreUnknownColumns = choices.ignoreColumns;
    options.progress = [&shown](qint64 rows) { shown->rows(rows); };
    options.cancelled = [] { return Interruptible::asked(); };
    if (existed)
        options.beforeWriting = backUp;
    const importrows::Outcome outcome = sheetimport::run(db.get(), what, *in, options);
    shown.reset();
    if (outcome.status.isCancelled()) {
        removeMadeRegister();
        return tellInterrupted(QStringLiteral("nic nebylo přidáno."));
    }
    if (!outcome.status.ok()) {
        removeMadeRegister();
        const QString said = outcome.status.message();
        return fail(said.contains(QStringLiteral("nic nebylo uloženo"), Qt::CaseInsensitive)
                        ? said
                        : said + QStringLiteral(" Nic nebylo uloženo."));
    }
    if (outcome.refused > 0) {
        tellRefusals(outcome, shownFile, allowDuplicates);
        removeMadeRegister();
        return fail(QStringLiteral("nic nebylo uloženo."));
    }
    tellAdded(what, outcome, dryRun, registerPath);
    if (!backup.isEmpty())
        say(stdout, QStringLiteral("Evidence před přidáním je zálohována v %1.").arg(backup));
    return 0;
}

int backUp(const QString& file, const QString& registerPath)
{
    if (!QFileInfo::exists(registerPath))
        return fail(QStringLiteral("evidence %1 neexistuje; není co zálohovat.").arg(registerPath));
    std::unique_ptr<RegisterInUse> inUse;
    const std::unique_ptr<Database> db = openRegister(registerPath, inUse);
    if (!db)
        return 1;
    QString made;
    if (file == QLatin1String("-"))
        return fail(QStringLiteral("zálohu nelze zapsat na standardní výstup; zadejte jméno souboru zálohy."));
    if (QFileInfo(file).isDir())
        return fail(QStringLiteral("%1 je složka; zadejte jméno souboru zálohy.").arg(file));
    if (file.isEmpty()) {
        const backups::Outcome outcome = backups::now(*db, registerPath, QDateTime::currentDateTime());
        if (!outcome.status.ok())
            return fail(outcome.status.message());
        if (!outcome.existing.isEmpty()) {
            say(stdout, QStringLiteral("Evidence %1 je, jak ji uchovává záloha %2; nová nebyla třeba.")
                            .arg(registerPath, outcome.existing));
            return 0;
        }
        made = outcome.made;
    } else {
        made = QFileInfo(file).absoluteFilePath();
        if (const Status s = backups::write(*db, made); !s.ok())
            return fail(s.message());
    }
    RegisterCounts counts;
    (void)countRegister(*db, counts);
    say(stdout, QStringLiteral("Evidence %1 zálohována do %2 (disků: %3, lidí: %4, výpůjček: %5).")
                    .arg(registerPath, made, QString::number(counts.discs), QString::number(counts.people),
                         QString::number(counts.loans)));
    return 0;
}

int restore(const QString& file, const QString& registerPath)
{
    const backups::Restored restored = backups::restore(registerPath, file, QDateTime::currentDateTime());
    if (!restored.status.ok())
        return fail(restored.status.message());
    say(stdout,
        QStringLiteral("Evidence %1 obnovena ze souboru %2 z %3 (disků: %4, lidí: %5, výpůjček: %6).")
            .arg(registerPath, file, QFileInfo(file).lastModified().toString(QStringLiteral("d. M. yyyy H:mm")),
                 QString::number(restored.discs), QString::number(restored.people), QString::number(restored.loans)));
    if (!restored.keptAs.isEmpty())
        say(stdout, QStringLiteral("Dosavadní evidence je uložena jako %1.").arg(restored.keptAs));
    return 0;
}

} // namespace transfercommand
