// The skeletons every instruction family is written on: element access, the
// governing-predicate views, the predicated element loops, the result codes
// and the result copy, the register-file effects of the library path, and span
// access to application memory.
//
// A family's routines and library functions bind an element type and an
// element operation (a small function object) to one of these loops. The
// loops are templates over the element type, the predicate view, the
// operand reader and the operation, so each instance is a straight loop
// with no per-element size dispatch or indirect call, which the compiler
// can vectorise. The same instance serves the semantic routine (on the
// register file's bytes), the generated library-path handler (also on the
// register file's bytes) and the exported library function (on VecValue and
// PredV).
#ifndef QRX_LIBRARY_SKELETONS_H
#define QRX_LIBRARY_SKELETONS_H

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <type_traits>

#include "qrx/library/guarded_memory.h"
#include "qrx/library/lib_types.h"
#include "qrx/state/cpu_state.h"
#include "qrx/state/elements.h"

namespace qrx {

// ----- Result codes and the result copy -------------------------------------

constexpr kalt64_decode_rc kOk = KALT64_DECODE_OK;
constexpr kalt64_decode_rc kNotExecuted = KALT64_DECODE_NOT_EXECUTED;

// A whole vector result, built in a local buffer so that the destination
// may also be a source, and copied into Zd once.
struct VecResult {
  uint8_t b[kVectorBytes];
};
inline kalt64_decode_rc store_result(cpu_state* s, unsigned zd, const VecResult& r) {
  std::memcpy(s->z[zd], r.b, kVectorBytes);
  return kOk;
}

// What every library-path instruction does to the register file besides its
// result, for the forms whose operation leaves the context alone: nzcv keeps
// its low 32 bits, fpcr takes fpcr_extra in, and ffr's bytes become 0 or 1
// (the pack and unpack of an unchanged FFR).
//
// FFR's bytes are 0 or 1 in every register file the emulator builds (only
// emulated instructions write FFR, always masked to bit 0), so forms on the
// per-execution fast path may take the effects without that renormalising
// pass: library_path_flag_effects.
inline void library_path_flag_effects(cpu_state* s) {
  s->nzcv &= 0xFFFFFFFFu;
  s->fpcr |= s->fpcr_extra;
}
inline void library_path_effects(cpu_state* s) {
  library_path_flag_effects(s);
  static_assert(kPredicateBytes % 8 == 0, "whole words of predicate bytes");
  for (unsigned j = 0; j < kPredicateBytes; j += 8) {
    uint64_t v;
    std::memcpy(&v, s->ffr + j, 8);
    v &= 0x0101010101010101ULL;
    std::memcpy(s->ffr + j, &v, 8);
  }
}

// ----- Element access -------------------------------------------------------

template <typename T>
constexpr int kElemBits = 8 * static_cast<int>(sizeof(T));

// elem / set_elem: qrx/state/elements.h.

// ----- Active-element views -------------------------------------------------

struct AllActive {
  bool operator()(unsigned) const { return true; }
};
// Element i of an unpacked register-file predicate (bit 0 of byte i*E).
// That bit is bit 0 of the little-endian T at byte i*E, so the view reads
// the predicate in element-sized lanes like the vectors beside it: a
// contiguous load, not a strided byte gather, which the loops below
// vectorise into a lane mask and a blend.
template <typename T>
struct UnpackedActive {
  static_assert(__BYTE_ORDER__ == __ORDER_LITTLE_ENDIAN__, "predicate lanes are little-endian");
  const uint8_t* pred;
  bool operator()(unsigned i) const { return (elem<T>(pred, i) & 1) != 0; }
};
// The same predicate for element operations without side effects (no
// status, no fault: the integer, bitwise and move operations): a loop given
// this view computes every element and keeps the inactive ones by a lane
// mask, a branch-free loop the compiler vectorises. Operations that may
// raise status (floating point) take UnpackedActive, which never runs
// them on an inactive element.
template <typename T>
struct UnpackedLanes {
  const uint8_t* pred;
  bool operator()(unsigned i) const { return (elem<T>(pred, i) & 1) != 0; }
  // All ones for an active element, 0 for an inactive one.
  T mask(unsigned i) const { return static_cast<T>(T{0} - (elem<T>(pred, i) & 1)); }
};
// Element i of a packed library predicate.
template <typename T>
struct PackedActive {
  const PredV& pg;
  bool operator()(unsigned i) const { return pg.active(i, sizeof(T)); }
};

// ----- Second-operand readers -----------------------------------------------

template <typename T>
struct VecRhs {
  const uint8_t* v;
  T operator()(unsigned i) const { return elem<T>(v, i); }
};
// The 64-bit lane of v that overlaps element i (wide shifts, wide compares).
template <typename T>
struct WideRhs {
  const uint8_t* v;
  uint64_t operator()(unsigned i) const { return elem<uint64_t>(v, i * sizeof(T) / 8); }
};
template <typename V>
struct ImmRhs {
  V imm;
  V operator()(unsigned) const { return imm; }
};

// ----- Predicated element loops ---------------------------------------------
// Sources are read before `out` is written element by element, so callers
// pass a separate output buffer (VecResult, or a VecValue).
//
// With an UnpackedLanes or AllActive view the operation runs on every
// element and the result is blended by the lane mask; with any other view
// it runs on the active elements only.

template <typename Active>
struct EveryLane : std::false_type {};
template <>
struct EveryLane<AllActive> : std::true_type {};
template <typename T>
struct EveryLane<UnpackedLanes<T>> : std::true_type {};

// x where take is all ones, y where it is 0, bit by bit.
template <typename T>
inline T blend(T take, T x, T y) {
  return static_cast<T>(y ^ ((x ^ y) & take));
}
// The lane mask of element i under an every-lane view.
template <typename T, typename Active>
inline T lane_mask(const Active& active, unsigned i) {
  if constexpr (std::is_same<Active, AllActive>::value)
    return static_cast<T>(~T{0});
  else
    return active.mask(i);
}

// out[i] = active(i) ? op(a[i], rhs(i)) : a[i], for i < n: merging binary.
template <typename T, typename Active, typename Rhs, typename Op>
inline void merge_binary(uint8_t* out, unsigned n, Active active, const uint8_t* a, Rhs rhs,
                         Op op) {
  for (unsigned i = 0; i < n; ++i) {
    T x = elem<T>(a, i);
    if constexpr (EveryLane<Active>::value)
      set_elem<T>(out, i, blend<T>(lane_mask<T>(active, i), static_cast<T>(op(x, rhs(i))), x));
    else
      set_elem<T>(out, i, active(i) ? static_cast<T>(op(x, rhs(i))) : x);
  }
}

// out[i] = active(i) ? op(src[i]) : keep[i], for i < n: merging unary; a
// zeroing form passes a zero vector as keep.
template <typename T, typename Active, typename Op>
inline void merge_unary(uint8_t* out, unsigned n, Active active, const uint8_t* keep,
                        const uint8_t* src, Op op) {
  for (unsigned i = 0; i < n; ++i) {
    if constexpr (EveryLane<Active>::value)
      set_elem<T>(out, i,
                  blend<T>(lane_mask<T>(active, i), static_cast<T>(op(elem<T>(src, i))),
                           elem<T>(keep, i)));
    else
      set_elem<T>(out, i, active(i) ? static_cast<T>(op(elem<T>(src, i))) : elem<T>(keep, i));
  }
}

// out[i] = active(i) ? op(x[i], y[i], z[i]) : keep[i], for i < n.
template <typename T, typename Active, typename Op>
inline void merge_ternary(uint8_t* out, unsigned n, Active active, const uint8_t* keep,
                          const uint8_t* x, const uint8_t* y, const uint8_t* z, Op op) {
  for (unsigned i = 0; i < n; ++i) {
    if constexpr (EveryLane<Active>::value)
      set_elem<T>(out, i,
                  blend<T>(lane_mask<T>(active, i),
                           static_cast<T>(op(elem<T>(x, i), elem<T>(y, i), elem<T>(z, i))),
                           elem<T>(keep, i)));
    else
      set_elem<T>(out, i,
                  active(i) ? static_cast<T>(op(elem<T>(x, i), elem<T>(y, i), elem<T>(z, i)))
                            : elem<T>(keep, i));
  }
}

// ----- Application memory in spans -------------------------------------------
// One backend access per contiguous span, never one call per element.

// Reads n bytes at addr into out; a fault is the application's own.
inline void read_span(uint64_t addr, void* out, size_t n) {
  memory_backend().read(reinterpret_cast<const void*>(addr), out, n);
}
// Writes n bytes at addr from in; a fault is the application's own.
inline void write_span(uint64_t addr, const void* in, size_t n) {
  memory_backend().write(reinterpret_cast<void*>(addr), in, n);
}
// Reads n bytes at addr into out without faulting; false when any of them
// cannot be read (out is then unspecified).
inline bool try_read_span(uint64_t addr, void* out, size_t n) {
  return memory_backend().try_read(reinterpret_cast<const void*>(addr), out, n);
}

}  // namespace qrx

#endif  // QRX_LIBRARY_SKELETONS_H
