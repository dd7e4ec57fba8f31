// Memory for robustness runs: data regions and register files fenced by
// unmapped pages, and a memory backend that confines each thread's emulated
// accesses to the region of the window it has entered.
//
// A window (one per thread) is a fixed range below 4 GiB, so that 32-bit
// vector addresses reach it:
//
//   fence | region | fence | register file (low) | fence | register file (high) | fence | code
//
// The low register file starts right after a fence, the high one ends right
// before one, so a handler that writes or reads past either end of the
// record faults at once instead of corrupting its neighbour.
//
// The backend, for the thread's window:
//   plain reads and writes  inside the region: done; anywhere else: the
//                           access faults (delivered as the contract in
//                           guarded_memory.h asks: the run of the word ends
//                           there, execute_fenced reports it).
//   guarded reads, probes   within the region and its two fences: passed to
//                           the host backend, so reads of a fence raise a
//                           real SIGSEGV that the fault guard catches;
//                           anywhere else: unreadable, nothing touched.
#ifndef QRX_FUZZ_FENCED_MEMORY_H
#define QRX_FUZZ_FENCED_MEMORY_H

#include <cstddef>
#include <cstdint>
#include <string>

#include "qrx/state/cpu_state.h"

namespace qrx {
namespace fuzz {

constexpr uint64_t kWindowBase = 0x30000000u;
constexpr size_t kWindowStride = 0x100000;
constexpr unsigned kMaxWindows = 16;
constexpr size_t kFenceBytes = 65536;  // at least one page of any Kalt64 or host page size
constexpr size_t kRegionBytes = 32768;
constexpr unsigned kCodeSlots = 64;

struct Window {
  unsigned index;
  uint8_t* region;      // kRegionBytes, fenced on both sides
  cpu_state* low;       // starts right after a fence
  cpu_state* high;      // ends right before a fence
  unsigned int* code;   // kCodeSlots instruction slots
};

// Maps window n (0 <= n < kMaxWindows) on first use. Null, with a message,
// when its addresses are taken.
const Window* map_window(unsigned n, std::string* error);

// The calling thread's emulated accesses go to w's region from now on.
void enter_window(const Window* w);

// Installs the confining backend for the whole process (idempotent).
void install_fenced_backend();

// Executes the instruction at s->pc with execute_qrx_instruction in the
// calling thread's window. *faulted tells whether an access faulted (the
// word's run ended there; the returned code is then meaningless).
kalt64_decode_rc execute_fenced(cpu_state* s, bool* faulted);

}  // namespace fuzz
}  // namespace qrx

#endif  // QRX_FUZZ_FENCED_MEMORY_H
