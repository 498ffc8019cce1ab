#include "reports/report_settings.h"

#include "core/long_loans.h"

#include <QSettings>

namespace reportsettings {
namespace {

QSettings settings()
{
    return QSettings(QSettings::NativeFormat, QSettings::UserScope, QStringLiteral("Ordisk"), QStringLiteral("Ordisk"));
}

} // namespace

reminders::Owner owner()
{
    const QSettings kept = settings();
    return {kept.value(QStringLiteral("upominky/jmeno")).toString(),
            kept.value(QStringLiteral("upominky/kontakt")).toString(),
            kept.value(QStringLiteral("upominky/misto")).toString(),
            kept.value(QStringLiteral("upominky/tykani"), false).toBool()};
}

bool ownerEntered()
{
    return settings().contains(QStringLiteral("upominky/jmeno"));
}

void setOwner(const reminders::Owner& owner)
{
    QSettings kept = settings();
    kept.setValue(QStringLiteral("upominky/jmeno"), owner.name);
    kept.setValue(QStringLiteral("upominky/kontakt"), owner.contact);
    kept.setValue(QStringLiteral("upominky/misto"), owner.place);
    kept.setValue(QStringLiteral("upominky/tykani"), owner.informal);
}

int days()
{
    bool whole = false;
    const int kept = settings().value(QStringLiteral("dlouho/dni")).toInt(&whole);
    return whole && kept >= 0 && kept <= longloans::mostDays ? kept : longloans::defaultDays;
}

void setDays(int days)
{
    settings().setValue(QStringLiteral("dlouho/dni"), days);
}

} // namespace reportsettings
