#pragma once

#include <QByteArray>
#include <QString>
#include <QXmlStreamReader>

#include <functional>
#include <memory>

class QIODevice;
struct zip;
struct zip_file;

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
    bool has(const char* name) const;
    // The unpacked size of a part, -1 when there is none.
    qint64 sizeOf(const char* name) const;
    // At most the first bytes of a part (empty when there is none).
    QByteArray head(const char* name, qint64 most) const;
    // Asked before each chunk of a part is read: true stops the reading as a failed read
    // (a cancel then takes effect however few rows the part's XML yields).
    void stopWhen(std::function<bool()> stop) { m_stop = std::move(stop); }

    // How libzip reads the device (zip_part.cpp).
    struct Source;

private:
    friend class Part;
    std::unique_ptr<Source> m_source;
    zip* m_zip = nullptr;
    std::function<bool()> m_stop;
};

// An XML part of the container: the parser is fed a chunk at a time.
class Part
{
public:
    Part(const Archive& archive, const QString& name);
    ~Part();
    Part(const Part&) = delete;
    Part& operator=(const Part&) = delete;

    bool isOpen() const { return m_file != nullptr; }
    QXmlStreamReader xml;

    // The next token; false at the document's end or on a fault (failed() says which).
    bool next();
    bool failed() const;
    // The text inside the current element, to its end.
    QString text();
    // Passes over the current element and everything in it.
    void skip();

private:
    zip_file* m_file;
    const std::function<bool()>& m_stop;
    bool m_ended = false;
    bool m_readFailed = false;
};
