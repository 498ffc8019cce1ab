#pragma once

#include <benchmark/benchmark.h>

// Úpravy ▸ Zpět, measured: after a delete through the window, and after an import as large as
// the register's discs; each with its floor.
namespace undobench {

void undoDelete(benchmark::State& state);
void undoDeleteFloor(benchmark::State& state);
// floor: the bare delete of the imported rows instead of the step taken back.
void undoImport(benchmark::State& state, bool floor);

} // namespace undobench
