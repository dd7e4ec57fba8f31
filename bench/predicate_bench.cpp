// Nanoseconds per emulated predicate instruction: handlers called directly
// (decode excluded), on the routine path and on the library path.
#include <benchmark/benchmark.h>

#include <cstring>
#include <memory>

#include "qrx/decode/decode_tables.h"

namespace {

// A register file with mixed predicate contents and WHILE operands.
std::unique_ptr<cpu_state> bench_state() {
  std::unique_ptr<cpu_state> s(new cpu_state{});
  for (unsigned r = 0; r < 16; ++r)
    for (unsigned j = 0; j < qrx::kPredicateBytes; ++j) s->p[r][j] = ((j * 7 + r * 3) % 5) < 3;
  std::memset(s->ffr, 1, qrx::kPredicateBytes);
  s->x[1] = 100;
  s->x[2] = 100 + qrx::kBytesElems / 2;
  return s;
}

// Runs handler `name` with operand fields P1/X1, P2/X2, P3 and destination
// P4 (the fields that the form does not use are ignored by its handler).
void run_handler(benchmark::State& st, const char* name, uint32_t fields) {
  const qrx::DecodeEntry* e = qrx::entry_by_name(name);
  if (!e) {
    st.SkipWithError("unknown handler");
    return;
  }
  std::unique_ptr<cpu_state> s = bench_state();
  uint32_t w = e->pattern | fields;
  for (auto _ : st) {
    benchmark::DoNotOptimize(e->handler(s.get(), w));
    benchmark::ClobberMemory();
  }
}

constexpr uint32_t kLogicFields = (3u << 16) | (1u << 10) | (2u << 5) | 4u;  // Pm, Pg, Pn, Pd
constexpr uint32_t kWhileFields = (2u << 16) | (1u << 5) | 4u;               // Rm, Rn, Pd

// Routine path.
void BM_AndRoutine(benchmark::State& st) { run_handler(st, "VecPAndPPZ", kLogicFields); }
void BM_BrkpbsRoutine(benchmark::State& st) {
  run_handler(st, "VecPBreakPrevBFlgPZ", kLogicFields);
}
void BM_WhileltBRoutine(benchmark::State& st) { run_handler(st, "VecS8While8LTSS", kWhileFields); }
void BM_PnextDRoutine(benchmark::State& st) { run_handler(st, "VecP64GenNextP", (1u << 5) | 4u); }
void BM_CntpHRoutine(benchmark::State& st) {
  run_handler(st, "VecU16SCountP", (1u << 10) | (2u << 5) | 4u);
}
// Library path.
void BM_AndsLibrary(benchmark::State& st) { run_handler(st, "VecPAndFlgPPZ", kLogicFields); }
void BM_NandLibrary(benchmark::State& st) { run_handler(st, "VecPNandPPZ", kLogicFields); }
void BM_WhileleBLibrary(benchmark::State& st) { run_handler(st, "VecS8While8LESS", kWhileFields); }
void BM_PtruesSLibrary(benchmark::State& st) { run_handler(st, "VecP32TrueFlgI", (31u << 5) | 4u); }
void BM_CtermeqLibrary(benchmark::State& st) {
  run_handler(st, "VecU64CTermEQ", (2u << 16) | (1u << 5));
}

BENCHMARK(BM_AndRoutine);
BENCHMARK(BM_BrkpbsRoutine);
BENCHMARK(BM_WhileltBRoutine);
BENCHMARK(BM_PnextDRoutine);
BENCHMARK(BM_CntpHRoutine);
BENCHMARK(BM_AndsLibrary);
BENCHMARK(BM_NandLibrary);
BENCHMARK(BM_WhileleBLibrary);
BENCHMARK(BM_PtruesSLibrary);
BENCHMARK(BM_CtermeqLibrary);

}  // namespace

BENCHMARK_MAIN();
