// Differential comparison of the floating-point library with the Kalt64
// processor model: every routine with a scalar counterpart runs the same
// cases through the library and through the oracle program on the model,
// and results and cumulative flags must agree bit for bit.
//
// Cases: special values crossed with each other under every control word
// (RMode, FZ, DN, FZ16, AHP), random bit patterns, near-equal operands for
// cancellation, values near rounding and range boundaries. The number of
// random cases per routine comes from QRX_FP_REFERENCE_CASES (default 20000);
// the seed is fixed unless QRX_FP_REFERENCE_SEED is set.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <random>
#include <string>
#include <utility>
#include <vector>

#include "qrx/fp/fp.h"
#include "tests/fp/reference/oracle_ops.h"

namespace {

using Rng = std::mt19937_64;

// ---------------------------------------------------------------------------
// Routines: the library side of every oracle operation.

enum class Input {
  Float1,     // a
  Float2,     // a, b
  Float3,     // a, b, c
  Int,        // a is the integer source
  FloatFix,   // a, with c = fbits
  IntFix,     // integer a, with c = fbits
};

using LibFn = uint64_t (*)(const OracleCase&, FPSCR&);
using ViewFn = uint64_t (*)(uint64_t);

struct Routine {
  OracleOp op;
  std::string name;
  Input input;
  int width;      // float operand width, or integer source width
  int max_fbits;  // fixed-point forms
  LibFn lib;
  ViewFn view;    // what of the oracle's result register is compared
};

uint64_t identity(uint64_t v) { return v; }
// The model leaves bits above a 16-bit fixed-point result in the register.
uint64_t low16_view(uint64_t v) { return v & 0xFFFF; }
uint64_t unordered_view(uint64_t nzcv) { return (nzcv >> 28) == 3; }

FPRounding rmode(const FPSCR& s) { return fp_rounding_from_fpscr(s); }

template <typename T, T (*Fn)(T, T, FPSCR&)>
uint64_t lib2(const OracleCase& k, FPSCR& s) { return Fn(T(k.a), T(k.b), s); }

template <typename T, T (*Fn)(T, FPSCR&)>
uint64_t lib1(const OracleCase& k, FPSCR& s) { return Fn(T(k.a), s); }

template <typename T, bool (*Fn)(T, T, FPSCR&), bool Abs>
uint64_t lib_mask(const OracleCase& k, FPSCR& s) {
  const T a = Abs ? FPAbs(T(k.a)) : T(k.a), b = Abs ? FPAbs(T(k.b)) : T(k.b);
  return Fn(a, b, s) ? T(~T(0)) : T(0);
}

template <typename T, bool Signal>
uint64_t lib_fcmp(const OracleCase& k, FPSCR& s) {
  return uint64_t(FPCompare<T>(T(k.a), T(k.b), Signal, s)) << 28;
}

template <typename T>
uint64_t lib_unordered(const OracleCase& k, FPSCR& s) {
  return FPCompareUN<T>(T(k.a), T(k.b), s);
}

// Fused forms: fmadd d, n, m, a = a + n x m; the negated forms negate n
// and/or the addend.
template <typename T, bool NegProduct, bool NegAddend>
uint64_t lib_fma(const OracleCase& k, FPSCR& s) {
  const T addend = NegAddend ? FPNeg(T(k.c)) : T(k.c);
  const T n = NegProduct ? FPNeg(T(k.a)) : T(k.a);
  return FPMulAdd<T>(addend, n, T(k.b), s);
}

// FRINT with a fixed direction, or by RMode (Rounding < 0).
template <typename T, int Rounding, bool Exact>
uint64_t lib_rint(const OracleCase& k, FPSCR& s) {
  const FPRounding r = Rounding < 0 ? rmode(s) : FPRounding(Rounding);
  return FPRoundInt<T>(T(k.a), r, Exact, s);
}

template <typename From, typename To, int Rounding>
uint64_t lib_fcvt(const OracleCase& k, FPSCR& s) {
  const FPRounding r = Rounding < 0 ? rmode(s) : FPRounding(Rounding);
  return FPConvert<From, To>(From(k.a), r, s);
}

template <typename From, typename To, int Rounding, bool Unsigned, bool Fixed>
uint64_t lib_to_int(const OracleCase& k, FPSCR& s) {
  return fplibFPToFixed<From, To>(From(k.a), Fixed ? int(k.c) : 0, Unsigned, FPRounding(Rounding),
                                  s);
}

// The integer source register as the instruction reads it, extended to 64 bits.
template <int SourceBits, bool Unsigned>
uint64_t int_source(uint64_t a) {
  if constexpr (SourceBits == 64) {
    return a;
  } else {
    const uint64_t low = a & ((uint64_t(1) << SourceBits) - 1);
    const bool negative = !Unsigned && ((low >> (SourceBits - 1)) & 1);
    return negative ? low | ~((uint64_t(1) << SourceBits) - 1) : low;
  }
}

template <int SourceBits, typename To, bool Unsigned, bool Fixed>
uint64_t lib_from_int(const OracleCase& k, FPSCR& s) {
  return fplibFixedToFP<To>(int_source<SourceBits, Unsigned>(k.a), Fixed ? int(k.c) : 0, Unsigned,
                            rmode(s), s);
}

using u16 = uint16_t;
using u32 = uint32_t;
using u64 = uint64_t;

std::vector<Routine> make_routines() {
  std::vector<Routine> r;
  auto add = [&](OracleOp op, std::string name, Input input, int width, LibFn lib,
                 int max_fbits = 0, ViewFn view = identity) {
    r.push_back(Routine{op, std::move(name), input, width, max_fbits, lib, view});
  };
  // The .h, .s and .d forms of one instruction; lib(T()) is the library side
  // for the float width T.
  auto add3 = [&](OracleOp h, OracleOp s, OracleOp d, const std::string& id, Input input,
                  auto lib, ViewFn view = identity) {
    add(h, id + ".h", input, 16, lib(u16()), 0, view);
    add(s, id + ".s", input, 32, lib(u32()), 0, view);
    add(d, id + ".d", input, 64, lib(u64()), 0, view);
  };
  // add3 with the library side written in terms of the float width T.
#define QRX_REF_3(ID, INPUT, ...)                                             \
  add3(OracleOp::ID##_H, OracleOp::ID##_S, OracleOp::ID##_D, #ID, INPUT,     \
       [](auto width) -> LibFn {                                              \
         using T = decltype(width);                                           \
         return __VA_ARGS__;                                                  \
       })
  QRX_REF_3(FADD, Input::Float2, lib2<T, FPAdd<T>>);
  QRX_REF_3(FSUB, Input::Float2, lib2<T, FPSub<T>>);
  QRX_REF_3(FMUL, Input::Float2, lib2<T, FPMul<T>>);
  QRX_REF_3(FDIV, Input::Float2, lib2<T, FPDiv<T>>);
  QRX_REF_3(FMULX, Input::Float2, lib2<T, FPMulX<T>>);
  QRX_REF_3(FMAX, Input::Float2, lib2<T, FPMax<T>>);
  QRX_REF_3(FMIN, Input::Float2, lib2<T, FPMin<T>>);
  QRX_REF_3(FMAXNM, Input::Float2, lib2<T, FPMaxNum<T>>);
  QRX_REF_3(FMINNM, Input::Float2, lib2<T, FPMinNum<T>>);
  QRX_REF_3(FRECPS, Input::Float2, lib2<T, FPRecipStepFused<T>>);
  QRX_REF_3(FRSQRTS, Input::Float2, lib2<T, FPRSqrtStepFused<T>>);
  QRX_REF_3(FCMEQ, Input::Float2, lib_mask<T, FPCompareEQ<T>, false>);
  QRX_REF_3(FCMGE, Input::Float2, lib_mask<T, FPCompareGE<T>, false>);
  QRX_REF_3(FCMGT, Input::Float2, lib_mask<T, FPCompareGT<T>, false>);
  QRX_REF_3(FACGE, Input::Float2, lib_mask<T, FPCompareGE<T>, true>);
  QRX_REF_3(FACGT, Input::Float2, lib_mask<T, FPCompareGT<T>, true>);
  QRX_REF_3(FCMP, Input::Float2, lib_fcmp<T, false>);
  QRX_REF_3(FCMPE, Input::Float2, lib_fcmp<T, true>);
  add3(OracleOp::FCMP_H, OracleOp::FCMP_S, OracleOp::FCMP_D, "FCMUO", Input::Float2,
       [](auto width) -> LibFn { return lib_unordered<decltype(width)>; }, unordered_view);
  QRX_REF_3(FMADD, Input::Float3, lib_fma<T, false, false>);
  QRX_REF_3(FMSUB, Input::Float3, lib_fma<T, true, false>);
  QRX_REF_3(FNMADD, Input::Float3, lib_fma<T, true, true>);
  QRX_REF_3(FNMSUB, Input::Float3, lib_fma<T, false, true>);
  QRX_REF_3(FSQRT, Input::Float1, lib1<T, FPSqrt<T>>);
  QRX_REF_3(FRECPE, Input::Float1, lib1<T, FPRecipEstimate<T>>);
  QRX_REF_3(FRSQRTE, Input::Float1, lib1<T, FPRSqrtEstimate<T>>);
  QRX_REF_3(FRECPX, Input::Float1, lib1<T, FPRecpX<T>>);
  QRX_REF_3(FRINTN, Input::Float1, lib_rint<T, 0, false>);
  QRX_REF_3(FRINTP, Input::Float1, lib_rint<T, 1, false>);
  QRX_REF_3(FRINTM, Input::Float1, lib_rint<T, 2, false>);
  QRX_REF_3(FRINTZ, Input::Float1, lib_rint<T, 3, false>);
  QRX_REF_3(FRINTA, Input::Float1, lib_rint<T, 4, false>);
  QRX_REF_3(FRINTX, Input::Float1, lib_rint<T, -1, true>);
  QRX_REF_3(FRINTI, Input::Float1, lib_rint<T, -1, false>);
#undef QRX_REF_3
  add(OracleOp::FCVT_HS, "FCVT.h2s", Input::Float1, 16, lib_fcvt<u16, u32, -1>);
  add(OracleOp::FCVT_HD, "FCVT.h2d", Input::Float1, 16, lib_fcvt<u16, u64, -1>);
  add(OracleOp::FCVT_SH, "FCVT.s2h", Input::Float1, 32, lib_fcvt<u32, u16, -1>);
  add(OracleOp::FCVT_SD, "FCVT.s2d", Input::Float1, 32, lib_fcvt<u32, u64, -1>);
  add(OracleOp::FCVT_DH, "FCVT.d2h", Input::Float1, 64, lib_fcvt<u64, u16, -1>);
  add(OracleOp::FCVT_DS, "FCVT.d2s", Input::Float1, 64, lib_fcvt<u64, u32, -1>);
  add(OracleOp::FCVTXN_DS, "FCVTXN.d2s", Input::Float1, 64, lib_fcvt<u64, u32, 5>);
#define QRX_REF_TOINT(ID, R, U, FIX, INPUT, MAXFB)                                            \
  add(OracleOp::ID##_H16, #ID ".h2i16", INPUT, 16, lib_to_int<u16, u16, R, U, FIX>, MAXFB > 16 ? 16 : MAXFB, low16_view); \
  add(OracleOp::ID##_H32, #ID ".h2i32", INPUT, 16, lib_to_int<u16, u32, R, U, FIX>, MAXFB > 32 ? 32 : MAXFB); \
  add(OracleOp::ID##_H64, #ID ".h2i64", INPUT, 16, lib_to_int<u16, u64, R, U, FIX>, MAXFB);   \
  add(OracleOp::ID##_S32, #ID ".s2i32", INPUT, 32, lib_to_int<u32, u32, R, U, FIX>, MAXFB > 32 ? 32 : MAXFB); \
  add(OracleOp::ID##_S64, #ID ".s2i64", INPUT, 32, lib_to_int<u32, u64, R, U, FIX>, MAXFB);   \
  add(OracleOp::ID##_D32, #ID ".d2i32", INPUT, 64, lib_to_int<u64, u32, R, U, FIX>, MAXFB > 32 ? 32 : MAXFB); \
  add(OracleOp::ID##_D64, #ID ".d2i64", INPUT, 64, lib_to_int<u64, u64, R, U, FIX>, MAXFB);
  QRX_REF_TOINT(FCVTNS, 0, false, false, Input::Float1, 0)
  QRX_REF_TOINT(FCVTNU, 0, true, false, Input::Float1, 0)
  QRX_REF_TOINT(FCVTPS, 1, false, false, Input::Float1, 0)
  QRX_REF_TOINT(FCVTPU, 1, true, false, Input::Float1, 0)
  QRX_REF_TOINT(FCVTMS, 2, false, false, Input::Float1, 0)
  QRX_REF_TOINT(FCVTMU, 2, true, false, Input::Float1, 0)
  QRX_REF_TOINT(FCVTZS, 3, false, false, Input::Float1, 0)
  QRX_REF_TOINT(FCVTZU, 3, true, false, Input::Float1, 0)
  QRX_REF_TOINT(FCVTAS, 4, false, false, Input::Float1, 0)
  QRX_REF_TOINT(FCVTAU, 4, true, false, Input::Float1, 0)
  QRX_REF_TOINT(FCVTZS_FIX, 3, false, true, Input::FloatFix, 64)
  QRX_REF_TOINT(FCVTZU_FIX, 3, true, true, Input::FloatFix, 64)
#define QRX_REF_FROMINT(ID, U, FIX, INPUT, MAXFB)                                                \
  add(OracleOp::ID##_16H, #ID ".i16h", INPUT, 16, lib_from_int<16, u16, U, FIX>, MAXFB > 16 ? 16 : MAXFB); \
  add(OracleOp::ID##_32H, #ID ".i32h", INPUT, 32, lib_from_int<32, u16, U, FIX>, MAXFB > 32 ? 32 : MAXFB); \
  add(OracleOp::ID##_64H, #ID ".i64h", INPUT, 64, lib_from_int<64, u16, U, FIX>, MAXFB);         \
  add(OracleOp::ID##_32S, #ID ".i32s", INPUT, 32, lib_from_int<32, u32, U, FIX>, MAXFB > 32 ? 32 : MAXFB); \
  add(OracleOp::ID##_64S, #ID ".i64s", INPUT, 64, lib_from_int<64, u32, U, FIX>, MAXFB);         \
  add(OracleOp::ID##_32D, #ID ".i32d", INPUT, 32, lib_from_int<32, u64, U, FIX>, MAXFB > 32 ? 32 : MAXFB); \
  add(OracleOp::ID##_64D, #ID ".i64d", INPUT, 64, lib_from_int<64, u64, U, FIX>, MAXFB);
  QRX_REF_FROMINT(SCVTF, false, false, Input::Int, 0)
  QRX_REF_FROMINT(UCVTF, true, false, Input::Int, 0)
  QRX_REF_FROMINT(SCVTF_FIX, false, true, Input::IntFix, 64)
  QRX_REF_FROMINT(UCVTF_FIX, true, true, Input::IntFix, 64)
  return r;
}

const std::vector<Routine>& routines() {
  static const std::vector<Routine> r = make_routines();
  return r;
}

// ---------------------------------------------------------------------------
// Case generation.

struct Format {
  int e, f, bias;
  uint64_t sign() const { return uint64_t(1) << (e + f); }
  uint64_t frac_mask() const { return (uint64_t(1) << f) - 1; }
  uint64_t exp_max() const { return (uint64_t(1) << e) - 1; }
  uint64_t pack(uint64_t s, uint64_t exp, uint64_t frac) const {
    return (s ? sign() : 0) | (exp << f) | (frac & frac_mask());
  }
};

Format format_of(int width) {
  return width == 16 ? Format{5, 10, 15} : width == 32 ? Format{8, 23, 127} : Format{11, 52, 1023};
}

std::vector<uint64_t> specials(int width) {
  const Format t = format_of(width);
  const uint64_t q = uint64_t(1) << (t.f - 1), all = t.frac_mask(), top = t.exp_max();
  const uint64_t b = uint64_t(t.bias);
  const uint64_t magnitudes[] = {
      t.pack(0, 0, 0),      t.pack(0, 0, 1),           t.pack(0, 0, all),
      t.pack(0, 0, q),      t.pack(0, 1, 0),           t.pack(0, 1, 1),
      t.pack(0, b, 0),      t.pack(0, b, q),           t.pack(0, b - 1, 0),
      t.pack(0, b + 1, 0),  t.pack(0, b + 1, q),       t.pack(0, b, 1),
      t.pack(0, b, all),    t.pack(0, top - 1, all),   t.pack(0, top - 1, 0),
      t.pack(0, top, 0),    t.pack(0, top, q),         t.pack(0, top, q | 1),
      t.pack(0, top, 1),    t.pack(0, top, all ^ q),   t.pack(0, 2 * b - 1, q),
      t.pack(0, b + t.f, 1)};
  std::vector<uint64_t> v;
  for (uint64_t m : magnitudes) {
    v.push_back(m);
    v.push_back(m | t.sign());
  }
  return v;
}

// A fraction moved by one unit in the last place either way.
uint64_t near_low(uint64_t frac) { return frac + 1; }

// A float of the width drawn from a mix of value classes.
uint64_t random_float(int width, Rng& rng) {
  const Format t = format_of(width);
  const uint64_t bits = rng(), s = rng() & 1;
  const uint64_t width_mask = width == 64 ? ~0ull : (uint64_t(1) << width) - 1;
  const int top = int(t.exp_max());
  auto exp_near = [&](int centre, int spread) {
    int e = centre + int(rng() % uint64_t(2 * spread + 1)) - spread;
    return uint64_t(e < 0 ? 0 : e > top ? top : e);
  };
  switch (rng() % 8) {
    case 0: {
      const std::vector<uint64_t> sp = specials(width);
      return sp[rng() % sp.size()];
    }
    case 1:
    case 2: return bits & width_mask;
    case 3: return t.pack(s, exp_near(t.bias, 40), bits);
    case 4:  // the edges of the exponent range
      return t.pack(s, rng() & 1 ? exp_near(1, 3) : exp_near(top - 2, 2), bits);
    case 5: {  // fractions close to a rounding boundary
      const int k = int(rng() % uint64_t(t.f));
      const uint64_t low = (uint64_t(1) << k) - 1;
      uint64_t frac = bits & ~low;
      switch (rng() % 3) {
        case 0: frac |= low; break;
        case 1: frac |= uint64_t(1) << (k > 0 ? k - 1 : 0); break;
        default: break;
      }
      return t.pack(s, exp_near(t.bias, 30), frac);
    }
    default: {  // integers, halves and quarters, and their neighbours, up to past 2^64
      const int e = t.bias - 2 + int(rng() % 70);
      int kept = e - t.bias + 2;
      kept = kept < 0 ? 0 : kept > t.f ? t.f : kept;
      const uint64_t frac = kept ? (bits >> (64 - kept)) << (t.f - kept) : 0;
      return t.pack(s, uint64_t(e > top - 1 ? top - 1 : e), (rng() % 3) ? frac : near_low(frac));
    }
  }
}

// A second operand close to the first: same exponent region, a few low
// fraction bits changed, sometimes of the other sign (cancellation).
uint64_t near_float(uint64_t a, int width, Rng& rng) {
  const Format t = format_of(width);
  uint64_t b = a ^ (rng() & ((uint64_t(1) << (rng() % uint64_t(t.f + 1))) - 1));
  if (rng() & 1) b ^= t.sign();
  if (rng() % 4 == 0) b ^= uint64_t(1) << t.f;  // neighbouring binade
  return b;
}

// An addend of about the size of a x b and of the opposite sign.
uint64_t cancelling_addend(uint64_t a, uint64_t b, int width, Rng& rng) {
  const Format t = format_of(width);
  const int ea = int((a >> t.f) & t.exp_max()), eb = int((b >> t.f) & t.exp_max());
  int e = ea + eb - t.bias + int(rng() % 3) - 1;
  if (e < 0) e = 0;
  if (e > int(t.exp_max()) - 1) e = int(t.exp_max()) - 1;
  const uint64_t sign = ((a ^ b) & t.sign()) ^ t.sign();
  return sign | (uint64_t(e) << t.f) | (rng() & t.frac_mask());
}

uint64_t random_int(Rng& rng) {
  const uint64_t bits = rng();
  switch (rng() % 6) {
    case 0: return bits;
    case 1: return uint64_t(int64_t(bits % 2001) - 1000);
    case 2: {  // around a power of two
      const uint64_t p = uint64_t(1) << (rng() % 64);
      return p + (rng() % 5) - 2;
    }
    case 3: return bits >> (rng() % 64);
    case 4: return ~(bits >> (rng() % 64));
    default: {  // set bits just past a float's precision (11, 24, 53)
      static const int precision[] = {11, 12, 24, 25, 53, 54};
      const int p = precision[rng() % 6];
      const uint64_t x = (bits >> (64 - p - 2)) | 1;
      return (rng() & 1) ? x : uint64_t(0) - x;
    }
  }
}

// Control word i of the kControls combinations of RMode, FZ, DN, FZ16 and AHP.
uint32_t control_from_index(unsigned i) {
  return ((i & 3u) << 22) | ((i & 4) ? FPSCR::FZ : 0) | ((i & 8) ? FPSCR::DN : 0) |
         ((i & 16) ? FPSCR::FZ16 : 0) | ((i & 32) ? FPSCR::AHP : 0);
}
constexpr unsigned kControls = 64;

uint32_t random_control(Rng& rng) { return control_from_index(unsigned(rng())); }

void generate(const Routine& r, size_t random_cases, bool full, Rng& rng,
              std::vector<OracleCase>* out) {
  const uint32_t op = uint32_t(r.op);
  auto fbits = [&]() -> uint64_t { return r.max_fbits ? 1 + rng() % uint64_t(r.max_fbits) : 0; };
  // Special values crossed with each other.
  if (r.input == Input::Float1 || r.input == Input::FloatFix) {
    for (uint64_t a : specials(r.width))
      for (unsigned c = 0; c < kControls; ++c) out->push_back({op, control_from_index(c), a, 0, fbits()});
  } else if (r.input == Input::Float2) {
    const std::vector<uint64_t> sp = specials(r.width);
    for (uint64_t a : sp)
      for (uint64_t b : sp)
        for (unsigned c = 0; c < (full ? 8u : 1u); ++c)
          out->push_back({op, random_control(rng), a, b, 0});
  } else if (r.input == Input::Float3) {
    const std::vector<uint64_t> sp = specials(r.width);
    const size_t n = sp.size();
    const size_t triples = full ? n * n * n : 4000;
    for (size_t i = 0; i < triples; ++i) {
      const size_t j = full ? i : size_t(rng() % (n * n * n));
      out->push_back({op, random_control(rng), sp[j % n], sp[(j / n) % n], sp[j / (n * n)]});
    }
  }
  for (size_t i = 0; i < random_cases; ++i) {
    OracleCase k{op, random_control(rng), 0, 0, 0};
    switch (r.input) {
      case Input::Int:
      case Input::IntFix:
        k.a = random_int(rng);
        k.c = fbits();
        break;
      default:
        k.a = random_float(r.width, rng);
        k.b = rng() % 3 == 0 ? near_float(k.a, r.width, rng) : random_float(r.width, rng);
        k.c = r.input == Input::Float3
                  ? (rng() % 3 == 0 ? cancelling_addend(k.a, k.b, r.width, rng)
                                    : random_float(r.width, rng))
                  : fbits();
        break;
    }
    out->push_back(k);
  }
}

// ---------------------------------------------------------------------------
// Running the oracle.

size_t env_count(const char* name, size_t fallback) {
  const char* v = std::getenv(name);
  return v && *v ? size_t(std::strtoull(v, nullptr, 10)) : fallback;
}

// The case and result files are this process's own (several test runs may
// share the temporary directory) and are removed on every path.
bool run_oracle(const std::vector<OracleCase>& cases, std::vector<OracleResult>* results) {
  const std::string stem = ::testing::TempDir() + "qrx_fp_oracle_" + std::to_string(getpid());
  const std::string in = stem + "_in.bin", out = stem + "_out.bin";
  bool ok = false;
  if (FILE* f = std::fopen(in.c_str(), "wb")) {
    ok = std::fwrite(cases.data(), sizeof(OracleCase), cases.size(), f) == cases.size();
    ok = std::fclose(f) == 0 && ok;
  }
  const std::string cmd = std::string("'") + QRX_KALT64_RUN + "' '" + QRX_FP_ORACLE + "' < '" +
                          in + "' > '" + out + "'";
  ok = ok && std::system(cmd.c_str()) == 0;
  if (ok) {
    results->resize(cases.size());
    FILE* f = std::fopen(out.c_str(), "rb");
    ok = f && std::fread(results->data(), sizeof(OracleResult), cases.size(), f) == cases.size();
    if (f) std::fclose(f);
  }
  std::remove(in.c_str());
  std::remove(out.c_str());
  return ok;
}

struct Batch {
  std::vector<size_t> begin;  // first case of each routine, plus the end
  std::vector<OracleCase> cases;
  std::vector<OracleResult> results;
  bool ran = false;
};

const Batch& batch() {
  static Batch b = [] {
    Batch b;
    const size_t random_cases = env_count("QRX_FP_REFERENCE_CASES", 20000);
    const bool full = random_cases >= 100000;
    Rng rng(env_count("QRX_FP_REFERENCE_SEED", 20260601));
    for (const Routine& r : routines()) {
      b.begin.push_back(b.cases.size());
      generate(r, random_cases, full, rng, &b.cases);
    }
    b.begin.push_back(b.cases.size());
    std::printf("%zu routines, %zu cases (%zu random per routine)\n", routines().size(),
                b.cases.size(), random_cases);
    b.ran = run_oracle(b.cases, &b.results);
    return b;
  }();
  return b;
}

class FPReference : public ::testing::TestWithParam<size_t> {};

TEST_P(FPReference, MatchesModel) {
  const Batch& b = batch();
  ASSERT_TRUE(b.ran) << "the Kalt64 oracle did not run";
  const Routine& r = routines()[GetParam()];
  size_t mismatches = 0;
  for (size_t i = b.begin[GetParam()]; i < b.begin[GetParam() + 1]; ++i) {
    const OracleCase& k = b.cases[i];
    FPSCR fpscr{k.fpcr};
    const uint64_t got = r.lib(k, fpscr);
    const uint32_t got_flags = fpscr.value & FPSCR::CumulativeFlags;
    const uint64_t want = r.view(b.results[i].value);
    const uint32_t want_flags = uint32_t(b.results[i].fpsr) & FPSCR::CumulativeFlags;
    if (got == want && got_flags == want_flags) continue;
    if (++mismatches <= 8) {
      ADD_FAILURE() << r.name << std::hex << " fpcr 0x" << k.fpcr << " a 0x" << k.a << " b 0x"
                    << k.b << " c 0x" << k.c << ": library 0x" << got << " flags 0x" << got_flags
                    << ", model 0x" << want << " flags 0x" << want_flags;
    }
  }
  EXPECT_EQ(mismatches, 0u) << r.name << ": " << (b.begin[GetParam() + 1] - b.begin[GetParam()])
                            << " cases";
}

INSTANTIATE_TEST_SUITE_P(Routines, FPReference,
                         ::testing::Range(size_t(0), routines().size()),
                         [](const ::testing::TestParamInfo<size_t>& info) {
                           std::string name = routines()[info.param].name;
                           for (char& ch : name)
                             if (ch == '.') ch = '_';
                           return name;
                         });

}  // namespace
