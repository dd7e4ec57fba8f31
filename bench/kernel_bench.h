// The loop every per-instruction benchmark shares: one instruction word run
// through its decode entry's handler on a register file prepared once, the
// kernel's label on the row. A benchmark lists its kernels and says how the
// register file starts.
#ifndef QRX_BENCH_KERNEL_BENCH_H
#define QRX_BENCH_KERNEL_BENCH_H

#include <benchmark/benchmark.h>

#include <cstdint>
#include <cstring>
#include <memory>

#include "qrx/decode/decode_tables.h"

namespace qrx_bench {

struct Kernel {
  const char* label;  // kernel name and path
  const char* form;   // the handler the word must decode to
  uint32_t word;
};

// Times k.word on a register file that `prepare` sets up once.
template <typename Prepare>
void run_kernel(benchmark::State& st, const Kernel& k, Prepare prepare) {
  const qrx::DecodeEntry* e = qrx::find_entry(k.word);
  if (e == nullptr || std::strcmp(e->name, k.form) != 0) {
    st.SkipWithError("word does not decode to the form");
    return;
  }
  st.SetLabel(k.label);
  std::unique_ptr<cpu_state> s(new cpu_state{});
  prepare(s.get());
  for (auto _ : st) {
    benchmark::DoNotOptimize(e->handler(s.get(), k.word));
    benchmark::ClobberMemory();
  }
}

}  // namespace qrx_bench

#endif  // QRX_BENCH_KERNEL_BENCH_H
