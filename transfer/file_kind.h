#pragma once

class QIODevice;

// What a file handed to an import is, by its first bytes (read without consuming them).
namespace filekind {

enum class Kind { Text, Zip, OldExcel };

Kind of(QIODevice& file);

} // namespace filekind
