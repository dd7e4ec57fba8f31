// Time per executed floating-point arithmetic instruction, handler call
// included, for the kernels of ../shared/perf/kernels.tsv (FMLA .D/.S/.H,
// unpredicated FADD .S, FCMGT .D) from their start state (P0 all true,
// Z2.D = 1.0, Z3.D = 2.5, FPCR = 0), so that the figures sit beside the
// reference model's cost for the same words (../shared/perf/model-cost,
// tools/qrx-cost/cost-table). Host-path and library-path twins of one
// operation show what the path costs. Each label says its path.
#include <cstring>

#include "bench/kernel_bench.h"

namespace {

using qrx_bench::Kernel;

const Kernel kKernels[] = {
    {"fmla_d library", "VecD64FMAVVVM", 0x65e30062},        // FMLA Z2.D, P0/M, Z3.D, Z3.D
    {"fmla_s library", "VecF32FMAVVVM", 0x65a30062},        // FMLA Z2.S, P0/M, Z3.S, Z3.S
    {"fmla_h library", "VecF16FMAVVVM", 0x65630062},        // FMLA Z2.H, P0/M, Z3.H, Z3.H
    {"fnmla_d host", "VecD64FNMAVVVM", 0x65e34062},         // FNMLA Z2.D, P0/M, Z3.D, Z3.D
    {"fadd_s_unpred host", "VecF32AddVVX", 0x65830044},     // FADD Z4.S, Z2.S, Z3.S
    {"fadd_h_unpred library", "VecF16AddVVX", 0x65430044},  // FADD Z4.H, Z2.H, Z3.H
    {"fcmgt_d host", "VecD64CmpGTVVZ", 0x65c34052},         // FCMGT P2.D, P0/Z, Z2.D, Z3.D
    {"facgt_d library", "VecD64AcGTVVZ", 0x65c3e052},       // FACGT P2.D, P0/Z, Z2.D, Z3.D
};

// The multiply-adds accumulate into Z2 as the kernels do; the others write
// Z4 or P2, neither a source.
void BM_Kernel(benchmark::State& st) {
  qrx_bench::run_kernel(st, kKernels[st.range(0)], [](cpu_state* s) {
    std::memset(s->p[0], 1, qrx::kPredicateBytes);
    std::memset(s->ffr, 1, qrx::kPredicateBytes);
    for (unsigned i = 0; i < qrx::kVectorBytes / 8; ++i) {
      const double one = 1.0, two_and_a_half = 2.5;
      std::memcpy(s->z[2] + 8 * i, &one, 8);
      std::memcpy(s->z[3] + 8 * i, &two_and_a_half, 8);
    }
  });
}
BENCHMARK(BM_Kernel)->DenseRange(0, sizeof kKernels / sizeof kKernels[0] - 1);

}  // namespace

BENCHMARK_MAIN();
