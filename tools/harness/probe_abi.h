// The contract between the reference probe (a Kalt64 program run on the
// reference processor model) and the host side of the harness: the fixed
// data region, the register image the probe loads and stores, and the batch
// records exchanged through the probe's standard input and output.
//
// This header is compiled by the host compiler, by the Kalt64 QRX compiler
// and (the offsets only) by the assembler of the probe's entry routine.
#ifndef QRX_HARNESS_PROBE_ABI_H
#define QRX_HARNESS_PROBE_ABI_H

// Byte offsets in the register image. Z, P and FFR follow in that order and
// are addressed in vector-length units by the entry routine, so only the
// scalar offsets and the start of Z are fixed here.
#define QRX_PROBE_OFF_X 0
#define QRX_PROBE_OFF_SP 248
#define QRX_PROBE_OFF_NZCV 256
#define QRX_PROBE_OFF_FPSR 264
#define QRX_PROBE_OFF_FPCR 272
#define QRX_PROBE_OFF_Z 288

#ifndef __ASSEMBLER__

#include <sys/mman.h>
#include <unistd.h>

#include <cstddef>
#include <cstdint>

#include "qrx/state/vector_length.h"

namespace qrx {
namespace harness {

// The data region: mapped at the same fixed address by the probe on the
// model and by the host side, with an unmapped guard page after it. The
// address is below 4 GiB (32-bit vector bases reach it) and clear of the
// sanitizers' shadow memory on the host.
constexpr uint64_t kRegionBase = 0x3e000000u;
constexpr size_t kRegionBytes = 32768;
constexpr size_t kGuardBytes = 65536;  // at least one page on either side
constexpr uint64_t kRegionEnd = kRegionBase + kRegionBytes;

// Packed predicate: one bit per vector byte, bit j in byte j / 8.
constexpr size_t kPackedPredBytes = kPredicateBits / 8;

// The architectural state the probe loads before and stores after a case.
struct probe_regs {
  uint64_t x[31];
  uint64_t sp;
  uint64_t nzcv;
  uint64_t fpsr;
  uint64_t fpcr;
  uint64_t pad[1];
  uint8_t z[32][kVectorBytes];
  uint8_t p[16][kPackedPredBytes];
  uint8_t ffr[kPackedPredBytes];
  uint8_t tail[(16 - (17 * kPackedPredBytes) % 16) % 16];
};
static_assert(offsetof(probe_regs, x) == QRX_PROBE_OFF_X, "probe image layout");
static_assert(offsetof(probe_regs, sp) == QRX_PROBE_OFF_SP, "probe image layout");
static_assert(offsetof(probe_regs, nzcv) == QRX_PROBE_OFF_NZCV, "probe image layout");
static_assert(offsetof(probe_regs, fpsr) == QRX_PROBE_OFF_FPSR, "probe image layout");
static_assert(offsetof(probe_regs, fpcr) == QRX_PROBE_OFF_FPCR, "probe image layout");
static_assert(offsetof(probe_regs, z) == QRX_PROBE_OFF_Z, "probe image layout");
static_assert(sizeof(probe_regs) % 16 == 0, "probe images stay 16-byte aligned in a batch");

constexpr uint32_t kProbeMagic = 0x51525850u;  // "PXRQ"

// Batch header on both streams.
struct probe_header {
  uint32_t magic;
  uint32_t vector_bytes;  // must equal the model's vector length
  uint32_t count;         // cases that follow
  uint32_t flags;         // kProbe* below
};

// The page after the region is mapped PROT_NONE for the batch instead of
// being left unmapped.
constexpr uint32_t kProbeProtNoneGuard = 1;

// Region contents of a case: kRegionFill fills the region from `mem_seed`;
// kRegionExplicit is followed by kRegionBytes of contents.
enum : uint32_t { kRegionFill = 0, kRegionExplicit = 1 };

struct probe_case {
  uint32_t word;
  uint32_t region_kind;
  uint64_t mem_seed;
  probe_regs regs;
};

// A result: the stored state, and the region (kRegionBytes follow) when the
// case changed it. `signal` is non-zero when the case faulted; then the
// registers are not meaningful.
struct probe_result {
  int32_t signal;
  uint32_t region_changed;
  uint64_t reserved;
  probe_regs regs;
};

// The region's contents for a seed: seed 0 is all zero, any other seed a
// splitmix64 stream (8 bytes per step, least significant byte first).
inline uint64_t splitmix64(uint64_t* state) {
  uint64_t z = (*state += 0x9e3779b97f4a7c15ull);
  z = (z ^ (z >> 30)) * 0xbf58476d1ce4e5b9ull;
  z = (z ^ (z >> 27)) * 0x94d049bb133111ebull;
  return z ^ (z >> 31);
}

inline void fill_region(uint64_t seed, uint8_t* mem) {
  uint64_t st = seed;
  for (size_t i = 0; i < kRegionBytes; i += 8) {
    uint64_t v = seed == 0 ? 0 : splitmix64(&st);
    for (unsigned b = 0; b < 8; ++b) mem[i + b] = static_cast<uint8_t>(v >> (8 * b));
  }
}

// Maps the data region at its fixed address and checks that the guard pages
// after it are free (they are mapped briefly, then given back, unless
// `keep_first_guard` asks for the first guard page to stay mapped PROT_NONE).
// Returns null, or what went wrong.
inline const char* map_data_region(bool keep_first_guard = false) {
  void* want = reinterpret_cast<void*>(kRegionBase);
  void* got = mmap(want, kRegionBytes, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS | MAP_FIXED_NOREPLACE, -1, 0);
  if (got != want) {
    if (got != MAP_FAILED) munmap(got, kRegionBytes);
    return "cannot map the data region at its fixed address";
  }
  void* guard = reinterpret_cast<void*>(kRegionEnd);
  void* g = mmap(guard, kGuardBytes, PROT_NONE, MAP_PRIVATE | MAP_ANONYMOUS | MAP_FIXED_NOREPLACE, -1, 0);
  if (g != guard) {
    if (g != MAP_FAILED) munmap(g, kGuardBytes);
    munmap(got, kRegionBytes);
    return "the guard pages after the data region are in use";
  }
  const size_t kept = keep_first_guard ? static_cast<size_t>(sysconf(_SC_PAGESIZE)) : 0;
  munmap(static_cast<char*>(g) + kept, kGuardBytes - kept);
  return nullptr;
}

}  // namespace harness
}  // namespace qrx

#endif  // __ASSEMBLER__
#endif  // QRX_HARNESS_PROBE_ABI_H
