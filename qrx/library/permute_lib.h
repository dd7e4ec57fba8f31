// Permutes and element moves: the element-moving algorithms shared by the
// semantic routines (register file, unpacked predicates) and the library
// functions (VecValue, PredV), the library functions' bodies (values::) and
// the binders of the family's rows (bind::).
//
// Every algorithm writes a separate output buffer after reading its sources,
// so a destination may equal any source. Elements are moved in their storage
// type T; predicate permutes move the same T-sized spans of unpacked
// predicate bytes, so one algorithm serves vectors and predicates.
#ifndef QRX_LIBRARY_PERMUTE_LIB_H
#define QRX_LIBRARY_PERMUTE_LIB_H

#include <cstdint>
#include <cstring>
#include <type_traits>

#include "qrx/decode/library_permute.h"
#include "qrx/handlers/handler_support.h"
#include "qrx/library/int_ops.h"
#include "qrx/library/lib_types.h"
#include "qrx/library/pred_pack.h"

namespace qrx {

// The 128-bit element of DUP (indexed).
struct Quad {
  uint64_t lo, hi;
};

namespace permute {

// Element i of a packed predicate is active.
template <typename T>
struct PackedOn {
  const PredV& pg;
  bool operator()(unsigned i) const { return pg.active(i, sizeof(T)); }
};

// Index of the last (first) active element below n, -1 when none is.
template <typename Active>
inline int last_active(Active active, unsigned n) {
  for (int i = static_cast<int>(n) - 1; i >= 0; --i)
    if (active(static_cast<unsigned>(i))) return i;
  return -1;
}
template <typename Active>
inline int first_active(Active active, unsigned n) {
  for (unsigned i = 0; i < n; ++i)
    if (active(i)) return static_cast<int>(i);
  return -1;
}

// The element LASTA (After) or LASTB reads: LASTB the last active one (the
// last element when none is), LASTA the one after it, wrapping to 0.
template <bool After>
inline unsigned last_index(int last, unsigned n) {
  if (!After) return last < 0 ? n - 1 : static_cast<unsigned>(last);
  unsigned next = static_cast<unsigned>(last + 1);
  return next >= n ? 0 : next;
}

template <typename T>
inline void broadcast(uint8_t* d, unsigned n, T v) {
  for (unsigned i = 0; i < n; ++i) set_elem<T>(d, i, v);
}

// d[i] = v where active, keep[i] (or 0 when zeroing) elsewhere.
template <typename T, typename Active>
inline void copy_active(uint8_t* d, const uint8_t* keep, unsigned n, Active active, T v,
                        bool zeroing) {
  const T other = zeroing ? T{0} : static_cast<T>(~T{0});
  for (unsigned i = 0; i < n; ++i)
    set_elem<T>(d, i, blend<T>(static_cast<T>(T{0} - active(i)), v,
                               static_cast<T>(elem<T>(keep, i) & other)));
}

// ZIP1 (half 0) / ZIP2 (half 1): interleave one half of a and b.
template <typename T>
inline void zip(uint8_t* d, const uint8_t* a, const uint8_t* b, unsigned n, unsigned half) {
  unsigned h = n / 2, base = half * h;
  for (unsigned k = 0; k < h; ++k) {
    set_elem<T>(d, 2 * k, elem<T>(a, base + k));
    set_elem<T>(d, 2 * k + 1, elem<T>(b, base + k));
  }
}
// UZP1 (odd 0) / UZP2 (odd 1): the even or odd elements of a, then of b.
template <typename T>
inline void uzp(uint8_t* d, const uint8_t* a, const uint8_t* b, unsigned n, unsigned odd) {
  unsigned h = n / 2;
  for (unsigned k = 0; k < h; ++k) {
    set_elem<T>(d, k, elem<T>(a, 2 * k + odd));
    set_elem<T>(d, h + k, elem<T>(b, 2 * k + odd));
  }
}
// TRN1 (odd 0) / TRN2 (odd 1): the even or odd elements of a and b, paired.
template <typename T>
inline void trn(uint8_t* d, const uint8_t* a, const uint8_t* b, unsigned n, unsigned odd) {
  for (unsigned k = 0; k + 1 < n; k += 2) {
    set_elem<T>(d, k, elem<T>(a, k + odd));
    set_elem<T>(d, k + 1, elem<T>(b, k + odd));
  }
}
template <typename T>
inline void reverse(uint8_t* d, const uint8_t* a, unsigned n) {
  for (unsigned i = 0; i < n; ++i) set_elem<T>(d, i, elem<T>(a, n - 1 - i));
}
template <typename T, typename Active>
inline void select(uint8_t* d, Active active, const uint8_t* a, const uint8_t* b, unsigned n) {
  for (unsigned i = 0; i < n; ++i)
    set_elem<T>(d, i, blend<T>(static_cast<T>(T{0} - active(i)), elem<T>(a, i), elem<T>(b, i)));
}
// d[i] = table[index[i]], 0 for an index at or past n. Without a branch:
// byte elements look up a copy of the table padded with zeros to all 256
// indices; wider ones read element 0 for an index out of range and clear it
// by the lane mask.
template <typename T>
inline void table(uint8_t* d, const uint8_t* tab, const uint8_t* index, unsigned n) {
  if constexpr (sizeof(T) == 1) {
    static_assert(kMaxVectorBytes <= 256, "a byte index reaches every byte element");
    alignas(16) uint8_t padded[256];
    std::memcpy(padded, tab, n);
    std::memset(padded + n, 0, sizeof padded - n);
#pragma GCC unroll 8
    for (unsigned i = 0; i < n; ++i) d[i] = padded[index[i]];
  } else {
    for (unsigned i = 0; i < n; ++i) {
      T j = elem<T>(index, i);
      bool in = j < n;
      T v = elem<T>(tab, in ? static_cast<unsigned>(j) : 0u);
      set_elem<T>(d, i, static_cast<T>(v & (T{0} - in)));
    }
  }
}
// Every element of d = a[index], 0 for an index at or past n.
template <typename T>
inline void dup_index(uint8_t* d, const uint8_t* a, unsigned index, unsigned n) {
  T v{};
  if (index < n) v = elem<T>(a, index);
  broadcast<T>(d, n, v);
}
// The bytes of zdn:zm from byte position pos (0 when past the vector).
inline void extract(uint8_t* d, const uint8_t* zdn, const uint8_t* zm, unsigned pos,
                    unsigned nbytes) {
  if (pos >= nbytes) pos = 0;
  std::memcpy(d, zdn + pos, nbytes - pos);
  std::memcpy(d + (nbytes - pos), zm, pos);
}
// zdn's first to last active elements, then zm's from element 0.
template <typename T, typename Active>
inline void splice(uint8_t* d, Active active, const uint8_t* zdn, const uint8_t* zm, unsigned n) {
  int first = first_active(active, n);
  int last = last_active(active, n);
  unsigned x = 0;
  if (last >= 0)
    for (int i = first; i <= last; ++i) set_elem<T>(d, x++, elem<T>(zdn, static_cast<unsigned>(i)));
  for (unsigned j = 0; x < n; ++j) set_elem<T>(d, x++, elem<T>(zm, j));
}
// The active elements in order, then zeros.
template <typename T, typename Active>
inline void compact(uint8_t* d, Active active, const uint8_t* zn, unsigned n) {
  unsigned x = 0;
  for (unsigned i = 0; i < n; ++i)
    if (active(i)) set_elem<T>(d, x++, elem<T>(zn, i));
  for (; x < n; ++x) set_elem<T>(d, x, T{0});
}
// v, then zdn's elements moved up by one.
template <typename T>
inline void insert(uint8_t* d, const uint8_t* zdn, T v, unsigned n) {
  set_elem<T>(d, 0, v);
  std::memcpy(d + sizeof(T), zdn, (n - 1) * sizeof(T));
}
// Wide element i = the extended narrow element (hi x n + i).
template <typename W, bool Signed>
inline void unpack(uint8_t* d, const uint8_t* zn, unsigned n, unsigned hi) {
  using N = std::conditional_t<sizeof(W) == 2, uint8_t,
                               std::conditional_t<sizeof(W) == 4, uint16_t, uint32_t>>;
  using SN = std::make_signed_t<N>;
  for (unsigned i = 0; i < n; ++i) {
    N x = elem<N>(zn, hi * n + i);
    set_elem<W>(d, i, Signed ? static_cast<W>(static_cast<SN>(x)) : static_cast<W>(x));
  }
}

// Element operations (merging, through merge_unary): reverse the order of
// the Unit-byte units of an element (REVB 1, REVH 2, REVW 4), and of its
// bits (RBIT).
template <unsigned Unit>
struct ReverseUnitsOp {
  static_assert(Unit == 1 || Unit == 2 || Unit == 4, "units of 1, 2 or 4 bytes");
  template <typename T>
  T operator()(T x) const {
    constexpr unsigned kBits = 8 * Unit;
    constexpr uint64_t kMask = (uint64_t{1} << kBits) - 1;
    uint64_t v = x, r = 0;
    for (unsigned k = 0; k < sizeof(T) / Unit; ++k, v >>= kBits) r = (r << kBits) | (v & kMask);
    return static_cast<T>(r);
  }
};
struct ReverseBitsOp {
  template <typename T>
  T operator()(T x) const {
    T r = 0;
    for (unsigned k = 0; k < 8 * sizeof(T); ++k) r = static_cast<T>((r << 1) | ((x >> k) & 1));
    return r;
  }
};

}  // namespace permute

// Operations named by the library rows.
struct SpliceOp {};
template <bool After>
struct ClastOp {};
template <bool After>
struct LastOp {};
template <bool Signed, unsigned Hi>
struct UnpackOp {};
template <unsigned Odd>
struct TrnOp {};
template <unsigned Odd>
struct UzpOp {};

namespace values {

template <typename T>
inline VecValue splice_values(const VecValue& zdn, const PredV& pg, const VecValue& zm,
                              const CpuContext* ctx) {
  VecValue r{};
  permute::splice<T>(r.b, permute::PackedOn<T>{pg}, zdn.b, zm.b, ctx_elements(ctx, sizeof(T)));
  return r;
}
// CLASTA/CLASTB (vector form): the element after / at the last active one
// broadcast, or zdn unchanged when none is active.
template <typename T, bool After>
inline VecValue clast_vector(const VecValue& zdn, const PredV& pg, const VecValue& zm,
                             const CpuContext* ctx) {
  unsigned n = ctx_elements(ctx, sizeof(T));
  int last = permute::last_active(permute::PackedOn<T>{pg}, n);
  if (last < 0) return zdn;
  VecValue r{};
  permute::broadcast<T>(r.b, n, zm.get<T>(permute::last_index<After>(last, n)));
  return r;
}
template <typename T, typename Op>
struct ZpzMove;
template <typename T>
struct ZpzMove<T, SpliceOp> {
  static VecValue run(const VecValue& zdn, const PredV& pg, const VecValue& zm,
                      const CpuContext* ctx) {
    return splice_values<T>(zdn, pg, zm, ctx);
  }
};
template <typename T, bool After>
struct ZpzMove<T, ClastOp<After>> {
  static VecValue run(const VecValue& zdn, const PredV& pg, const VecValue& zm,
                      const CpuContext* ctx) {
    return clast_vector<T, After>(zdn, pg, zm, ctx);
  }
};
template <typename T, typename Op>
VecValue lib_zpz_move(const VecValue& zdn, const PredV& pg, const VecValue& zm,
                      const CpuContext* ctx) {
  return ZpzMove<T, Op>::run(zdn, pg, zm, ctx);
}

// TRN1 on vectors.
template <typename T, typename Op>
VecValue lib_zzz_move(const VecValue& zn, const VecValue& zm, const CpuContext* ctx);
template <typename T, unsigned Odd>
struct ZzzOdd {
  static VecValue run(const VecValue& zn, const VecValue& zm, const CpuContext* ctx) {
    VecValue r{};
    permute::trn<T>(r.b, zn.b, zm.b, ctx_elements(ctx, sizeof(T)), Odd);
    return r;
  }
};
template <typename T, typename Op>
VecValue lib_zzz_move(const VecValue& zn, const VecValue& zm, const CpuContext* ctx) {
  static_assert(std::is_same<Op, TrnOp<0>>::value || std::is_same<Op, TrnOp<1>>::value,
                "vector TRN only");
  return ZzzOdd<T, std::is_same<Op, TrnOp<1>>::value>::run(zn, zm, ctx);
}

// UZP2, TRN1, TRN2 on predicates: the same span moves on the unpacked bytes.
template <typename T, typename Op>
struct PredMove;
template <typename T, unsigned Odd>
struct PredMove<T, TrnOp<Odd>> {
  static void run(uint8_t* d, const uint8_t* a, const uint8_t* b, unsigned n) {
    permute::trn<T>(d, a, b, n, Odd);
  }
};
template <typename T, unsigned Odd>
struct PredMove<T, UzpOp<Odd>> {
  static void run(uint8_t* d, const uint8_t* a, const uint8_t* b, unsigned n) {
    permute::uzp<T>(d, a, b, n, Odd);
  }
};
template <typename T, typename Op>
PredV lib_ppp_move(const PredV& pn, const PredV& pm, const CpuContext* ctx) {
  uint8_t a[kMaxVectorBytes], b[kMaxVectorBytes], d[kMaxVectorBytes] = {};
  for (unsigned j = 0; j < kMaxVectorBytes; j += 8) {
    uint64_t x = spread_bits_to_bytes(static_cast<unsigned>(pn.w[j >> 6] >> (j & 63)));
    uint64_t y = spread_bits_to_bytes(static_cast<unsigned>(pm.w[j >> 6] >> (j & 63)));
    std::memcpy(a + j, &x, 8);
    std::memcpy(b + j, &y, 8);
  }
  PredMove<T, Op>::run(d, a, b, ctx_elements(ctx, sizeof(T)));
  PredV r{};
  for (unsigned j = 0; j < kMaxVectorBytes; j += 8) {
    uint64_t x;
    std::memcpy(&x, d + j, 8);
    r.w[j >> 6] |= static_cast<uint64_t>(gather_byte_lsbs(x)) << (j & 63);
  }
  return r;
}

// INSR: the scalar's low element-width bits enter at element 0.
template <typename T>
VecValue lib_insr_r(const VecValue& zdn, uint64_t scalar, const CpuContext* ctx) {
  VecValue r{};
  permute::insert<T>(r.b, zdn.b, static_cast<T>(scalar), ctx_elements(ctx, sizeof(T)));
  return r;
}
template <typename T>
VecValue lib_insr_v(const VecValue& zdn, uint64_t scalar, const CpuContext* ctx) {
  return lib_insr_r<T>(zdn, scalar, ctx);
}

// CLASTA/CLASTB to a scalar: the element, or the scalar's own low element
// when no element is active; zero-extended.
template <typename T, typename Op>
struct ClastAfter;
template <typename T, bool After>
struct ClastAfter<T, ClastOp<After>> {
  static constexpr bool value = After;
};
template <typename T, typename Op>
uint64_t lib_clast_r(uint64_t rdn, const PredV& pg, const VecValue& zm, const CpuContext* ctx) {
  unsigned n = ctx_elements(ctx, sizeof(T));
  int last = permute::last_active(permute::PackedOn<T>{pg}, n);
  if (last < 0) return static_cast<T>(rdn);
  return zm.get<T>(permute::last_index<ClastAfter<T, Op>::value>(last, n));
}
template <typename T, typename Op>
uint64_t lib_clast_v(uint64_t vdn, const PredV& pg, const VecValue& zm, const CpuContext* ctx) {
  return lib_clast_r<T, Op>(vdn, pg, zm, ctx);
}
// LASTA/LASTB to a scalar.
template <typename T, typename Op>
struct LastAfter;
template <typename T, bool After>
struct LastAfter<T, LastOp<After>> {
  static constexpr bool value = After;
};
template <typename T, typename Op>
uint64_t lib_last_r(const PredV& pg, const VecValue& zn, const CpuContext* ctx) {
  unsigned n = ctx_elements(ctx, sizeof(T));
  int last = permute::last_active(permute::PackedOn<T>{pg}, n);
  return zn.get<T>(permute::last_index<LastAfter<T, Op>::value>(last, n));
}
template <typename T, typename Op>
uint64_t lib_last_v(const PredV& pg, const VecValue& zn, const CpuContext* ctx) {
  return lib_last_r<T, Op>(pg, zn, ctx);
}

template <typename T>
VecValue lib_compact(const PredV& pg, const VecValue& zn, const CpuContext* ctx) {
  VecValue r{};
  permute::compact<T>(r.b, permute::PackedOn<T>{pg}, zn.b, ctx_elements(ctx, sizeof(T)));
  return r;
}

template <typename W, typename Op>
struct Unpack;
template <typename W, bool Signed, unsigned Hi>
struct Unpack<W, UnpackOp<Signed, Hi>> {
  static void run(uint8_t* d, const uint8_t* zn, unsigned n) {
    permute::unpack<W, Signed>(d, zn, n, Hi);
  }
};
template <typename W, typename Op>
VecValue lib_unpack(const VecValue& zn, const CpuContext* ctx) {
  VecValue r{};
  Unpack<W, Op>::run(r.b, zn.b, ctx_elements(ctx, sizeof(W)));
  return r;
}

}  // namespace values

namespace bind {

// The low 64 bits of vector register n (a SIMD&FP scalar operand).
inline uint64_t read_vscalar(const cpu_state* s, unsigned n) {
  uint64_t v;
  std::memcpy(&v, s->z[n], 8);
  return v;
}
// A SIMD&FP scalar result: the low element of vector register n, every other
// byte of the register cleared.
template <typename T>
inline void write_vscalar(cpu_state* s, unsigned n, uint64_t v) {
  T x = static_cast<T>(v);
  std::memset(s->z[n], 0, kVectorBytes);
  std::memcpy(s->z[n], &x, sizeof(T));
}

// The signed 8-bit immediate of bits 12..5, shifted left by 8 when bit 13 is
// set. Byte elements have no shifted form: false, the word is not executed.
template <unsigned E>
inline bool shifted_simm8(uint32_t w, int* imm) {
  if (E == ESIZE_B && field(w, 13, 13)) return false;
  *imm = static_cast<int>(static_cast<uint32_t>(sfield(w, 12, 5)) << (field(w, 13, 13) ? 8 : 0));
  return true;
}

// ----- Routine path. Zd 4..0, Zn 9..5, Zm 20..16, Rn 9..5 -----
template <unsigned E, auto R>
kalt64_decode_rc dup_zr(cpu_state* s, unsigned w) {
  begin_routine(s, w);
  return R(s, z_operand(z_4_0(w), E), rsp_operand(r_9_5(w)));
}
template <unsigned E, auto R>
kalt64_decode_rc dup_zi(cpu_state* s, unsigned w) {
  begin_routine(s, w);
  int imm = 0;
  if (!shifted_simm8<E>(w, &imm)) return KALT64_DECODE_NOT_EXECUTED;
  return R(s, z_operand(z_4_0(w), E), imm);
}
// CPY (immediate): Pg 19..16, merging or zeroing by the row.
template <unsigned E, auto R, unsigned Kind>
kalt64_decode_rc cpy_zpi(cpu_state* s, unsigned w) {
  begin_routine(s, w);
  int imm = 0;
  if (!shifted_simm8<E>(w, &imm)) return KALT64_DECODE_NOT_EXECUTED;
  return R(s, z_operand(z_4_0(w), E), p_operand(p_19_16(w), Kind), imm);
}
template <unsigned E, auto R>
kalt64_decode_rc cpy_zpr(cpu_state* s, unsigned w) {
  begin_routine(s, w);
  return R(s, z_operand(z_4_0(w), E), p_operand(p_12_10(w), kMerging), rsp_operand(r_9_5(w)));
}
template <unsigned E, auto R>
kalt64_decode_rc cpy_zpv(cpu_state* s, unsigned w) {
  begin_routine(s, w);
  return R(s, z_operand(z_4_0(w), E), p_operand(p_12_10(w), kMerging), z_9_5(w));
}
// DUP (indexed): imm2 23..22 and tsz 20..16; the lowest set bit of tsz gives
// the element size, the bits above it and imm2 the index.
template <unsigned E, auto R>
kalt64_decode_rc dup_zzi(cpu_state* s, unsigned w) {
  begin_routine(s, w);
  unsigned index = ((field(w, 23, 22) << 5) | field(w, 20, 16)) >> (E + 1);
  return R(s, z_operand(z_4_0(w), E), z_operand(z_9_5(w), E), index);
}
template <auto R>
kalt64_decode_rc dup_zzi_q(cpu_state* s, unsigned w) {
  return dup_zzi<kalt64_z_reg::Q, R>(s, w);
}
// EXT: Zdn, Zm 9..5, byte position imm8h 20..16 : imm8l 12..10.
template <auto R>
kalt64_decode_rc ext_zzi(cpu_state* s, unsigned w) {
  begin_routine(s, w);
  return R(s, z_destructive(z_4_0(w), ESIZE_B), z_operand(z_9_5(w), ESIZE_B),
           (field(w, 20, 16) << 3) | field(w, 12, 10));
}
// SEL (vectors): Pv is the four bits 13..10.
template <unsigned E, auto R>
kalt64_decode_rc sel_zpzz(cpu_state* s, unsigned w) {
  begin_routine(s, w);
  return R(s, z_operand(z_4_0(w), E), p_operand(p_13_10(w), kalt64_p_reg::GOVERNING),
           z_operand(z_9_5(w), E), z_operand(z_20_16(w), E));
}
// CLASTB Rdn / LASTB Rd, Vd: Pg 12..10, Zm/Zn 9..5.
template <unsigned E, auto R>
kalt64_decode_rc clast_rpz(cpu_state* s, unsigned w) {
  begin_routine(s, w);
  return R(s, i_destructive(r_4_0(w), E == ESIZE_D ? kalt64_i_reg::W64 : kalt64_i_reg::W32),
           p_operand(p_12_10(w), kalt64_p_reg::GOVERNING), z_operand(z_9_5(w), E));
}
template <unsigned E, auto R>
kalt64_decode_rc last_rpz(cpu_state* s, unsigned w) {
  begin_routine(s, w);
  return R(s, i_operand(r_4_0(w), E == ESIZE_D ? kalt64_i_reg::W64 : kalt64_i_reg::W32),
           p_operand(p_12_10(w), kalt64_p_reg::GOVERNING), z_operand(z_9_5(w), E));
}
template <unsigned E, auto R>
kalt64_decode_rc last_vpz(cpu_state* s, unsigned w) {
  begin_routine(s, w);
  return R(s, z_operand(z_4_0(w), E), p_operand(p_12_10(w), kalt64_p_reg::GOVERNING),
           z_operand(z_9_5(w), E));
}
// Predicates: Pd 3..0, Pn 8..5, Pm 19..16.
template <unsigned E, auto R>
kalt64_decode_rc ppp(cpu_state* s, unsigned w) {
  begin_routine(s, w);
  return R(s, p_operand(p_3_0(w), E), p_operand(p_8_5(w), E), p_operand(p_19_16(w), E));
}
template <unsigned E, auto R>
kalt64_decode_rc pp(cpu_state* s, unsigned w) {
  begin_routine(s, w);
  return R(s, p_operand(p_3_0(w), E), p_operand(p_8_5(w), E));
}

// ----- Library path -----
// Scalar operands: a general register (31: the zero register) or a SIMD&FP
// register (its low 64 bits in, its low element out with the rest cleared).
struct GeneralScalar {
  template <typename T>
  static uint64_t read(const cpu_state* s, unsigned n) {
    return read_xzr(s, n);
  }
  template <typename T>
  static void write(cpu_state* s, unsigned n, uint64_t v) {
    write_xzr(s, n, v);
  }
};
struct VectorScalar {
  template <typename T>
  static uint64_t read(const cpu_state* s, unsigned n) {
    return read_vscalar(s, n);
  }
  template <typename T>
  static void write(cpu_state* s, unsigned n, uint64_t v) {
    write_vscalar<T>(s, n, v);
  }
};
// INSR Zdn, Rm/Vm 9..5.
template <typename T, typename Src>
kalt64_decode_rc insr_from(cpu_state* s, unsigned w) {
  return library_path(s, [&](CpuContext* ctx) {
    write_vec(
        s, z_4_0(w),
        values::lib_insr_r<T>(read_vec(s, z_4_0(w)), Src::template read<T>(s, z_9_5(w)), ctx));
  });
}
template <typename T>
kalt64_decode_rc lib_insr_r(cpu_state* s, unsigned w) {
  return insr_from<T, GeneralScalar>(s, w);
}
template <typename T>
kalt64_decode_rc lib_insr_v(cpu_state* s, unsigned w) {
  return insr_from<T, VectorScalar>(s, w);
}
// Zdn 4..0, Pg 12..10, Zm 9..5.
template <typename T, typename Op>
kalt64_decode_rc lib_zpz_move(cpu_state* s, unsigned w) {
  return library_path(s, [&](CpuContext* ctx) {
    write_vec(s, z_4_0(w),
              values::lib_zpz_move<T, Op>(read_vec(s, z_4_0(w)), read_pred(s, p_12_10(w)),
                                          read_vec(s, z_9_5(w)), ctx));
  });
}
// Zd 4..0, Zn 9..5, Zm 20..16.
template <typename T, typename Op>
kalt64_decode_rc lib_zzz_move(cpu_state* s, unsigned w) {
  return library_path(s, [&](CpuContext* ctx) {
    write_vec(s, z_4_0(w),
              values::lib_zzz_move<T, Op>(read_vec(s, z_9_5(w)), read_vec(s, z_20_16(w)), ctx));
  });
}
// Pd 3..0, Pn 8..5, Pm 19..16.
template <typename T, typename Op>
kalt64_decode_rc lib_ppp_move(cpu_state* s, unsigned w) {
  return library_path(s, [&](CpuContext* ctx) {
    write_pred(s, p_3_0(w),
               values::lib_ppp_move<T, Op>(read_pred(s, p_8_5(w)), read_pred(s, p_19_16(w)), ctx));
  });
}
// CLASTA/CLASTB Rdn/Vdn 4..0, Pg 12..10, Zm 9..5; LASTA Rd/Vd, Pg, Zn 9..5.
template <typename T, typename Op, typename Dest>
kalt64_decode_rc clast_into(cpu_state* s, unsigned w) {
  return library_path(s, [&](CpuContext* ctx) {
    Dest::template write<T>(
        s, r_4_0(w),
        values::lib_clast_r<T, Op>(Dest::template read<T>(s, r_4_0(w)), read_pred(s, p_12_10(w)),
                                   read_vec(s, z_9_5(w)), ctx));
  });
}
template <typename T, typename Op, typename Dest>
kalt64_decode_rc last_into(cpu_state* s, unsigned w) {
  return library_path(s, [&](CpuContext* ctx) {
    Dest::template write<T>(
        s, r_4_0(w),
        values::lib_last_r<T, Op>(read_pred(s, p_12_10(w)), read_vec(s, z_9_5(w)), ctx));
  });
}
template <typename T, typename Op>
kalt64_decode_rc lib_clast_r(cpu_state* s, unsigned w) {
  return clast_into<T, Op, GeneralScalar>(s, w);
}
template <typename T, typename Op>
kalt64_decode_rc lib_clast_v(cpu_state* s, unsigned w) {
  return clast_into<T, Op, VectorScalar>(s, w);
}
template <typename T, typename Op>
kalt64_decode_rc lib_last_r(cpu_state* s, unsigned w) {
  return last_into<T, Op, GeneralScalar>(s, w);
}
template <typename T, typename Op>
kalt64_decode_rc lib_last_v(cpu_state* s, unsigned w) {
  return last_into<T, Op, VectorScalar>(s, w);
}
// COMPACT Zd 4..0, Pg 12..10, Zn 9..5.
template <typename T>
kalt64_decode_rc lib_compact(cpu_state* s, unsigned w) {
  return library_path(s, [&](CpuContext* ctx) {
    write_vec(s, z_4_0(w),
              values::lib_compact<T>(read_pred(s, p_12_10(w)), read_vec(s, z_9_5(w)), ctx));
  });
}
// Zd 4..0, Zn 9..5; the element type is the wide one.
template <typename W, typename Op>
kalt64_decode_rc lib_unpack(cpu_state* s, unsigned w) {
  return library_path(s, [&](CpuContext* ctx) {
    write_vec(s, z_4_0(w), values::lib_unpack<W, Op>(read_vec(s, z_9_5(w)), ctx));
  });
}

}  // namespace bind

}  // namespace qrx

#endif  // QRX_LIBRARY_PERMUTE_LIB_H
