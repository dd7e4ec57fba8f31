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

#include "qrx/library/guarded_memory.h"
#include "qrx/library/lib_types.h"
#include "qrx/state/cpu_state.h"

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
inline void library_path_effects(cpu_state* s) {
  s->nzcv &= 0xFFFFFFFFu;
  s->fpcr |= s->fpcr_extra;
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

template <typename T>
inline T elem(const uint8_t* v, unsigned i) {
  T x;
  std::memcpy(&x, v + i * sizeof(T), sizeof(T));
  return x;
}
template <typename T>
inline void set_elem(uint8_t* v, unsigned i, T x) {
  std::memcpy(v + i * sizeof(T), &x, sizeof(T));
}

// ----- Active-element views -------------------------------------------------

struct AllActive {
  bool operator()(unsigned) const { return true; }
};
// Element i of an unpacked register-file predicate (bit 0 of byte i*E).
template <typename T>
struct UnpackedActive {
  const uint8_t* pred;
  bool operator()(unsigned i) const { return pred_active(pred, i, sizeof(T)); }
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

// out[i] = active(i) ? op(a[i], rhs(i)) : a[i], for i < n: merging binary.
template <typename T, typename Active, typename Rhs, typename Op>
inline void merge_binary(uint8_t* out, unsigned n, Active active, const uint8_t* a, Rhs rhs,
                         Op op) {
  for (unsigned i = 0; i < n; ++i) {
    T x = elem<T>(a, i);
    set_elem<T>(out, i, active(i) ? static_cast<T>(op(x, rhs(i))) : x);
  }
}

// out[i] = active(i) ? op(src[i]) : keep[i], for i < n: merging unary; a
// zeroing form passes a zero vector as keep.
template <typename T, typename Active, typename Op>
inline void merge_unary(uint8_t* out, unsigned n, Active active, const uint8_t* keep,
                        const uint8_t* src, Op op) {
  for (unsigned i = 0; i < n; ++i)
    set_elem<T>(out, i, active(i) ? static_cast<T>(op(elem<T>(src, i))) : elem<T>(keep, i));
}

// out[i] = active(i) ? op(x[i], y[i], z[i]) : keep[i], for i < n.
template <typename T, typename Active, typename Op>
inline void merge_ternary(uint8_t* out, unsigned n, Active active, const uint8_t* keep,
                          const uint8_t* x, const uint8_t* y, const uint8_t* z, Op op) {
  for (unsigned i = 0; i < n; ++i)
    set_elem<T>(out, i,
                active(i) ? static_cast<T>(op(elem<T>(x, i), elem<T>(y, i), elem<T>(z, i)))
                          : elem<T>(keep, i));
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
