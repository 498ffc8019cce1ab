#pragma once

#include <QStringList>

// The fixed, ordered lists of values stored in cd.typdisku and cd.typobsahu.
namespace valuelists {

// Disc types, nine items, in the order every list shows them.
inline QStringList discTypes()
{
    return {QStringLiteral("CD"),     QStringLiteral("Audio CD"), QStringLiteral("DVD"),
            QStringLiteral("HDD"),    QStringLiteral("Flash"),    QStringLiteral("CD-RW"),
            QStringLiteral("DVD-RW"), QStringLiteral("Image CD"), QStringLiteral("Image DVD")};
}

// Content types, eight items, in the order every list shows them.
inline QStringList contentTypes()
{
    return {QStringLiteral("Data"),
            QStringLiteral("Hry"),
            QStringLiteral("Filmy"),
            QStringLiteral("Hudba"),
            QStringLiteral("Foto"),
            QStringLiteral("Programy"),
            QStringLiteral("Operační systémy"),
            QStringLiteral("Ostatní")};
}

} // namespace valuelists
