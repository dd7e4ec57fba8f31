// Helpers shared by the floating-point unit tests: control words and a
// result-plus-flags record that prints in hex when a comparison fails.
#ifndef QRX_TESTS_FP_FP_TEST_UTIL_H
#define QRX_TESTS_FP_FP_TEST_UTIL_H

#include <cstdint>
#include <ostream>

#include "qrx/fp/fp_status.h"

namespace fptest {

constexpr uint32_t RN = 0u << 22, RP = 1u << 22, RM = 2u << 22, RZ = 3u << 22;
constexpr uint32_t FZ = FPSCR::FZ, DN = FPSCR::DN, FZ16 = FPSCR::FZ16, AHP = FPSCR::AHP;
constexpr uint32_t IOC = FPSCR::IOC, DZC = FPSCR::DZC, OFC = FPSCR::OFC, UFC = FPSCR::UFC,
                   IXC = FPSCR::IXC, IDC = FPSCR::IDC;

struct Outcome {
  uint64_t bits;
  uint32_t flags;
  bool operator==(const Outcome& o) const { return bits == o.bits && flags == o.flags; }
  bool operator!=(const Outcome& o) const { return !(*this == o); }
};

inline std::ostream& operator<<(std::ostream& os, const Outcome& o) {
  return os << "{0x" << std::hex << o.bits << ", flags 0x" << o.flags << std::dec << "}";
}

// Runs fn(fpscr) with a fresh FPSCR holding the control word and returns the
// result with the cumulative flags it raised.
template <typename Fn>
Outcome run(uint32_t control, Fn fn) {
  FPSCR fpscr{control};
  const uint64_t bits = static_cast<uint64_t>(fn(fpscr));
  return Outcome{bits, fpscr.value & FPSCR::CumulativeFlags};
}

}  // namespace fptest

#endif  // QRX_TESTS_FP_FP_TEST_UTIL_H
