#include "reports/pdf_file.h"

#include "storage/database.h"
#include "storage/file_targets.h"

#include <QDir>
#include <QFileInfo>
#include <QPageLayout>
#include <QPageSize>
#include <QPainter>
#include <QPdfWriter>
#include <QSaveFile>

#include <cerrno>
#include <malloc.h>

namespace pdffile {
namespace {

// Qt's PDF writer compresses every page with a zlib stream of its own, whose quarter of a
// megabyte of state glibc gives back to the system when the page is done and takes again,
// zeroed, for the next one: on a list of thousands of pages that is a third of the time.
// While the program writes a PDF, freed memory stays in the process (it stays as flat:
// the same blocks are taken again); afterwards glibc's own values come back (128 KiB each,
// fixed from then on rather than adjusted by glibc). ORDISK_PDF_HEAP=off leaves glibc's rule
// alone (docs/performance.md).
class FreedMemoryKept
{
public:
    FreedMemoryKept() : m_on(qEnvironmentVariable("ORDISK_PDF_HEAP") != QLatin1String("off"))
    {
        if (m_on) {
            mallopt(M_MMAP_THRESHOLD, 32 << 20);
            mallopt(M_TRIM_THRESHOLD, 64 << 20);
        }
    }
    ~FreedMemoryKept()
    {
        if (m_on) {
            mallopt(M_MMAP_THRESHOLD, 128 << 10);
            mallopt(M_TRIM_THRESHOLD, 128 << 10);
            malloc_trim(0);
        }
    }
    FreedMemoryKept(const FreedMemoryKept&) = delete;
    FreedMemoryKept& operator=(const FreedMemoryKept&) = delete;

private:
    bool m_on;
};

} // namespace

Status write(const QString& registerPath, const QString& path, const QString& title, bool landscape,
             const std::function<Status(QPdfWriter& writer, QPainter& painter)>& paint)
{
    if (const QString refused = filetargets::refusedTarget(registerPath, path, QStringLiteral("PDF"));
        !refused.isEmpty())
        return Status::failure(refused);
    const auto failed = [&path](int error) {
        return Status::failure(
            QStringLiteral("Soubor %1 nelze zapsat: %2.").arg(path, filetargets::problem(path, error)));
    };
    if (QFileInfo(path).isDir())
        return failed(0);
    const FreedMemoryKept kept;
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
