#include "damage_offer.h"

#include "backups/backups.h"
#include "ui_common/messages.h"

#include <QApplication>
#include <QWidget>

QString offerBackup(const QString& registerPath)
{
    QWidget* parent = QApplication::activeWindow();
    const QString damaged =
        QStringLiteral("Soubor s evidencí %1 je poškozený; program do něj už nic nezapíše.").arg(registerPath);
    const std::optional<backups::GoodCopy> good = backups::newestGood(registerPath);
    if (!good) {
        messages::critical(parent, QStringLiteral("Chyba"),
                           damaged + QStringLiteral("\nVe složce zalohy vedle něj není záloha, ze které by šlo "
                                                    "evidenci obnovit; program skončí.\nJak zachránit, co se z "
                                                    "evidence dá přečíst, popisuje příručka (man ordisk)."));
        return QString();
    }
    const QString offer =
        damaged + QStringLiteral("\nNejnovější neporušená záloha je z %1 (disků: %2, lidí: %3, výpůjček: %4).\n"
                                 "Obnovit evidenci z této zálohy? Poškozený soubor zůstane ve složce zalohy.\n"
                                 "Ne: program skončí a soubor zůstane, jak je.")
                      .arg(good->day.toString(QStringLiteral("d. M. yyyy")), QString::number(good->discs),
                           QString::number(good->people), QString::number(good->loans));
    return messages::question(parent, QStringLiteral("Poškozená evidence"), offer, messages::Default::No) ? good->path
                                                                                                          : QString();
}
