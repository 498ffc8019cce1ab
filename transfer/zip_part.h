#pragma once

#include <QByteArray>
#include <QString>
#include <QXmlStreamReader>

#include <functional>
#include <memory>

class QIODevice;
struct zip;
struct zip_file;

namespace workbook {

// A workbook's ZIP container read straight from a seekable device (a file, standard input
// spooled, bytes), and its XML parts read as streams, a chunk at a time.
class Archive
{
public:
    explicit Archive(QIODevice& device);
    ~Archive();
    Archive(const Archive&) = delete;
    Archive& operator=(const Archive&) = delete;

    bool isOpen() const { return m_zip != nullptr; }
    // What makes the archive unreadable as a workbook, for the refusal's sentence: a part
    // stored twice under one name (which of them a reader takes is anybody's guess), or a part
    // encrypted. Empty when there is nothing.
    QString problem() const;
    bool has(const char* name) const;
    // At most the first bytes of a part (empty when there is none).
    QByteArray head(const char* name, qint64 most) const;
    // Asked before each chunk of a part is read: true stops the reading as a failed one (a
    // cancel then takes effect however few rows the part's XML yields).
    void stopWhen(std::function<bool()> stop) { m_stop = std::move(stop); }

    // How libzip reads the device (zip_part.cpp).
    struct Source;

private:
    friend class Part;
    std::unique_ptr<Source> m_source;
    zip* m_zip = nullptr;
    std::function<bool()> m_stop;
};

// An XML part of the container: the parser is fed a chunk at a time. What a part may cost is
// limited while it is read, by what is really unpacked, never by a size the file declares:
// elements nest at most mostDepth deep, and no token (a text, a run of blanks, a tag) takes
// more than mostTokenBytes of the file. A part that breaks a limit, is not well-formed XML,
// or whose unpacked bytes fail their checksum, is failed: nothing read from it counts.
class Part
{
public:
    static constexpr int mostDepth = 64;
    static constexpr qint64 mostTokenBytes = 4 << 20;

    Part(const Archive& archive, const QString& name);
    ~Part();
    Part(const Part&) = delete;
    Part& operator=(const Part&) = delete;

    bool isOpen() const { return m_file != nullptr; }
    QXmlStreamReader xml;

    // The next token; false at the document's end or on a fault (failed() says which).
    bool next();
    // Reads the rest of the part unparsed, so that its checksum is checked; false when it fails.
    bool drain();
    bool failed() const;
    // Why the part failed, in Czech, with the line of the part where the parser stopped.
    QString problem() const;
    // The text inside the current element, to its end; at most `most` characters are kept,
    // and reading stops at the first beyond them (then overLong() is true).
    QString text(qsizetype most);
    bool overLong() const { return m_overLong; }
    // Passes over the current element and everything in it.
    void skip();

private:
    zip_file* m_file;
    const std::function<bool()>& m_stop;
    QString m_name;
    bool m_stopped = false;
    bool m_ended = false;
    bool m_readFailed = false;
    bool m_badChecksum = false;
    bool m_tooDeep = false;
    bool m_tokenTooLong = false;
    bool m_overLong = false;
    int m_depth = 0;
};

} // namespace workbook
