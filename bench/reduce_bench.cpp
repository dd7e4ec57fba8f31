// Time per executed reduction and element-counting instruction, handler call
// included, on the start state of the cost kernels
// (/work/shared/perf/kernels.tsv, compare with `model-cost uaddv_s uqdecw`):
// routine-path and library-path forms of several element sizes.
#include <benchmark/benchmark.h>

#include <cstring>
#include <memory>

#include "qrx/decode/decode_tables.h"

namespace {

struct Form {
  const char* name;
  uint32_t word;
};

const Form kForms[] = {
    {"VecU32AddReduceV", 0x04812005},    // UADDV D5, P0, Z0.S          routine (uaddv_s)
    {"VecU32QDecrVL8SI", 0x04B0FFE4},    // UQDECW X4                   library (uqdecw)
    {"VecS8AddReduceV", 0x04002125},     // SADDV D5, P0, Z9.B          library
    {"VecU8MaxReduceV", 0x04092125},     // UMAXV B5, P0, Z9.B          routine
    {"VecS64MinReduceV", 0x04CA2105},    // SMINV D5, P0, Z8.D          routine
    {"VecU64CountVLSI", 0x04EFE3E3},     // CNTD X3, ALL, MUL #16       library
    {"VecU8IncrVLSI", 0x0430E3E2},       // INCB X2                     routine
    {"VecU32IncrVLVI", 0x04B0C3E1},      // INCW Z1.S                   routine
    {"VecS32QIncrVLVI", 0x04A0C3E1},     // SQINCW Z1.S                 library
    {"VecU32IncrSCountPS", 0x25AC8822},  // INCP X2, P1.S               routine
    {"VecS32QIncrCountPV", 0x25A88021},  // SQINCP Z1.S, P1.S           library
    {"VecS64AddVLX", 0x04225022},        // ADDVL X2, X2, #1            routine
};

void BM_Instruction(benchmark::State& st) {
  const Form& f = kForms[st.range(0)];
  const qrx::DecodeEntry* e = qrx::find_entry(f.word);
  if (e == nullptr || std::strcmp(e->name, f.name) != 0) {
    st.SkipWithError("word does not decode to the form");
    return;
  }
  st.SetLabel(f.name);
  std::unique_ptr<cpu_state> s(new cpu_state{});
  s->x[2] = 1000;
  s->x[3] = 4;
  s->x[4] = uint64_t{1} << 40;
  std::memset(s->p[0], 1, qrx::kPredicateBytes);
  for (unsigned i = 0; i < qrx::kPredicateBytes; i += 4) s->p[1][i] = 1;
  std::memset(s->ffr, 1, qrx::kPredicateBytes);
  for (unsigned i = 0; i < qrx::kVectorBytes; i += 4) {
    s->z[0][i] = 1;
    s->z[1][i] = 2;
  }
  for (unsigned i = 0; i < qrx::kVectorBytes / 8; ++i) {
    uint64_t v = 8 * i;
    std::memcpy(s->z[8] + 8 * i, &v, 8);
  }
  for (unsigned i = 0; i < qrx::kVectorBytes; ++i) s->z[9][i] = static_cast<uint8_t>(i);
  for (auto _ : st) {
    benchmark::DoNotOptimize(e->handler(s.get(), f.word));
    benchmark::ClobberMemory();
  }
}
BENCHMARK(BM_Instruction)->DenseRange(0, sizeof kForms / sizeof kForms[0] - 1);

}  // namespace

BENCHMARK_MAIN();
