// libFuzzer targets for the readers of an import, one a build of this file: ORDISK_FUZZ_READER
// 0 reads the input as a CSV file; 1 as the first sheet of an .xlsx workbook (the sheet's XML,
// then after a NUL byte the shared texts' XML); 2 as the content of an .ods workbook. The
// workbooks are packed here, stored, so that the fuzzer changes the XML and not the deflated
// bytes. Whatever the input, the import ends (within libFuzzer's time and memory limits),
// with rows that passed or with a refusal, never both.
#include "transfer/sheet_import.h"

#include <QBuffer>
#include <QCoreApplication>

#include <zip.h>

#include <cstdint>
#include <cstdlib>
#include <utility>
#include <vector>

namespace {

QByteArray zipOf(const std::vector<std::pair<const char*, QByteArray>>& parts)
{
    zip_error_t error;
    zip_error_init(&error);
    zip_source_t* buffer = zip_source_buffer_create(nullptr, 0, 0, &error);
    zip_t* archive = zip_open_from_source(buffer, ZIP_TRUNCATE, &error);
    zip_source_keep(buffer);
    for (const auto& [name, bytes] : parts) {
        zip_source_t* part = zip_source_buffer(archive, bytes.constData(), static_cast<zip_uint64_t>(bytes.size()), 0);
        const zip_int64_t index = zip_file_add(archive, name, part, ZIP_FL_OVERWRITE);
        zip_set_file_compression(archive, static_cast<zip_uint64_t>(index), ZIP_CM_STORE, 0);
    }
    zip_close(archive);
    QByteArray bytes;
    zip_stat_t stat;
    if (zip_source_stat(buffer, &stat) == 0 && zip_source_open(buffer) == 0) {
        bytes.resize(static_cast<qsizetype>(stat.size));
        bytes.resize(
            static_cast<qsizetype>(std::max<zip_int64_t>(0, zip_source_read(buffer, bytes.data(), stat.size))));
        zip_source_close(buffer);
    }
    zip_source_free(buffer);
    zip_error_fini(&error);
    return bytes;
}

QByteArray fileOf(const QByteArray& input)
{
#if ORDISK_FUZZ_READER == 1
    const qsizetype nul = input.indexOf('\0');
    std::vector<std::pair<const char*, QByteArray>> parts = {
        {"xl/workbook.xml", R"(<workbook xmlns:r="r"><sheets><sheet r:id="rId1"/></sheets></workbook>)"},
        {"xl/_rels/workbook.xml.rels",
         R"(<Relationships><Relationship Id="rId1" Target="worksheets/sheet1.xml"/></Relationships>)"},
        {"xl/worksheets/sheet1.xml", nul < 0 ? input : input.left(nul)}};
    if (nul >= 0)
        parts.push_back({"xl/sharedStrings.xml", input.mid(nul + 1)});
    return zipOf(parts);
#elif ORDISK_FUZZ_READER == 2
    return zipOf({{"mimetype", "application/vnd.oasis.opendocument.spreadsheet"}, {"content.xml", input}});
#else
    return input;
#endif
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    static int argc = 1;
    static char name[] = "import_fuzz";
    static char* argv[] = {name, nullptr};
    static QCoreApplication app(argc, argv);
    QByteArray bytes = fileOf(QByteArray(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size)));
    QBuffer file(&bytes);
    file.open(QIODevice::ReadOnly);
    for (const char* table : {"cd", "lide"}) {
        importrows::Options options;
        options.dryRun = true;
        const importrows::Outcome outcome = sheetimport::run(nullptr, QString::fromLatin1(table), file, options);
        if (outcome.refused > 0 && outcome.problems.empty())
            std::abort();
        if (outcome.problems.size() > importrows::keptProblems)
            std::abort();
        file.seek(0);
    }
    return 0;
}
