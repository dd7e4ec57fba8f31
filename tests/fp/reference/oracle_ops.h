// The scalar instructions that the Kalt64 oracle runs, shared by the oracle
// program and the host-side comparison. Each entry is X(id, result, text):
// floating-point sources sit in d1, d2, d3 (h1, s1 ... for narrower forms)
// and an integer source in x1; the result is read from v0 (F), x0 (G) or the
// condition flags (N). XF(id, result, max_fbits, text) entries take an fbits
// immediate, written #%[fb] in the text.
#ifndef QRX_TESTS_FP_REFERENCE_ORACLE_OPS_H
#define QRX_TESTS_FP_REFERENCE_ORACLE_OPS_H

#include <cstdint>

#define QRX_ORACLE_WIDTHS3(X, id, result, mnemonic)            \
  X(id##_H, result, mnemonic " h0, h1, h2")                    \
  X(id##_S, result, mnemonic " s0, s1, s2")                    \
  X(id##_D, result, mnemonic " d0, d1, d2")
#define QRX_ORACLE_WIDTHS2(X, id, result, mnemonic)            \
  X(id##_H, result, mnemonic " h0, h1")                        \
  X(id##_S, result, mnemonic " s0, s1")                        \
  X(id##_D, result, mnemonic " d0, d1")
#define QRX_ORACLE_WIDTHS4(X, id, mnemonic)                    \
  X(id##_H, F, mnemonic " h0, h1, h2, h3")                     \
  X(id##_S, F, mnemonic " s0, s1, s2, s3")                     \
  X(id##_D, F, mnemonic " d0, d1, d2, d3")
#define QRX_ORACLE_CMP(X, id, mnemonic)                        \
  X(id##_H, N, mnemonic " h1, h2")                             \
  X(id##_S, N, mnemonic " s1, s2")                             \
  X(id##_D, N, mnemonic " d1, d2")
// Float to integer: every source and target register width.
#define QRX_ORACLE_TOINT(X, id, mnemonic)                      \
  X(id##_H16, F, mnemonic " h0, h1")                           \
  X(id##_H32, G, mnemonic " w0, h1")                           \
  X(id##_H64, G, mnemonic " x0, h1")                           \
  X(id##_S32, G, mnemonic " w0, s1")                           \
  X(id##_S64, G, mnemonic " x0, s1")                           \
  X(id##_D32, G, mnemonic " w0, d1")                           \
  X(id##_D64, G, mnemonic " x0, d1")
#define QRX_ORACLE_FROMINT(X, id, mnemonic)                    \
  X(id##_16H, F, mnemonic " h0, h1")                           \
  X(id##_32H, F, mnemonic " h0, w1")                           \
  X(id##_64H, F, mnemonic " h0, x1")                           \
  X(id##_32S, F, mnemonic " s0, w1")                           \
  X(id##_64S, F, mnemonic " s0, x1")                           \
  X(id##_32D, F, mnemonic " d0, w1")                           \
  X(id##_64D, F, mnemonic " d0, x1")
#define QRX_ORACLE_TOFIX(XF, id, mnemonic)                     \
  XF(id##_H16, F, 16, mnemonic " h0, h1, #%[fb]")              \
  XF(id##_H32, G, 32, mnemonic " w0, h1, #%[fb]")              \
  XF(id##_H64, G, 64, mnemonic " x0, h1, #%[fb]")              \
  XF(id##_S32, G, 32, mnemonic " w0, s1, #%[fb]")              \
  XF(id##_S64, G, 64, mnemonic " x0, s1, #%[fb]")              \
  XF(id##_D32, G, 32, mnemonic " w0, d1, #%[fb]")              \
  XF(id##_D64, G, 64, mnemonic " x0, d1, #%[fb]")
#define QRX_ORACLE_FROMFIX(XF, id, mnemonic)                   \
  XF(id##_16H, F, 16, mnemonic " h0, h1, #%[fb]")              \
  XF(id##_32H, F, 32, mnemonic " h0, w1, #%[fb]")              \
  XF(id##_64H, F, 64, mnemonic " h0, x1, #%[fb]")              \
  XF(id##_32S, F, 32, mnemonic " s0, w1, #%[fb]")              \
  XF(id##_64S, F, 64, mnemonic " s0, x1, #%[fb]")              \
  XF(id##_32D, F, 32, mnemonic " d0, w1, #%[fb]")              \
  XF(id##_64D, F, 64, mnemonic " d0, x1, #%[fb]")

#define QRX_ORACLE_OPS(X)                                      \
  QRX_ORACLE_WIDTHS3(X, FADD, F, "fadd")                       \
  QRX_ORACLE_WIDTHS3(X, FSUB, F, "fsub")                       \
  QRX_ORACLE_WIDTHS3(X, FMUL, F, "fmul")                       \
  QRX_ORACLE_WIDTHS3(X, FDIV, F, "fdiv")                       \
  QRX_ORACLE_WIDTHS3(X, FMULX, F, "fmulx")                     \
  QRX_ORACLE_WIDTHS3(X, FMAX, F, "fmax")                       \
  QRX_ORACLE_WIDTHS3(X, FMIN, F, "fmin")                       \
  QRX_ORACLE_WIDTHS3(X, FMAXNM, F, "fmaxnm")                   \
  QRX_ORACLE_WIDTHS3(X, FMINNM, F, "fminnm")                   \
  QRX_ORACLE_WIDTHS3(X, FRECPS, F, "frecps")                   \
  QRX_ORACLE_WIDTHS3(X, FRSQRTS, F, "frsqrts")                 \
  QRX_ORACLE_WIDTHS3(X, FCMEQ, F, "fcmeq")                     \
  QRX_ORACLE_WIDTHS3(X, FCMGE, F, "fcmge")                     \
  QRX_ORACLE_WIDTHS3(X, FCMGT, F, "fcmgt")                     \
  QRX_ORACLE_WIDTHS3(X, FACGE, F, "facge")                     \
  QRX_ORACLE_WIDTHS3(X, FACGT, F, "facgt")                     \
  QRX_ORACLE_CMP(X, FCMP, "fcmp")                              \
  QRX_ORACLE_CMP(X, FCMPE, "fcmpe")                            \
  QRX_ORACLE_WIDTHS4(X, FMADD, "fmadd")                        \
  QRX_ORACLE_WIDTHS4(X, FMSUB, "fmsub")                        \
  QRX_ORACLE_WIDTHS4(X, FNMADD, "fnmadd")                      \
  QRX_ORACLE_WIDTHS4(X, FNMSUB, "fnmsub")                      \
  QRX_ORACLE_WIDTHS2(X, FSQRT, F, "fsqrt")                     \
  QRX_ORACLE_WIDTHS2(X, FRECPE, F, "frecpe")                   \
  QRX_ORACLE_WIDTHS2(X, FRSQRTE, F, "frsqrte")                 \
  QRX_ORACLE_WIDTHS2(X, FRECPX, F, "frecpx")                   \
  QRX_ORACLE_WIDTHS2(X, FRINTN, F, "frintn")                   \
  QRX_ORACLE_WIDTHS2(X, FRINTP, F, "frintp")                   \
  QRX_ORACLE_WIDTHS2(X, FRINTM, F, "frintm")                   \
  QRX_ORACLE_WIDTHS2(X, FRINTZ, F, "frintz")                   \
  QRX_ORACLE_WIDTHS2(X, FRINTA, F, "frinta")                   \
  QRX_ORACLE_WIDTHS2(X, FRINTX, F, "frintx")                   \
  QRX_ORACLE_WIDTHS2(X, FRINTI, F, "frinti")                   \
  X(FCVT_HS, F, "fcvt s0, h1")                                 \
  X(FCVT_HD, F, "fcvt d0, h1")                                 \
  X(FCVT_SH, F, "fcvt h0, s1")                                 \
  X(FCVT_SD, F, "fcvt d0, s1")                                 \
  X(FCVT_DH, F, "fcvt h0, d1")                                 \
  X(FCVT_DS, F, "fcvt s0, d1")                                 \
  X(FCVTXN_DS, F, "fcvtxn s0, d1")                             \
  QRX_ORACLE_TOINT(X, FCVTNS, "fcvtns")                        \
  QRX_ORACLE_TOINT(X, FCVTNU, "fcvtnu")                        \
  QRX_ORACLE_TOINT(X, FCVTPS, "fcvtps")                        \
  QRX_ORACLE_TOINT(X, FCVTPU, "fcvtpu")                        \
  QRX_ORACLE_TOINT(X, FCVTMS, "fcvtms")                        \
  QRX_ORACLE_TOINT(X, FCVTMU, "fcvtmu")                        \
  QRX_ORACLE_TOINT(X, FCVTZS, "fcvtzs")                        \
  QRX_ORACLE_TOINT(X, FCVTZU, "fcvtzu")                        \
  QRX_ORACLE_TOINT(X, FCVTAS, "fcvtas")                        \
  QRX_ORACLE_TOINT(X, FCVTAU, "fcvtau")                        \
  QRX_ORACLE_FROMINT(X, SCVTF, "scvtf")                        \
  QRX_ORACLE_FROMINT(X, UCVTF, "ucvtf")

#define QRX_ORACLE_FIXED_OPS(XF)                               \
  QRX_ORACLE_TOFIX(XF, FCVTZS_FIX, "fcvtzs")                   \
  QRX_ORACLE_TOFIX(XF, FCVTZU_FIX, "fcvtzu")                   \
  QRX_ORACLE_FROMFIX(XF, SCVTF_FIX, "scvtf")                   \
  QRX_ORACLE_FROMFIX(XF, UCVTF_FIX, "ucvtf")

enum class OracleOp : uint32_t {
#define QRX_ORACLE_ENUM(id, result, text) id,
#define QRX_ORACLE_ENUM_FIX(id, result, max_fbits, text) id,
  QRX_ORACLE_OPS(QRX_ORACLE_ENUM) QRX_ORACLE_FIXED_OPS(QRX_ORACLE_ENUM_FIX)
#undef QRX_ORACLE_ENUM
#undef QRX_ORACLE_ENUM_FIX
  Count
};

// One case as the oracle reads it from standard input (binary, native
// layout); for fixed-point entries c is fbits.
struct OracleCase {
  uint32_t op;
  uint32_t fpcr;
  uint64_t a, b, c;
};

// The oracle's answer: the result register (v0 as 64 bits, x0, or NZCV) and
// the FPSR after the instruction.
struct OracleResult {
  uint64_t value;
  uint64_t fpsr;
};

#endif  // QRX_TESTS_FP_REFERENCE_ORACLE_OPS_H
