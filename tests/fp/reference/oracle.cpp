// Kalt64 oracle: runs scalar floating-point instructions on the processor
// model. Reads OracleCase records from standard input until it ends and
// writes one OracleResult per case: for each case it sets FPCR, clears FPSR,
// runs the instruction and reads the result and FPSR back.
#include <cstdio>
#include <utility>

#include "tests/fp/reference/oracle_ops.h"

namespace {

#define QRX_ORACLE_MOVE_F "fmov %[r], d0"
#define QRX_ORACLE_MOVE_G "mov %[r], x0"
#define QRX_ORACLE_MOVE_N "mrs %[r], nzcv"

#define QRX_ORACLE_ASM(text, move, ...)                                              \
  asm volatile(                                                                      \
      "msr fpcr, %[ctrl]\n\tmsr fpsr, xzr\n\t"                                       \
      "fmov d1, %[a]\n\tfmov d2, %[b]\n\tfmov d3, %[c]\n\tmov x1, %[a]\n\t" text      \
      "\n\t" move "\n\tmrs %[s], fpsr\n\tmsr fpcr, xzr"                              \
      : [r] "=&r"(r), [s] "=&r"(s)                                                   \
      : [ctrl] "r"(uint64_t(k.fpcr)), [a] "r"(k.a), [b] "r"(k.b), [c] "r"(k.c)       \
        __VA_ARGS__                                                                  \
      : "x0", "x1", "v0", "v1", "v2", "v3", "cc")

#define QRX_ORACLE_FN(id, result, text)                      \
  OracleResult run_##id(const OracleCase& k) {               \
    uint64_t r, s;                                           \
    QRX_ORACLE_ASM(text, QRX_ORACLE_MOVE_##result);          \
    return {r, s};                                           \
  }
QRX_ORACLE_OPS(QRX_ORACLE_FN)

#define QRX_ORACLE_FIX_FN(id, result, max_fbits, text)                           \
  template <int FB>                                                      \
  OracleResult run_##id##_fb(const OracleCase& k) {                      \
    uint64_t r, s;                                                       \
    QRX_ORACLE_ASM(text, QRX_ORACLE_MOVE_##result, , [fb] "i"(FB));         \
    return {r, s};                                                       \
  }                                                                      \
  template <size_t... I>                                                 \
  OracleResult run_##id(const OracleCase& k, std::index_sequence<I...>) { \
    using Fn = OracleResult (*)(const OracleCase&);                      \
    static constexpr Fn table[] = {run_##id##_fb<int(I) + 1>...};        \
    return table[(k.c - 1) % sizeof...(I)](k);                           \
  }                                                                      \
  OracleResult run_##id(const OracleCase& k) {                           \
    return run_##id(k, std::make_index_sequence<max_fbits>{});           \
  }

QRX_ORACLE_FIXED_OPS(QRX_ORACLE_FIX_FN)

using Runner = OracleResult (*)(const OracleCase&);
constexpr Runner kRunners[] = {
#define QRX_ORACLE_ENTRY(id, result, text) run_##id,
#define QRX_ORACLE_ENTRY_FIX(id, result, max_fbits, text) run_##id,
    QRX_ORACLE_OPS(QRX_ORACLE_ENTRY) QRX_ORACLE_FIXED_OPS(QRX_ORACLE_ENTRY_FIX)};
static_assert(sizeof(kRunners) / sizeof(kRunners[0]) == size_t(OracleOp::Count),
              "one runner per operation");

}  // namespace

int main() {
  static OracleCase cases[4096];
  static OracleResult results[4096];
  size_t n;
  while ((n = fread(cases, sizeof(OracleCase), 4096, stdin)) > 0) {
    for (size_t i = 0; i < n; ++i) {
      results[i] = cases[i].op < uint32_t(OracleOp::Count) ? kRunners[cases[i].op](cases[i])
                                                           : OracleResult{~0ull, ~0ull};
    }
    if (fwrite(results, sizeof(OracleResult), n, stdout) != n) return 1;
  }
  return 0;
}
