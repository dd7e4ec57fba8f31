// Floating-point status and control word, rounding directions, and the mode
// and flag words that every floating-point routine derives and collects.
//
// A routine reads its control bits from the FPSCR it is given and sets
// cumulative flag bits in it; it never clears one. Inside a routine the
// control bits travel as a compact mode word and the raised exceptions as a
// flag word, merged into the FPSCR once at the end.
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

inline int fp_mode_from_fpscr(const FPSCR& fpscr) {
  return static_cast<int>(((fpscr.value >> 22) & 0xF) | (((fpscr.value >> 19) & 1) << 5));
}

// The rounding direction of a mode word: its RMode bits.
constexpr FPRounding fp_mode_rounding(int mode) { return FPRounding(mode & FP_MODE_RMODE); }

inline void fp_set_flags(FPSCR& fpscr, int flags) {
  fpscr.value |= static_cast<uint32_t>(flags) & FPSCR::CumulativeFlags;
}

// The rounding direction selected by RMode.
inline FPRounding fp_rounding_from_fpscr(const FPSCR& fpscr) {
  return static_cast<FPRounding>((fpscr.value >> FPSCR::RModeShift) & 3);
}

#endif  // QRX_FP_FP_STATUS_H
