// Round to integral: truncate the significand at the binary point, round the
// integer by the given direction and pack it again with the input's sign.
#include "qrx/fp/fp_round_int.h"

#include "qrx/fp/fp_core.h"

template <typename T>
T FPRoundInt(T x, FPRounding rounding, bool exact, FPEnv& env) {
  using Fmt = fp_format<T>;
  using U = typename Fmt::work;
  const fp_unpacked<T> u = fp_unpack(x, env.mode, &env.flags);
  if (fp_is_nan(x)) return fp_process_nan(x, env.mode, &env.flags);
  if (fp_is_inf(x)) return x;
  if (!u.mnt) return fp_zero<T>(u.sign);
  if (u.exp >= Fmt::bias + Fmt::F) return x;  // already integral

  const int shift = Fmt::bias + Fmt::F - u.exp;
  U integer = fp_shift_right(U(u.mnt), shift);
  const int err = fp_truncation_error(U(u.mnt), shift);
  if (fp_rounds_up(rounding, err, integer & 1, u.sign)) ++integer;
  if (err && exact) env.flags |= FP_FLAG_IXC;
  if (!integer) return fp_zero<T>(u.sign);
  // The integer is exact in the format: the core only packs it.
  return fp_round_exact<T>(u.sign, 0, integer, FPRounding::TieEven, env.mode, &env.flags);
}

template uint16_t FPRoundInt<uint16_t>(uint16_t, FPRounding, bool, FPEnv&);
template uint32_t FPRoundInt<uint32_t>(uint32_t, FPRounding, bool, FPEnv&);
template uint64_t FPRoundInt<uint64_t>(uint64_t, FPRounding, bool, FPEnv&);
