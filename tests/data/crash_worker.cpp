// A long run of real actions on a register, through the program's own record
// sources, for the crash and two-instance tests. Before each action it prints
// "? <action>", and "<action>" once the action is committed. With "open" instead
// of a seed it only opens the register and prints why it could not.
#include "register.h"
#include "field_value.h"
#include "record_source.h"

#include <QDate>
#include <QRandomGenerator>

#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

Register* reg = nullptr;
Database* db = nullptr;

qint64 randomId(const char* sql)
{
    qint64 id = 0;
    return db->queryInt(QString::fromLatin1(sql), id).ok() ? id : 0;
}

void say(const QString& line)
{
    std::fputs(line.toUtf8().constData(), stdout);
    std::fputc('\n', stdout);
    std::fflush(stdout);
}

void fail(const Status& s)
{
    say(QStringLiteral("! ") + s.message());
    std::exit(3);
}

// Adds a row through a source that only adds; returns its id, or 0 when the disc
// or person it refers to was deleted meanwhile by another copy of the program.
qint64 add(const QString& table, const QList<QPair<QString, QString>>& fields)
{
    RecordSource source(*reg, table);
    source.setRecordSource(queries::none(table));
    if (Status s = source.refresh(); !s.ok())
        fail(s);
    source.addNew();
    for (const auto& field : fields)
        source.setFieldText(field.first, field.second);
    if (Status s = source.updateNew(); !s.ok()) {
        if (s.message().contains(QStringLiteral("už v evidenci není")))
            return 0;
        fail(s);
    }
    return source.cell(source.absolutePosition(), 0).toLongLong();
}

// The source positioned on one row of a table; false when another instance removed it meanwhile.
bool onRow(RecordSource& source, const QString& table, const QString& key, qint64 id)
{
    source.setRecordSource(queries::idEquals(table, key, id));
    if (Status s = source.refresh(); !s.ok())
        fail(s);
    return source.recordCount() == 1;
}

} // namespace

int main(int argc, char* argv[])
{
    if (argc < 3)
        return 2;
    Status status = Status::success();
    std::unique_ptr<Register> opened = Register::open(QString::fromLocal8Bit(argv[1]), status);
    // "open": only opens the register (as another user, say) and says why it could not.
    if (std::strcmp(argv[2], "open") == 0) {
        say(status.message());
        return opened ? 0 : 1;
    }
    if (!opened)
        fail(status);
    reg = opened.get();
    db = &reg->db();
    QRandomGenerator random(static_cast<quint32>(std::atoi(argv[2])));
    const QString today = fieldvalue::formatDate(QDate::currentDate());
    for (int n = 0;; ++n) {
        const int action = random.bounded(100);
        if (action < 25) {
            const QString name = QStringLiteral("Disk %1-%2 č.").arg(QString::fromLocal8Bit(argv[2])).arg(n);
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
            const qint64 cd = randomId("SELECT idcd FROM cd ORDER BY random() LIMIT 1");
            const qint64 person = randomId("SELECT idcloveka FROM lide ORDER BY random() LIMIT 1");
            if (cd == 0 || person == 0)
                continue;
            say(QStringLiteral("? lend"));
            const qint64 id = add(QStringLiteral("pujcovani"), {{QStringLiteral("datumpujceni"), today},
                                                               {QStringLiteral("idcd"), QString::number(cd)},
                                                               {QStringLiteral("idcloveka"), QString::number(person)},
                                                               {QStringLiteral("iduzivatele"), QStringLiteral("1")}});
            if (id != 0)
                say(QStringLiteral("lend %1 %2 %3").arg(id).arg(cd).arg(person));
        } else if (action < 80) {
            const qint64 loan = randomId("SELECT idvypujcky FROM nevracenecd ORDER BY random() LIMIT 1");
            if (loan == 0)
                continue;
            say(QStringLiteral("? return %1").arg(loan));
            RecordSource source(*reg, QStringLiteral("nevracenecd"));
            if (!onRow(source, QStringLiteral("nevracenecd"), QStringLiteral("idvypujcky"), loan))
                continue;
            source.setFieldText(QStringLiteral("vraceno"), QStringLiteral("1"));
            source.setFieldText(QStringLiteral("datumvraceni"), today);
            source.setRecordSource(queries::none(QStringLiteral("nevracenecd")));
            if (Status s = source.refresh(); !s.ok())
                fail(s);
            say(QStringLiteral("return %1").arg(loan));
        } else if (action < 92) {
            const qint64 cd = randomId("SELECT idcd FROM cd ORDER BY random() LIMIT 1");
            if (cd == 0)
                continue;
            const QString name = QStringLiteral("Upraveno %1-%2").arg(QString::fromLocal8Bit(argv[2])).arg(n);
            say(QStringLiteral("? edit %1").arg(cd));
            RecordSource source(*reg, QStringLiteral("cd"));
            if (!onRow(source, QStringLiteral("cd"), QStringLiteral("idcd"), cd))
                continue;
            source.setFieldText(QStringLiteral("nazev"), name);
            if (Status s = source.refresh(); !s.ok())
                fail(s);
            say(QStringLiteral("edit %1 %2").arg(cd).arg(name));
        } else {
            const bool disc = random.bounded(2) == 0;
            const qint64 id = disc ? randomId("SELECT idcd FROM cd ORDER BY random() LIMIT 1")
                                   : randomId("SELECT idcloveka FROM lide ORDER BY random() LIMIT 1");
            if (id == 0)
                continue;
            const QString what = disc ? QStringLiteral("delcd %1").arg(id) : QStringLiteral("delperson %1").arg(id);
            say(QStringLiteral("? ") + what);
            RecordSource source(*reg, disc ? QStringLiteral("cd") : QStringLiteral("lide"));
            if (!onRow(source, disc ? QStringLiteral("cd") : QStringLiteral("lide"),
                       disc ? QStringLiteral("idcd") : QStringLiteral("idcloveka"), id))
                continue;
            if (Status s = source.deleteCurrent(); !s.ok())
                fail(s);
            say(what);
        }
    }
}
