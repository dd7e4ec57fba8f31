// The element loops of the contiguous loads and stores, shared by the
// semantic routines (unpacked predicates) and the instruction library
// (packed predicates).
//
// A transfer moves the elements of one vector between a register image of
// kVectorBytes and one contiguous memory block: element i of Reg (E bytes) is
// at address + i * M, where Mem (M bytes) is the memory element. A signed Mem
// sign-extends into Reg, an unsigned one zero-extends; stores write the low
// M bytes.
//
// Memory is touched once per contiguous span, never once per element:
//   - plain loads read the bytes from the first to the last active element
//     in one plain access. A vector block (at most 256 bytes) never spans
//     more than two pages and both of them hold an active element, so this
//     access faults exactly when an element-by-element load would.
//   - stores first make sure that the pages in which their active elements
//     start can be accessed (a fault is delivered before anything is
//     written), then write each run of consecutive active elements in
//     ascending order, an element straddling into an inaccessible page
//     faulting after the elements before it are stored; they never write
//     an inactive element's bytes.
//   - first-fault and non-fault loads read as much of their block as can be
//     read (read_leading) and load the active elements that lie wholly in
//     it; the first active element that does not, straddling elements
//     included, is where the first-fault register is cleared from.
// Loads write the destination only after their last access, so a delivered
// fault leaves it as it was.
#ifndef QRX_LIBRARY_CONTIGUOUS_MEMORY_H
#define QRX_LIBRARY_CONTIGUOUS_MEMORY_H

#include <cstdint>
#include <cstring>

#include "qrx/library/guarded_memory.h"
#include "qrx/library/lib_types.h"
#include "qrx/state/cpu_state.h"
#include "qrx/state/vector_length.h"

