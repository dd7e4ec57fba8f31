// Time per executed integer instruction, handler call included (what the
// client's clean call pays after its register save): routine-path and
// library-path forms of several element sizes, and the divisions.
#include <benchmark/benchmark.h>

#include <cstring>
#include <memory>

#include "qrx/decode/decode_tables.h"

namespace {

struct Form {
  const char* name;
  uint32_t word;
};

// Operand registers Z1 (Zdn/Zd), Z2 (Zm/Zn), Z3, P0, as each form lays them out.
const Form kForms[] = {
    {"VecU32AddVVM", 0x04800041},   // ADD Z1.S, P0/M, Z1.S, Z2.S      routine
    {"VecU8AddVVX", 0x04230041},    // ADD Z1.B, Z2.B, Z3.B           routine
    {"VecS16MulVVM", 0x04500041},   // MUL Z1.H, P0/M, Z1.H, Z2.H      routine
    {"VecU64AndVIX", 0x05800781},   // AND Z1.D, Z1.D, #0x5555...      routine
    {"VecS32ShrVIX", 0x04629041},   // ASR Z1.S, Z2.S, #30             routine
    {"VecS8QAddVVX", 0x04231041},   // SQADD Z1.B, Z2.B, Z3.B         library
    {"VecU16QAddVIX", 0x2565C021},  // UQADD Z1.H, Z1.H, #1           library
    {"VecU64MulHVVM", 0x04D30041},  // UMULH Z1.D, P0/M, Z1.D, Z2.D    library
    {"VecU8ShrVWM", 0x04198041},    // LSR Z1.B, P0/M, Z1.B, Z2.D      library
    {"VecS32DotVVVX", 0x44830041},  // SDOT Z1.S, Z2.B, Z3.B          library
    {"VecS32DivVVM", 0x04940041},   // SDIV Z1.S, P0/M, Z1.S, Z2.S     routine
    {"VecS64DivVVM", 0x04D40041},   // SDIV Z1.D, P0/M, Z1.D, Z2.D     routine
    {"VecU64DivVVM", 0x04D50041},   // UDIV Z1.D, P0/M, Z1.D, Z2.D     routine
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
  for (unsigned z = 0; z < 32; ++z)
    for (unsigned i = 0; i < qrx::kVectorBytes; ++i)
      s->z[z][i] = static_cast<uint8_t>(i * 37 + z + 1);
  std::memset(s->p[0], 1, qrx::kPredicateBytes);
  for (auto _ : st) {
    // Z1 is restored from a constant source each time so that repeated
    // execution neither overflows nor converges to a trivial value.
    std::memcpy(s->z[1], s->z[4], qrx::kVectorBytes);
    benchmark::DoNotOptimize(e->handler(s.get(), f.word));
    benchmark::ClobberMemory();
  }
}
BENCHMARK(BM_Instruction)->DenseRange(0, sizeof kForms / sizeof kForms[0] - 1);

// The restore alone, to subtract from the numbers above.
void BM_RestoreOnly(benchmark::State& st) {
  std::unique_ptr<cpu_state> s(new cpu_state{});
  for (auto _ : st) {
    std::memcpy(s->z[1], s->z[4], qrx::kVectorBytes);
    benchmark::ClobberMemory();
  }
}
BENCHMARK(BM_RestoreOnly);

}  // namespace

BENCHMARK_MAIN();
