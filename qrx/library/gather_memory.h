// The element loops of the gathers, scatters, first-fault gathers and the
// structure loads and stores, shared by the semantic routines (unpacked
// predicates on the register file) and the instruction library (packed
// predicates, VecValue).
//
// Element addresses come from a vector (gathers, scatters) in one of the
// addressing shapes below, or from one structure block (LD2..LD4,
// ST2..ST4). All address arithmetic wraps modulo 2^64.
//
// Every loop reads its vector sources completely (the element addresses
// first) before it writes anything, and loads build the destination in a
// local buffer copied once after the last access, so the destination may be
// the offset or base vector and a delivered fault leaves it as it was.
#ifndef QRX_LIBRARY_GATHER_MEMORY_H
#define QRX_LIBRARY_GATHER_MEMORY_H

#include <cstdint>
#include <cstring>

#include "qrx/library/contiguous_memory.h"
#include "qrx/library/guarded_memory.h"
#include "qrx/library/skeletons.h"
#include "qrx/state/cpu_state.h"
#include "qrx/state/vector_length.h"

namespace qrx {
namespace gather {

// How an offset element becomes 64 bits: as it is (a 64-bit element, or a
// 32-bit one zero-extended), or from its low 32 bits sign- or zero-extended.
enum class ext { none, sxtw, uxtw };

template <typename Reg, ext X>
constexpr uint64_t extend(Reg v) {
  return X == ext::sxtw   ? static_cast<uint64_t>(int64_t{static_cast<int32_t>(static_cast<uint32_t>(v))})
         : X == ext::uxtw ? uint64_t{static_cast<uint32_t>(v)}
                          : uint64_t{v};
}

// ----- Addressing shapes ------------------------------------------------------
// Each names, for a handler word, the vector operand that holds the element
// addresses or offsets and the scalar (immediate or base register), and
// computes element i's address with the memory element size M.

// Vector plus immediate: Zn[i] (a 32-bit element zero-extended) + imm5 * M.
struct VecImm {
  static unsigned vector(uint32_t w) { return (w >> 5) & 31; }
  static uint64_t scalar(const cpu_state*, uint32_t w) { return (w >> 16) & 31; }
  template <typename Reg, unsigned M>
  static uint64_t address(const uint8_t* zn, uint64_t imm, unsigned i) {
    return uint64_t{elem<Reg>(zn, i)} + imm * M;
  }
};
// Scalar plus vector: Xn|SP + the extended Zm[i], times M when scaled.
template <ext X, bool Scaled>
struct ScalarVec {
  static unsigned vector(uint32_t w) { return (w >> 16) & 31; }
  static uint64_t scalar(const cpu_state* s, uint32_t w) { return read_xsp(s, (w >> 5) & 31); }
  template <typename Reg, unsigned M>
  static uint64_t address(const uint8_t* zm, uint64_t base, unsigned i) {
    return base + extend<Reg, X>(elem<Reg>(zm, i)) * (Scaled ? M : 1);
  }
};

// The shapes by the handlers' form letters: V vector base, S scalar base,
// a leading X sign-extends and Y zero-extends the low 32 bits of the offset,
// SV scales it by the memory element size.
using VIZ = VecImm;
using VSZ = ScalarVec<ext::none, false>;
using XVSZ = ScalarVec<ext::sxtw, false>;
using YVSZ = ScalarVec<ext::uxtw, false>;
using SVZ = ScalarVec<ext::none, true>;
using XSVZ = ScalarVec<ext::sxtw, true>;
using YSVZ = ScalarVec<ext::uxtw, true>;

constexpr unsigned kMaxElements = kMaxVectorBytes / 4;

// Addresses of the first n elements of Reg.
template <typename Reg, unsigned M, typename Shape>
inline void element_addresses(const uint8_t* v, uint64_t scalar, unsigned n, uint64_t* addr) {
  for (unsigned i = 0; i < n; ++i) addr[i] = Shape::template address<Reg, M>(v, scalar, i);
}

// ----- Gathers and scatters ---------------------------------------------------

// Pages known to be readable during one instruction, so that an access
// probes each page it touches once.
class ReadablePages {
 public:
  // Whether all m bytes at addr can be read (never faults).
  bool check(uint64_t addr, unsigned m) {
    const uint64_t first = page_of(addr), last = page_of(addr + m - 1);
    if (known(first) && known(last)) return true;
    if (readable_bytes(addr, m) < m) return false;
    note(first);
    note(last);
    return true;
  }
  void note(uint64_t page) {
    if (!known(page)) pages_[next_++ % kSlots] = page;
  }
  uint64_t page_of(uint64_t addr) const { return addr / granule_; }

