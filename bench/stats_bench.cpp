// Statistics update throughput: one hot instruction per thread, counted the
// way the client does (the thread's own table) and through the public entry
// (update_qrx_stats). With per-thread tables, N threads on N cores should
// give about N times one thread's items per second.
#include <benchmark/benchmark.h>

#include "qrx/decode/qrx_stats.h"

namespace {

unsigned int hot[64][16];  // one cache line per thread, apart from the others

void BM_CountOwnTable(benchmark::State& st) {
  qrx::ThreadStats* t = qrx::thread_stats_create();
  const unsigned int* pc = hot[st.thread_index() % 64];
  for (auto _ : st) qrx::count_execution(t, pc, 0x04a00000);
  st.SetItemsProcessed(st.iterations());
  qrx::thread_stats_retire(t);
}
BENCHMARK(BM_CountOwnTable)->Threads(1)->Threads(2)->Threads(8)->UseRealTime();

void BM_UpdateQrxStats(benchmark::State& st) {
  unsigned int* pc = hot[st.thread_index() % 64];
  for (auto _ : st) update_qrx_stats(pc, 0x04a00000);
  st.SetItemsProcessed(st.iterations());
}
BENCHMARK(BM_UpdateQrxStats)->Threads(1)->Threads(2)->Threads(8)->UseRealTime();

// All threads on the same instruction address.
void BM_UpdateSharedInstruction(benchmark::State& st) {
  for (auto _ : st) update_qrx_stats(hot[0], 0x04a00000);
  st.SetItemsProcessed(st.iterations());
}
BENCHMARK(BM_UpdateSharedInstruction)->Threads(1)->Threads(2)->Threads(8)->UseRealTime();

}  // namespace

BENCHMARK_MAIN();
