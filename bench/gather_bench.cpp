// Time per executed gather, scatter and structure load or store, handler call
// included, from the kernels' start state (../shared/perf/kernels.tsv: X0 a
// 64 KiB buffer of bytes i & 0xFF, P0 all true, FFR all true, Z8.D = 0, 8,
// 16, ...), so that ld1d_gather, st1d_scatter and ld2d sit beside the
// reference model's cost for the same words (tools/qrx-cost/cost-table).
// Beyond the kernels: the same accesses with Z11.D spreading the elements
// 3000 bytes apart (over 14 pages; the first-fault gather probes each page
// once), a library-path gather, and ST2D. Each label says its path.
#include <cstring>
#include <vector>

#include "bench/kernel_bench.h"

namespace {

using qrx_bench::Kernel;

const Kernel kKernels[] = {
    {"ld1d_gather routine", "VecU64Load8VSZ", 0xc5c8c004},          // LD1D {Z4.D}, P0/Z, [X0, Z8.D]
    {"ld1d spread routine", "VecU64Load8VSZ", 0xc5cbc004},          // LD1D {Z4.D}, P0/Z, [X0, Z11.D]
    {"ldff1d spread library", "VecU64LoadFF8VSZ", 0xc5cbe004},      // LDFF1D {Z4.D}, P0/Z, [X0, Z11.D]
    {"ld1w .s uxtw library", "VecU32Load4VSZ", 0x850a4404},         // LD1W {Z4.S}, P1/Z, [X0, Z10.S, UXTW]
    {"st1d_scatter routine", "VecU64Store8VSZ", 0xe588a004},        // ST1D {Z4.D}, P0, [X0, Z8.D]
    {"st1d spread routine", "VecU64Store8VSZ", 0xe58ba004},         // ST1D {Z4.D}, P0, [X0, Z11.D]
    {"ld2d routine", "VecU64E2Load8SIZ", 0xa5a0e004},               // LD2D {Z4.D, Z5.D}, P0/Z, [X0]
    {"st2d routine", "VecU64E2Store8SIZ", 0xe5b0e004},              // ST2D {Z4.D, Z5.D}, P0, [X0]
};

uint8_t* buffer() {
  static std::vector<uint8_t> b = [] {
    std::vector<uint8_t> v(65536);
    for (size_t i = 0; i < v.size(); ++i) v[i] = static_cast<uint8_t>(i);
    return v;
  }();
  return b.data();
}

void BM_Kernel(benchmark::State& st) {
  qrx_bench::run_kernel(st, kKernels[st.range(0)], [](cpu_state* s) {
    s->x[0] = reinterpret_cast<uint64_t>(buffer());
    std::memset(s->p[0], 1, qrx::kPredicateBytes);
    for (unsigned i = 0; i < qrx::kPredicateBytes; i += 4) s->p[1][i] = 1;
    std::memset(s->ffr, 1, qrx::kPredicateBytes);
    for (unsigned i = 0; i < qrx::kVectorBytes / 8; ++i) {
      const uint64_t index = 8 * i, spread = 3000 * i;
      std::memcpy(s->z[8] + 8 * i, &index, 8);
      std::memcpy(s->z[11] + 8 * i, &spread, 8);
    }
    for (unsigned i = 0; i < qrx::kVectorBytes / 4; ++i) {
      const uint32_t offset = 4 * i;
      std::memcpy(s->z[10] + 4 * i, &offset, 4);
    }
  });
}
BENCHMARK(BM_Kernel)->DenseRange(0, sizeof kKernels / sizeof kKernels[0] - 1);

}  // namespace

BENCHMARK_MAIN();
