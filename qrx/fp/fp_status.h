// Floating-point status and control word, rounding directions, the mode and
// flag words, and the environment that carries them through a run of
// operations.
//
// Every routine comes in two forms. The FPEnv form reads the environment's
// mode word and adds the exceptions it raises to the environment's flag word;
// a caller running many operations under one control word (a vector
// instruction) derives the environment once and merges the flags into its
// status word once at the end. The FPSCR form runs the FPEnv form under the
// FPSCR's control bits and sets the raised cumulative flags in it. Neither
// ever clears a flag.
#ifndef QRX_FP_FP_STATUS_H
#define QRX_FP_FP_STATUS_H

#include <cstdint>

// One 32-bit word laid out like the combined floating-point status/control
// register: cumulative flags in bits 0-7, control bits above.
struct FPSCR {
  uint32_t value = 0;

  static constexpr uint32_t IOC = 1u << 0;   // invalid operation
  static constexpr uint32_t DZC = 1u << 1;   // division by zero
  static constexpr uint32_t OFC = 1u << 2;   // overflow
  static constexpr uint32_t UFC = 1u << 3;   // underflow
  static constexpr uint32_t IXC = 1u << 4;   // inexact
  static constexpr uint32_t IDC = 1u << 7;   // input denormal flushed
  static constexpr uint32_t FZ16 = 1u << 19;
  static constexpr uint32_t RModeShift = 22;
  static constexpr uint32_t RModeMask = 3u << RModeShift;
  static constexpr uint32_t FZ = 1u << 24;
  static constexpr uint32_t DN = 1u << 25;
  static constexpr uint32_t AHP = 1u << 26;
  static constexpr uint32_t CumulativeFlags = IOC | DZC | OFC | UFC | IXC | IDC;
};

// Rounding directions. 0-3 coincide with the RMode field.
enum class FPRounding : int {
  TieEven = 0,
  PosInf = 1,
  NegInf = 2,
  Zero = 3,
  TieAway = 4,
  Odd = 5,
};

// Mode word bits.
constexpr int FP_MODE_RMODE = 3;
constexpr int FP_MODE_FZ = 4;
constexpr int FP_MODE_DN = 8;
constexpr int FP_MODE_AHP = 16;  // set only by conversions to half
constexpr int FP_MODE_FZ16 = 32;

// Flag word bits: the FPSCR bit positions of the cumulative flags.
constexpr int FP_FLAG_IOC = 1;
constexpr int FP_FLAG_DZC = 2;
constexpr int FP_FLAG_OFC = 4;
constexpr int FP_FLAG_UFC = 8;
constexpr int FP_FLAG_IXC = 16;
constexpr int FP_FLAG_IDC = 128;

// The mode word of a control word: RMode, FZ, DN and FZ16 (not AHP).
constexpr int fp_mode_from_control(uint32_t control) {
  return static_cast<int>(((control >> 22) & 0xF) | (((control >> 19) & 1) << 5));
}
inline int fp_mode_from_fpscr(const FPSCR& fpscr) { return fp_mode_from_control(fpscr.value); }

// The rounding direction of a mode word: its RMode bits.
constexpr FPRounding fp_mode_rounding(int mode) { return FPRounding(mode & FP_MODE_RMODE); }

// A status word with the cumulative flags of a flag word set; nothing is
// cleared, and no other bit of the flag word gets in.
constexpr uint32_t fp_status_with_flags(uint32_t status, int flags) {
  return status | (static_cast<uint32_t>(flags) & FPSCR::CumulativeFlags);
}

inline void fp_set_flags(FPSCR& fpscr, int flags) {
  fpscr.value = fp_status_with_flags(fpscr.value, flags);
}

// The environment of a run of operations under one control word: the mode
// word, derived once; AHP, which only conversions to and from half read; and
// the flag word every operation adds its exceptions to. No operation clears a
// flag: the caller merges the word into its status when the run is over.
struct FPEnv {
  int mode = 0;
  int flags = 0;
  bool ahp = false;
};

constexpr FPEnv fp_env_from_control(uint32_t control) {
  return FPEnv{fp_mode_from_control(control), 0, (control & FPSCR::AHP) != 0};
}

// Runs op(FPEnv&) under the control bits of fpscr and sets the flags it
// raised in fpscr: what every FPSCR form of a routine does.
template <typename Op>
inline auto fp_on_fpscr(FPSCR& fpscr, Op&& op) {
  FPEnv env = fp_env_from_control(fpscr.value);
  auto result = op(env);
  fp_set_flags(fpscr, env.flags);
  return result;
}

#define QRX_FP_UNPAREN(...) __VA_ARGS__

// Defines the FPSCR form of a routine from its FPEnv form, declared before it:
// Params are the routine's parameters before the status word, Args the same
// names as arguments, both in parentheses. For example
//   template <typename T> QRX_FP_FPSCR_FORM(T, FPAdd, (T a, T b), (a, b))
#define QRX_FP_FPSCR_FORM(Result, Name, Params, Args)                                      \
  inline Result Name(QRX_FP_UNPAREN Params, FPSCR& fpscr) {                                \
    return fp_on_fpscr(fpscr, [&](FPEnv& env) { return Name(QRX_FP_UNPAREN Args, env); }); \
  }

// The rounding direction selected by RMode.
inline FPRounding fp_rounding_from_fpscr(const FPSCR& fpscr) {
  return static_cast<FPRounding>((fpscr.value >> FPSCR::RModeShift) & 3);
}

#endif  // QRX_FP_FP_STATUS_H
