#include "reports/pdf_file.h"

#include "storage/database.h"

#include <QDir>
#include <QFileInfo>
#include <QPageLayout>
#include <QPageSize>
#include <QPainter>
#include <QPdfWriter>
#include <QSaveFile>

#include <cerrno>

namespace pdffile {

Status write(const QString& path, const QString& title, bool landscape,
             const std::function<Status(QPdfWriter& writer, QPainter& painter)>& paint)
{
    const auto failed = [&path](int error) {
        const QFileInfo target(path);
        return Status::failure(QStringLiteral("Soubor %1 nelze zapsat: %2.")
                                   .arg(path, target.isDir() ? QStringLiteral("je to složka, ne soubor")
                                              : !target.absoluteDir().exists()
                                                  ? QStringLiteral("složka %1 neexistuje").arg(target.path())
                                                  : systemErrorText(error)));
    };
    if (QFileInfo(path).isDir())
        return failed(0);
    QSaveFile out(path);
    if (!out.open(QIODevice::WriteOnly) || !out.setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner))
        return failed(errno);
    Status status = Status::success();
    {
        QPdfWriter writer(&out);
        writer.setTitle(title);
        writer.setCreator(QStringLiteral("Ordisk"));
        writer.setPageLayout(QPageLayout(QPageSize(QPageSize::A4),
                                         landscape ? QPageLayout::Landscape : QPageLayout::Portrait, QMarginsF()));
        QPainter painter;
        if (!painter.begin(&writer))
            return failed(errno);
        status = paint(writer, painter);
        if (!painter.end() && status.ok())
            status = failed(errno);
    }
    if (!status.ok()) {
        out.cancelWriting();
        return status;
    }
    return out.commit() ? Status::success() : failed(errno);
}

} // namespace pdffile
