#pragma once

#include <QString>

#include <memory>
#include <string>
#include <vector>

class Statement;

// Texts shared between the kept rows of a table and the record sources showing them:
// a list of a million keys is handed over, not copied.
using SharedTexts = std::shared_ptr<std::vector<QString>>;
// The texts to add to: copied first when another holder still shares them.
std::vector<QString>& writable(SharedTexts& texts);

// The texts of one column read from many rows, each distinct text held once:
// a name, a date or a type repeated over thousands of rows becomes one string
// that every row shares. Gives up looking for repeats in a column whose values
// are nearly all different (keys, notes), where looking would only cost.
// (docs/performance.md: searches three times quicker, half the memory.) The distinct
// texts are found again through an open-addressing table over their bytes kept in one
// string: a node per text (std::unordered_map) made start-up a third slower where
// nearly every name differs, in allocating and freeing the nodes.
class TextDictionary
{
public:
    // The id of the value in the statement's current row (a null string for NULL).
    quint32 add(const Statement& statement, int column);
    // Every text, by id; may be taken over once the reading is done.
    std::vector<QString>& texts() { return m_texts; }

private:
    quint32 append(QString text);
    void grow();

    std::vector<QString> m_texts;
    // A distinct text as recognised: where its UTF-8 lies in m_bytes, its hash and id.
    struct Entry
    {
        size_t offset;
        size_t hash;
        quint32 length;
        quint32 id;
    };
    // A slot of the open-addressing table: the upper half of the hash, compared first,
    // and the entry's number + 1 (0 for an empty slot).
    struct Slot
    {
        quint32 tag = 0;
        quint32 entry = 0;
    };
    std::string m_bytes; // the UTF-8 of every distinct text, one after another
    std::vector<Entry> m_entries;
    std::vector<Slot> m_slots;
    bool m_looking = true;
    size_t m_reads = 0;
    quint32 m_null = ~quint32(0);
};