 private:
  static constexpr unsigned kSlots = 4;
  bool known(uint64_t page) const {
    for (unsigned k = 0; k < kSlots && k < next_; ++k)
      if (pages_[k] == page) return true;
    return false;
  }
  uint64_t granule_ = readable_granule();
  uint64_t pages_[kSlots] = {};
  unsigned next_ = 0;
};

// ST1 scatters: the low M bytes of each active element of zt at its
// address, in ascending element order, so that of two active elements with
// one address the higher one's value remains. Inactive elements write
// nothing. zt may be v.
//
// A scatter that faults writes nothing: every page an active element
// touches, other than the page where the first active element starts, is
// checked first (one probe per page, none for a scatter within one page),
// and the fault of the first element that cannot be accessed is delivered
// before any write.
template <typename Mem, typename Reg, typename Shape, typename Pred>
void scatter_store(const Pred& pg, const uint8_t* zt, const uint8_t* v, uint64_t scalar, unsigned n) {
  constexpr unsigned M = sizeof(Mem), E = sizeof(Reg);
  uint64_t addr[kMaxElements];
  element_addresses<Reg, M, Shape>(v, scalar, n, addr);
  const MemoryBackend& mb = memory_backend();
  ReadablePages pages;
  bool first = true;
  for (unsigned i = 0; i < n; ++i) {
    if (!elem_active(pg, i, E)) continue;
    if (first) pages.note(pages.page_of(addr[i]));
    first = false;
    if (!pages.check(addr[i], M)) {
      uint8_t byte;
      mb.read(reinterpret_cast<const void*>(addr[i] + readable_bytes(addr[i], M)), &byte, 1);  // does not return
    }
  }
  for (unsigned i = 0; i < n; ++i) {
    if (!elem_active(pg, i, E)) continue;
    Mem m = static_cast<Mem>(elem<Reg>(zt, i));
    mb.write(reinterpret_cast<void*>(addr[i]), &m, M);
  }
}

// Gathers on the first n elements; `out` (n * E bytes) may be `v`. Each
// active element is the M-byte value at its address, extended into Reg,
// read in ascending element order; inactive elements are zero. No active
// element: no memory access.
//   LD1 (FirstFault false): plain reads. Returns n.
//   LDFF1 (FirstFault true): the first active element is read plainly (its
//   fault is delivered like an ordinary load's); every later active element
//   is loaded when all its bytes can be read. At the first one that cannot,
//   nothing more is read: it and every later element are zero. Returns that
//   element's index (n when every active element was loaded): the caller
//   clears the first-fault register from its first predicate bit on.
template <typename Mem, typename Reg, typename Shape, bool FirstFault, typename Pred>
unsigned gather_elements(const Pred& pg, const uint8_t* v, uint64_t scalar, unsigned n, uint8_t* out) {
  constexpr unsigned M = sizeof(Mem), E = sizeof(Reg);
  uint64_t addr[kMaxElements];
  uint8_t r[kMaxVectorBytes];
  element_addresses<Reg, M, Shape>(v, scalar, n, addr);
  std::memset(r, 0, n * E);
  const MemoryBackend& mb = memory_backend();
  ReadablePages pages;
  bool first = true;
  unsigned stop = n;
  for (unsigned i = 0; i < n; ++i) {
    if (!elem_active(pg, i, E)) continue;
    if (FirstFault && first) {
      pages.note(pages.page_of(addr[i]));
      pages.note(pages.page_of(addr[i] + M - 1));
    } else if (FirstFault && !pages.check(addr[i], M)) {
      stop = i;
      break;
    }
    first = false;
    uint8_t m[M];
    mb.read(reinterpret_cast<const void*>(addr[i]), m, M);
    put_extended<Mem, Reg>(r, i, m);
  }
  std::memcpy(out, r, n * E);
  return stop;
}
template <typename Mem, typename Reg, typename Shape, typename Pred>
void gather_load(const Pred& pg, const uint8_t* v, uint64_t scalar, unsigned n, uint8_t* out) {
  gather_elements<Mem, Reg, Shape, false>(pg, v, scalar, n, out);
}
template <typename Mem, typename Reg, typename Shape, typename Pred>
unsigned gather_first_fault(const Pred& pg, const uint8_t* v, uint64_t scalar, unsigned n, uint8_t* out) {
  return gather_elements<Mem, Reg, Shape, true>(pg, v, scalar, n, out);
}

// ----- Structure loads and stores ---------------------------------------------
// N registers of elements Elem (E bytes) and one block of N * kVectorBytes
// bytes: register r's element i is at addr + (i * N + r) * E.

// LDN: the structures of the active elements, read as one plain span from
// the first to the last active one (the block spans at most two pages and
// both hold an active element, so it faults exactly when element-by-element
// reads would); inactive elements are zero. out[r] is register r's image.
template <typename Elem, unsigned N, typename Pred>
void load_structures(const Pred& pg, uint64_t addr, uint8_t (*out)[kVectorBytes]) {
  constexpr unsigned E = sizeof(Elem), n = kVectorBytes / E, S = N * E;
  uint8_t mem[N * kVectorBytes];
  unsigned f, l;
  bool any = active_range(pg, n, E, &f, &l);
  if (any) read_span(addr + f * S, mem + f * S, (l - f + 1) * S);
  for (unsigned r = 0; r < N; ++r) std::memset(out[r], 0, kVectorBytes);
  if (!any) return;
  for (unsigned i = f; i <= l; ++i) {
    if (!elem_active(pg, i, E)) continue;
    for (unsigned r = 0; r < N; ++r) std::memcpy(out[r] + i * E, mem + i * S + r * E, E);
  }
}

// STN: the N values of each active element, in ascending address order;
// the bytes of inactive elements are never written. A store that runs into
// an inaccessible page writes what the reference model writes: when an
// active structure after the first active one straddles the page boundary,
// every element before the boundary is stored and the first element past it
// faults; otherwise the later page is checked first, and a fault there
// leaves memory unchanged. in[r] is register r.
template <typename Elem, unsigned N, typename Pred>
void store_structures(const Pred& pg, uint64_t addr, const uint8_t* const* in) {
  constexpr unsigned E = sizeof(Elem), n = kVectorBytes / E, S = N * E;
  uint8_t mem[N * kVectorBytes];
  unsigned f, l;
  if (!active_range(pg, n, E, &f, &l)) return;
  const uint64_t start = addr + f * S, boundary = (start | (readable_granule() - 1)) + 1;
  const bool splits = boundary - start < uint64_t{l + 1 - f} * S && (boundary - addr) % S != 0;
  const unsigned k = static_cast<unsigned>((boundary - addr) / S);
  if (!(splits && k > f && elem_active(pg, k, E))) fault_unless_later_pages_readable(start, (l - f) * S + 1);
  for (unsigned i = f; i <= l; ++i)
    for (unsigned r = 0; r < N; ++r) std::memcpy(mem + i * S + r * E, in[r] + i * E, E);
  write_active_runs(pg, E, f, l, addr, mem, S, E);
}

}  // namespace gather
}  // namespace qrx

#endif  // QRX_LIBRARY_GATHER_MEMORY_H
