// Time per executed integer compare and unary instruction, handler call
// included: routine-path and library-path forms, from the start state of
// ../shared/perf/kernels.tsv (P0 all true, Z0.S = 1, Z1.S = 2), so that the
// figures sit beside the reference model's cost for the same words
// (../shared/perf/model-cost). Each form's name says its path.
#include <benchmark/benchmark.h>

#include <cstring>
#include <memory>

#include "qrx/decode/decode_tables.h"

namespace {

struct Kernel {
  const char* label;  // kernel name and path
  const char* form;
  uint32_t word;
};

const Kernel kKernels[] = {
    {"cmpgt_s routine", "VecS32CmpFlgGTVVZ", 0x24818012},       // CMPGT P2.S, P0/Z, Z0.S, Z1.S
    {"cmphi_b_imm routine", "VecU8CmpFlgGTVIZ", 0x24390012},    // CMPHI P2.B, P0/Z, Z0.B, #100
    {"cmphs_b_imm library", "VecU8CmpFlgGEVIZ", 0x24390002},    // CMPHS P2.B, P0/Z, Z0.B, #100
    {"cmplt_s_wide library", "VecS32CmpFlgLTVWZ", 0x24816002},  // CMPLT P2.S, P0/Z, Z0.S, Z1.D
    {"sxth_s routine", "VecS32Extnd24VM", 0x0492a024},          // SXTH Z4.S, P0/M, Z1.S
    {"clz_s library", "VecU32ClzVM", 0x0499a024},               // CLZ Z4.S, P0/M, Z1.S
    {"cnot_b library", "VecU8NotVM", 0x041ba024},               // CNOT Z4.B, P0/M, Z1.B
};

void BM_Kernel(benchmark::State& st) {
  const Kernel& k = kKernels[st.range(0)];
  const qrx::DecodeEntry* e = qrx::find_entry(k.word);
  if (e == nullptr || std::strcmp(e->name, k.form) != 0) {
    st.SkipWithError("word does not decode to the form");
    return;
  }
  st.SetLabel(k.label);
  std::unique_ptr<cpu_state> s(new cpu_state{});
  std::memset(s->p[0], 1, qrx::kPredicateBytes);
  std::memset(s->ffr, 1, qrx::kPredicateBytes);
  for (unsigned i = 0; i < qrx::kVectorBytes / 4; ++i) {
    const uint32_t one = 1, two = 2;
    std::memcpy(s->z[0] + 4 * i, &one, 4);
    std::memcpy(s->z[1] + 4 * i, &two, 4);
  }
  // The compares write P2 and the unary forms Z4, neither a source: every
  // execution sees the same operands.
  for (auto _ : st) {
    benchmark::DoNotOptimize(e->handler(s.get(), k.word));
    benchmark::ClobberMemory();
  }
}
BENCHMARK(BM_Kernel)->DenseRange(0, sizeof kKernels / sizeof kKernels[0] - 1);

}  // namespace

BENCHMARK_MAIN();
