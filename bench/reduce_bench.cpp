// Time per executed reduction and element-counting instruction, handler call
// included, on the start state of the cost kernels
// (/work/shared/perf/kernels.tsv, compare with `model-cost uaddv_s uqdecw`):
// routine-path and library-path forms of several element sizes.
#include <cstring>

#include "bench/kernel_bench.h"

namespace {

using qrx_bench::Kernel;

#define FORM(name) name, name
const Kernel kForms[] = {
    {FORM("VecU32AddReduceV"), 0x04812005},    // UADDV D5, P0, Z0.S          routine (uaddv_s)
    {FORM("VecU32QDecrVL8SI"), 0x04B0FFE4},    // UQDECW X4                   library (uqdecw)
    {FORM("VecS8AddReduceV"), 0x04002125},     // SADDV D5, P0, Z9.B          library
    {FORM("VecU8MaxReduceV"), 0x04092125},     // UMAXV B5, P0, Z9.B          routine
    {FORM("VecS64MinReduceV"), 0x04CA2105},    // SMINV D5, P0, Z8.D          routine
    {FORM("VecU64CountVLSI"), 0x04EFE3E3},     // CNTD X3, ALL, MUL #16       library
    {FORM("VecU8IncrVLSI"), 0x0430E3E2},       // INCB X2                     routine
    {FORM("VecU32IncrVLVI"), 0x04B0C3E1},      // INCW Z1.S                   routine
    {FORM("VecS32QIncrVLVI"), 0x04A0C3E1},     // SQINCW Z1.S                 library
    {FORM("VecU32IncrSCountPS"), 0x25AC8822},  // INCP X2, P1.S               routine
    {FORM("VecS32QIncrCountPV"), 0x25A88021},  // SQINCP Z1.S, P1.S           library
    {FORM("VecS64AddVLX"), 0x04225022},        // ADDVL X2, X2, #1            routine
};

// The kernels' start state, as far as these words read it.
void kernel_state(cpu_state* s) {
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
}

void BM_Instruction(benchmark::State& st) { qrx_bench::run_kernel(st, kForms[st.range(0)], kernel_state); }
BENCHMARK(BM_Instruction)->DenseRange(0, sizeof kForms / sizeof kForms[0] - 1);

}  // namespace

BENCHMARK_MAIN();
