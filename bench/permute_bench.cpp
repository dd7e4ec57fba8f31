// Time per executed permute instruction, handler call included: the words of
// the shared cost kernels (sel_s, tbl_b, zip1_s) on the kernels' start state,
// so the figures sit beside `model-cost sel_s tbl_b zip1_s`, and the library
// path's predicate UZP2 and vector TRN1 beside their routine-path twins.
#include <cstring>

#include "bench/kernel_bench.h"

namespace {

using qrx_bench::Kernel;

#define FORM(name) name, name
const Kernel kForms[] = {
    {FORM("VecU32SelVV"), 0x05a1c404},   // sel z4.s, p1, z0.s, z1.s       routine (kernel sel_s)
    {FORM("VecU8TblVV"), 0x05293004},    // tbl z4.b, {z0.b}, z9.b         routine (kernel tbl_b)
    {FORM("VecU32Zip1VV"), 0x05a16004},  // zip1 z4.s, z0.s, z1.s          routine (kernel zip1_s)
    {FORM("VecU32Trn1VV"), 0x05a17004},  // trn1 z4.s, z0.s, z1.s          library
    {FORM("VecP8Uzp1PP"), 0x05234804},   // uzp1 p4.b, p0.b, p3.b          routine
    {FORM("VecP8Uzp2PP"), 0x05234c04},   // uzp2 p4.b, p0.b, p3.b          library
};

// The kernels' start state, as far as these words read it.
void kernel_state(cpu_state* s) {
  for (unsigned i = 0; i < qrx::kWordElems; ++i) {
    uint32_t one = 1, two = 2;
    std::memcpy(s->z[0] + 4 * i, &one, 4);
    std::memcpy(s->z[1] + 4 * i, &two, 4);
  }
  for (unsigned i = 0; i < qrx::kVectorBytes; ++i) s->z[9][i] = static_cast<uint8_t>(i);
  std::memset(s->p[0], 1, qrx::kPredicateBytes);
  std::memset(s->p[3], 1, qrx::kPredicateBytes);
  for (unsigned j = 0; j < qrx::kPredicateBytes; j += 4) s->p[1][j] = 1;
  std::memset(s->ffr, 1, qrx::kPredicateBytes);
}

void BM_Instruction(benchmark::State& st) { qrx_bench::run_kernel(st, kForms[st.range(0)], kernel_state); }
BENCHMARK(BM_Instruction)->DenseRange(0, sizeof kForms / sizeof kForms[0] - 1);

}  // namespace

BENCHMARK_MAIN();
