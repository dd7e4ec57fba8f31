// Speed of the classifier, predicate packing and the library-path context.
#include <benchmark/benchmark.h>

#include <cstring>
#include <map>
#include <memory>

#include "qrx/decode/decode_tables.h"
#include "qrx/handlers/handler_support.h"

namespace {

uint32_t first_table_word() { return qrx::decode_tables()[0].entries[0].pattern; }
uint32_t last_table_word() {
  const qrx::DecodeTable& t = qrx::decode_tables()[qrx::kNumDecodeTables - 1];
  return t.entries[t.num_entries - 1].pattern;
}

// The QRX-looking word whose bits 31..25 occur in the most tables: the
// slowest miss the classifier can meet.
uint32_t worst_miss_word() {
  uint32_t best = 0;
  unsigned best_tables = 0;
  for (uint32_t top = 0; top < 128; ++top) {
    unsigned n = 0;
    for (unsigned t = 0; t < qrx::kNumDecodeTables; ++t) {
      const qrx::DecodeTable& tab = qrx::decode_tables()[t];
      for (unsigned e = 0; e < tab.num_entries; ++e)
        if (tab.entries[e].pattern >> 25 == top) {
          ++n;
          break;
        }
    }
    if (n > best_tables) {
      best_tables = n;
      best = top << 25;
    }
  }
  // Low bits chosen so that no entry matches.
  for (uint32_t low = 0x1FFFFFF;; --low)
    if (!is_qrx(best | low)) return best | low;
}

void BM_IsQrxHitFirstTable(benchmark::State& st) {
  uint32_t w = first_table_word();
  for (auto _ : st) benchmark::DoNotOptimize(is_qrx(w));
}
void BM_IsQrxHitLastTable(benchmark::State& st) {
  uint32_t w = last_table_word();
  for (auto _ : st) benchmark::DoNotOptimize(is_qrx(w));
}
void BM_IsQrxMissOrdinaryWord(benchmark::State& st) {
  uint32_t w = 0x8B020020;  // ADD X0, X1, X2
  for (auto _ : st) benchmark::DoNotOptimize(is_qrx(w));
}
void BM_IsQrxMissWorstCase(benchmark::State& st) {
  uint32_t w = worst_miss_word();
  for (auto _ : st) benchmark::DoNotOptimize(is_qrx(w));
}

// The plain structure for comparison: 44 ordered maps, all consulted on a miss.
void BM_OrderedMapFullMiss(benchmark::State& st) {
  std::map<int32_t, kalt64_handler> maps[qrx::kNumDecodeTables];
  for (unsigned t = 0; t < qrx::kNumDecodeTables; ++t) {
    const qrx::DecodeTable& tab = qrx::decode_tables()[t];
    for (unsigned e = 0; e < tab.num_entries; ++e)
      maps[t].emplace(tab.entries[e].key, tab.entries[e].handler);
  }
  uint32_t w = worst_miss_word();
  for (auto _ : st) {
    kalt64_handler h = nullptr;
    for (unsigned t = 0; t < qrx::kNumDecodeTables && !h; ++t) {
      auto it = maps[t].find(qrx::decode_key(qrx::decode_tables()[t], w));
      if (it != maps[t].end()) h = it->second;
    }
    benchmark::DoNotOptimize(h);
  }
}

void BM_PackPredicate(benchmark::State& st) {
  uint8_t unpacked[qrx::kPredicateBytes];
  for (unsigned j = 0; j < qrx::kPredicateBytes; ++j) unpacked[j] = (j * 7 >> 2) & 1;
  for (auto _ : st) {
    benchmark::DoNotOptimize(unpacked);
    PredV p = qrx::pack_predicate(unpacked);
    benchmark::DoNotOptimize(p);
  }
}
void BM_UnpackPredicate(benchmark::State& st) {
  PredV p{{0x0123456789ABCDEFULL, 0xFEDCBA9876543210ULL, 0xFFFF, 0}};
  uint8_t unpacked[qrx::kPredicateBytes];
  for (auto _ : st) {
    benchmark::DoNotOptimize(p);
    qrx::unpack_predicate(p, unpacked);
    benchmark::DoNotOptimize(unpacked);
  }
}
void BM_LibraryPathContext(benchmark::State& st) {
  auto s = std::make_unique<cpu_state>();
  std::memset(s.get(), 0, sizeof(cpu_state));
  for (auto _ : st) {
    qrx::library_path(s.get(), [](CpuContext* ctx) { benchmark::DoNotOptimize(ctx); });
    benchmark::ClobberMemory();
  }
}

BENCHMARK(BM_IsQrxHitFirstTable);
BENCHMARK(BM_IsQrxHitLastTable);
BENCHMARK(BM_IsQrxMissOrdinaryWord);
BENCHMARK(BM_IsQrxMissWorstCase);
BENCHMARK(BM_OrderedMapFullMiss);
BENCHMARK(BM_PackPredicate);
BENCHMARK(BM_UnpackPredicate);
BENCHMARK(BM_LibraryPathContext);

}  // namespace

BENCHMARK_MAIN();
