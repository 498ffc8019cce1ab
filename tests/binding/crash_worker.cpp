// A long run of real actions on a register, through the program's own record
// sources, for the crash test. Before each action it prints "? <action>", and
// "<action>" once the action is committed. With "open" instead of a seed it only
// opens the register and prints why it could not. With "power" after the seed it keeps
// the register's durable image (power_cut.h); ORDISK_CRASH_SYNCHRONOUS replaces the
// program's synchronous setting, to see the test fail with a weaker one.
#include "binding/record_source.h"
#include "core/field_value.h"
#include "power_cut.h"
#include "rows/register.h"
#include "storage/trash.h"

#include <QDate>
#include <QRandomGenerator>

#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

Register* reg = nullptr;
using Fields = QList<QPair<QString, QString>>;

void say(const QString& line)
{
    std::fputs(line.toUtf8().constData(), stdout);
    std::fputc('\n', stdout);
    std::fflush(stdout);
}

void check(const Status& s)
{
    if (!s.ok()) {
        say(QStringLiteral("! ") + s.message());
        std::exit(3);
    }
}

// Whether the change was stored; false when what it changes or refers to was deleted
// meanwhile by the other copy of the program.
bool stored(const Status& s)
{
    if (!s.ok() && s.message().contains(QStringLiteral("už v evidenci není")))
        return false;
    check(s);
    return true;
}

qint64 randomId(const char* table, const char* key)
{
    qint64 id = 0;
    return reg->db()
                   .queryInt(QStringLiteral("SELECT %1 FROM %2 ORDER BY random() LIMIT 1")
                                 .arg(QLatin1String(key), QLatin1String(table)),
                             id)
                   .ok()
               ? id
               : 0;
}

// Adds a row through a source that only adds; returns its id, or 0 when not stored.
qint64 add(const QString& table, const Fields& fields)
{
    RecordSource source(*reg, table);
    source.setRecordSource(queries::none(table));
    check(source.refresh());
    source.addNew();
    for (const auto& field : fields)
        source.setFieldText(field.first, field.second);
    return stored(source.updateNew()) ? source.cell(source.absolutePosition(), 0).toLongLong() : 0;
}

// Stores the fields into one row as the windows do (a re-query stores pending edits), or
// deletes the row when no fields are given; false when not stored.
bool change(const char* table, const char* key, qint64 id, const Fields& fields = {})
{
    const QString name = QString::fromLatin1(table);
    RecordSource source(*reg, name);
    source.setRecordSource(queries::idEquals(name, QString::fromLatin1(key), id));
    check(source.refresh());
    if (source.recordCount() != 1)
        return false;
    if (fields.isEmpty()) {
        check(source.deleteCurrent());
        return true;
    }
    for (const auto& field : fields)
        source.setFieldText(field.first, field.second);
    source.setRecordSource(queries::none(name));
    return stored(source.refresh());
}

} // namespace

int main(int argc, char* argv[])
{
    if (argc < 3)
        return 2;
    if (argc > 3 && std::strcmp(argv[3], "power") == 0 && !powercut::install(QString::fromLocal8Bit(argv[1]))) {
        say(QStringLiteral("! the power-cut model could not be installed"));
        return 3;
    }
    Status status = Status::success();
    std::unique_ptr<Register> opened = Register::open(QString::fromLocal8Bit(argv[1]), status);
    // "open": only opens the register (as another user, say) and says why it could not.
    if (std::strcmp(argv[2], "open") == 0) {
        say(status.message());
        return opened ? 0 : 1;
    }
    check(status);
    reg = opened.get();
    if (const QByteArray level = qgetenv("ORDISK_CRASH_SYNCHRONOUS"); !level.isEmpty())
        check(reg->db().exec(QStringLiteral("PRAGMA synchronous = %1").arg(QString::fromLatin1(level))));
    const QString seed = QString::fromLocal8Bit(argv[2]);
    QRandomGenerator random(seed.toUInt());
    const QString today = fieldvalue::formatDate(QDate::currentDate());
    for (int n = 0;; ++n) {
        const int action = random.bounded(100);
        if (action < 25) {
            const QString name = QStringLiteral("Disk %1-%2 č.").arg(seed).arg(n);
            say(QStringLiteral("? addcd"));
            const qint64 id = add(QStringLiteral("cd"), {{QStringLiteral("nazev"), name},
                                                         {QStringLiteral("pocetdisku"), QStringLiteral("1")},
                                                         {QStringLiteral("original"), QStringLiteral("1")}});
            say(QStringLiteral("addcd %1 %2").arg(id).arg(name));
        } else if (action < 40) {
            say(QStringLiteral("? addperson"));
            const qint64 id = add(QStringLiteral("lide"), {{QStringLiteral("jmeno"), QStringLiteral("Jana")},
                                                           {QStringLiteral("prijmeni"), QStringLiteral("Dvořáková")}});
            say(QStringLiteral("addperson %1").arg(id));
        } else if (action < 65) {
            const qint64 cd = randomId("cd", "idcd");
            const qint64 person = randomId("lide", "idcloveka");
            if (cd == 0 || person == 0)
                continue;
            say(QStringLiteral("? lend"));
            const qint64 id = add(QStringLiteral("pujcovani"), {{QStringLiteral("datumpujceni"), today},
                                                                {QStringLiteral("idcd"), QString::number(cd)},
                                                                {QStringLiteral("idcloveka"), QString::number(person)},
                                                                {QStringLiteral("iduzivatele"), QStringLiteral("1")}});
            if (id != 0)
                say(QStringLiteral("lend %1 %2 %3").arg(id).arg(cd).arg(person));
        } else if (action >= 97) {
            // A deletion put back from the trash, with its loans.
            const qint64 id = randomId("kos", "idkose");
            if (id == 0)
                continue;
            say(QStringLiteral("? restore %1").arg(id));
            Status restored = Status::success();
            trash::restore(reg->db(), id, restored);
            if (restored.ok())
                say(QStringLiteral("restore %1").arg(id));
        } else {
            // A return, an edit of a disc's name, or a deletion of a disc or a person.
            const int kind = action < 80 ? 0 : action < 92 ? 1 : 2 + random.bounded(2);
            const char* table[] = {"nevracenecd", "cd", "cd", "lide"};
            const char* key[] = {"idvypujcky", "idcd", "idcd", "idcloveka"};
            const char* what[] = {"return %1", "edit %1", "delcd %1", "delperson %1"};
            const qint64 id = randomId(table[kind], key[kind]);
            if (id == 0)
                continue;
            const QString name = QStringLiteral("Upraveno %1-%2").arg(seed).arg(n);
            const Fields fields[] = {
                {{QStringLiteral("vraceno"), QStringLiteral("1")}, {QStringLiteral("datumvraceni"), today}},
                {{QStringLiteral("nazev"), name}},
                {},
                {}};
            const QString done = QString::fromLatin1(what[kind]).arg(id);
            say(QStringLiteral("? ") + done);
            if (change(table[kind], key[kind], id, fields[kind]))
                say(kind == 1 ? done + QLatin1Char(' ') + name : done);
        }
    }
}
