#pragma once

#include <QString>

#include <memory>
#include <string>
#include <string_view>
#include <unordered_map>
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
// (docs/performance.md: searches three times quicker, half the memory; a hand-written
// hash table here bought too little to keep.)
class TextDictionary
{
public:
    // The id of the value in the statement's current row (a null string for NULL).
    quint32 add(const Statement& statement, int column);
    // Every text, by id; may be taken over once the reading is done.
    std::vector<QString>& texts() { return m_texts; }

private:
    quint32 append(QString text);

    // Hashes a text's UTF-8 as it lies in the statement, without copying it.
    struct BytesHash
    {
        using is_transparent = void;
        size_t operator()(std::string_view bytes) const { return std::hash<std::string_view>()(bytes); }
    };

    std::vector<QString> m_texts;
    std::unordered_map<std::string, quint32, BytesHash, std::equal_to<>> m_known; // UTF-8 -> id
    bool m_looking = true;
    size_t m_reads = 0;
    quint32 m_null = ~quint32(0);
};
