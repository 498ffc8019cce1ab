#include "storage/system_errors.h"

#include <cerrno>
#include <cstdio>
#include <cstring>

QString systemErrorText(int error)
{
    switch (error) {
    case EACCES:
    case EPERM:
        return QStringLiteral("přístup odepřen");
    case ENOENT:
        return QStringLiteral("soubor nebo složka neexistuje");
    case EROFS:
        return QStringLiteral("disk je jen pro čtení");
    case ENOSPC:
    case EDQUOT:
        return QStringLiteral("na disku není místo");
    case EFBIG:
        return QStringLiteral("soubor by byl větší, než disk nebo systém dovolí");
    case ENOTDIR:
        return QStringLiteral("část cesty není složka");
    case EISDIR:
        return QStringLiteral("je to složka, ne soubor");
    case EEXIST:
    case ENOTEMPTY:
        return QStringLiteral("soubor nebo složka toho jména už existuje");
    case EIO:
        return QStringLiteral("disk nejde přečíst nebo zapsat (chyba vstupu a výstupu)");
    case ELOOP:
        return QStringLiteral("cesta vede přes příliš mnoho symbolických odkazů");
    case ENAMETOOLONG:
        return QStringLiteral("jméno souboru je příliš dlouhé");
    case EBUSY:
    case ETXTBSY:
        return QStringLiteral("soubor právě používá jiný program");
    case EXDEV:
        return QStringLiteral("soubor je na jiném disku");
    case EMFILE:
    case ENFILE:
        return QStringLiteral("program má otevřeno příliš mnoho souborů");
    case ENOMEM:
        return QStringLiteral("nedostatek paměti");
    case ENXIO:
    case ENODEV:
        return QStringLiteral("zařízení není připojeno");
    case EAGAIN:
        return QStringLiteral("soubor je právě zamčený");
    case 0:
        return QString();
    default:
        // Any other by the system's own name for it, so that it can still be looked up.
        if (const char* name = ::strerrorname_np(error))
            return QStringLiteral("nečekaná chyba systému %1 (č. %2)").arg(QLatin1String(name)).arg(error);
        return QStringLiteral("nečekaná chyba systému (č. %1)").arg(error);
    }
}

void libraryWords(const QString& words)
{
    if (qEnvironmentVariableIsSet("ORDISK_DEBUG"))
        std::fprintf(stderr, "ordisk: %s\n", words.toUtf8().constData());
}
