// Time per executed contiguous load or store, handler call included, on the
// kernels' state (/work/shared/perf's kernels.tsv: X0 a 64 KiB buffer of
// bytes i & 0xFF, X3 = 4, P0 all true, FFR all true): LD1D and ST1D on the
// routine path, LDFF1W (routine) and LDFF1H (library) first-fault loads, and
// LDNF1D (one probe of its page), and the same loads across a page end whose
// next page cannot be read.
#include <benchmark/benchmark.h>
#include <sys/mman.h>
#include <unistd.h>

#include <cstring>
#include <memory>

#include "qrx/decode/decode_tables.h"

namespace {

struct Form {
  const char* name;
  uint32_t word;
  bool at_page_end;  // X0 100 bytes before an unreadable page
};

const Form kForms[] = {
    {"VecU64CLoad8SIZ", 0xa5e0a004, false},      // LD1D {Z4.D}, P0/Z, [X0]
    {"VecU64CStore8SIZ", 0xe5e0e004, false},     // ST1D {Z4.D}, P0, [X0]
    {"VecU32CLoadFF4LSSZ", 0xa5436004, false},   // LDFF1W {Z4.S}, P0/Z, [X0, X3, LSL #2]
    {"VecU32CLoadFF2LSSZ", 0xa4c36004, false},   // LDFF1H {Z4.S}, P0/Z, [X0, X3, LSL #1]   library
    {"VecU32CLoadFF4LSSZ", 0xa5436004, true},
    {"VecU32CLoadFF2LSSZ", 0xa4c36004, true},
    {"VecU64CLoadNF8SIZ", 0xa5f0a004, false},    // LDNF1D {Z4.D}, P0/Z, [X0]: one probe
    {"VecU64CLoadNF8SIZ", 0xa5f0a004, true},
};

// The 64 KiB buffer, followed by a page that cannot be read.
uint8_t* buffer() {
  static uint8_t* b = [] {
    const size_t page = static_cast<size_t>(sysconf(_SC_PAGESIZE)), size = 65536;
    auto* m = static_cast<uint8_t*>(mmap(nullptr, size + page, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0));
    for (size_t i = 0; i < size; ++i) m[i] = static_cast<uint8_t>(i);
    mprotect(m + size, page, PROT_NONE);
    return m;
  }();
  return b;
}

void BM_Memory(benchmark::State& st) {
  const Form& f = kForms[st.range(0)];
  const qrx::DecodeEntry* e = qrx::find_entry(f.word);
  if (e == nullptr || std::strcmp(e->name, f.name) != 0) {
    st.SkipWithError("word does not decode to the form");
    return;
  }
  st.SetLabel(std::string(f.name) + (f.at_page_end ? " at a page end" : ""));
  std::unique_ptr<cpu_state> s(new cpu_state{});
  s->x[0] = reinterpret_cast<uint64_t>(buffer()) + (f.at_page_end ? 65536 - 100 - 8 : 0);
  s->x[3] = 4;
  std::memset(s->p[0], 1, qrx::kPredicateBytes);
  for (auto _ : st) {
    std::memset(s->ffr, 1, qrx::kPredicateBytes);
    benchmark::DoNotOptimize(e->handler(s.get(), f.word));
    benchmark::ClobberMemory();
  }
}
BENCHMARK(BM_Memory)->DenseRange(0, sizeof kForms / sizeof kForms[0] - 1);

}  // namespace

BENCHMARK_MAIN();