namespace qrx {

// Element activity in either form of predicate.
inline bool elem_active(const uint8_t* unpacked, unsigned i, unsigned esize) {
  return pred_active(unpacked, i, esize);
}
inline bool elem_active(const PredV& packed, unsigned i, unsigned esize) { return packed.active(i, esize); }

// The first and last active element of `count`; false when none is active.
template <typename Pred>
bool active_range(const Pred& pg, unsigned count, unsigned esize, unsigned* first, unsigned* last) {
  unsigned f = 0;
  while (f < count && !elem_active(pg, f, esize)) ++f;
  if (f == count) return false;
  unsigned l = count - 1;
  while (!elem_active(pg, l, esize)) --l;
  *first = f;
  *last = l;
  return true;
}

// Register element i of `reg` from the memory element at `mem`, extended.
template <typename Mem, typename Reg>
inline void put_extended(uint8_t* reg, unsigned i, const uint8_t* mem) {
  Mem m;
  std::memcpy(&m, mem, sizeof m);
  Reg r = static_cast<Reg>(m);
  std::memcpy(reg + i * sizeof(Reg), &r, sizeof r);
}

// How the first active element of a load that may stop early is read.
enum class first_access {
  plain,     // first-fault: its fault is delivered like an ordinary load's
  probed,    // non-fault: nothing is ever delivered
};

// The first n elements: active ones loaded, inactive ones zero (n * E bytes
// of out).
template <typename Mem, typename Reg, typename Pred>
void load_elements(const Pred& pg, uint64_t addr, unsigned n, uint8_t* out) {
  constexpr unsigned M = sizeof(Mem), E = sizeof(Reg);
  uint8_t mem[kVectorBytes];
  unsigned f, l;
  bool any = active_range(pg, n, E, &f, &l);
  if (any) memory_backend().read(reinterpret_cast<const void*>(addr + f * M), mem + f * M, (l - f + 1) * M);
  std::memset(out, 0, n * E);
  if (!any) return;
  for (unsigned i = f; i <= l; ++i)
    if (elem_active(pg, i, E)) put_extended<Mem, Reg>(out, i, mem + i * M);
}

// LD1, LDNT1: a whole vector. `out` may be the destination register itself.
template <typename Mem, typename Reg, typename Pred>
void load_contiguous(const Pred& pg, uint64_t addr, uint8_t* out) {
  load_elements<Mem, Reg>(pg, addr, kVectorBytes / sizeof(Reg), out);
}

// LDFF1, LDNF1 on the first n elements (n * E bytes of out): loads the
// active elements up to the first one that cannot be read wholly; it and
// every later element are zero, as inactive ones are. Returns that
// element's index (n when every active element was loaded): the caller
// clears the first-fault register from its first predicate bit on.
template <typename Mem, typename Reg, typename Pred>
unsigned load_until_unreadable(const Pred& pg, uint64_t addr, unsigned n, first_access first, uint8_t* out) {
  constexpr unsigned M = sizeof(Mem), E = sizeof(Reg);
  uint8_t mem[kMaxVectorBytes];
  unsigned f, l;
  size_t got = 0;
  bool any = active_range(pg, n, E, &f, &l);
  if (any) got = read_leading(addr + f * M, mem + f * M, (l - f + 1) * M, first == first_access::plain ? M : 0);
  std::memset(out, 0, n * E);
  if (!any) return n;
  for (unsigned i = f; i <= l; ++i) {
    if (!elem_active(pg, i, E)) continue;
    if ((i - f + 1) * M > got) return i;
    put_extended<Mem, Reg>(out, i, mem + i * M);
  }
  return n;
}

// The last active element whose page a store checks before writing: the
// last active one, or the first active one that straddles a page boundary
// (the store faults there after writing the elements before it).
template <unsigned M, unsigned E, typename Pred>
unsigned checked_until(const Pred& pg, uint64_t addr, unsigned f, unsigned l) {
  const uint64_t granule = readable_granule();
  const uint64_t start = addr + f * M, end = addr + (l + 1) * M;
  uint64_t boundary = (start | (granule - 1)) + 1;
  if (boundary >= end || (boundary - addr) % M == 0) return l;
  unsigned k = static_cast<unsigned>((boundary - addr) / M);
  return elem_active(pg, k, E) ? k : l;
}

// Writes the bytes of the active elements f..l of a memory image (element i
// is the `stride` bytes at addr + i * stride, taken from mem + i * stride),
// one run of consecutive active elements at a time in ascending order, in
// pieces of whole `unit`s (write_ascending); inactive elements' bytes are
// never written. esize is the predicate's element size.
template <typename Pred>
void write_active_runs(const Pred& pg, unsigned esize, unsigned f, unsigned l, uint64_t addr, const uint8_t* mem,
                       unsigned stride, unsigned unit) {
  for (unsigned i = f; i <= l;) {
    if (!elem_active(pg, i, esize)) {
      ++i;
      continue;
    }
    unsigned end = i + 1;
    while (end <= l && elem_active(pg, end, esize)) ++end;
    write_ascending(addr + i * stride, mem + i * stride, (end - i) * stride, unit);
    i = end;
  }
}

// ST1, STNT1: the low M bytes of each active element, in ascending order.
template <typename Mem, typename Reg, typename Pred>
void store_contiguous(const Pred& pg, uint64_t addr, const uint8_t* in) {
  constexpr unsigned M = sizeof(Mem), E = sizeof(Reg), n = kVectorBytes / E;
  uint8_t mem[kVectorBytes];
  unsigned f, l;
  if (!active_range(pg, n, E, &f, &l)) return;
  fault_unless_later_pages_readable(addr + f * M, (checked_until<M, E>(pg, addr, f, l) - f) * M + 1);
  for (unsigned i = 0; i < n; ++i) std::memcpy(mem + i * M, in + i * E, M);  // little-endian low bytes
  write_active_runs(pg, E, f, l, addr, mem, M, M);
}

// LD1R: the element at addr, read once when any element is active, in every
// active element; inactive elements zero.
template <typename Mem, typename Reg, typename Pred>
void load_replicate(const Pred& pg, uint64_t addr, uint8_t* out) {
  constexpr unsigned E = sizeof(Reg), n = kVectorBytes / E;
  unsigned f, l;
  uint8_t mem[sizeof(Mem)];
  bool any = active_range(pg, n, E, &f, &l);
  if (any) memory_backend().read(reinterpret_cast<const void*>(addr), mem, sizeof mem);
  std::memset(out, 0, kVectorBytes);
  if (!any) return;
  for (unsigned i = f; i <= l; ++i)
    if (elem_active(pg, i, E)) put_extended<Mem, Reg>(out, i, mem);
}

// LD1RQ: the 16-byte block at addr, loaded under the first 16 bytes of the
// predicate, in every 16-byte segment.
template <typename Elem, typename Pred>
void load_replicate_quad(const Pred& pg, uint64_t addr, uint8_t* out) {
  uint8_t quad[16];
  load_elements<Elem, Elem>(pg, addr, 16 / sizeof(Elem), quad);
  for (unsigned s = 0; s < kSegments; ++s) std::memcpy(out + 16 * s, quad, 16);
}

}  // namespace qrx

#endif  // QRX_LIBRARY_CONTIGUOUS_MEMORY_H
