// Conversions between widths, to and from integers and fixed point, and
// round to integral.
#include <gtest/gtest.h>

#include <string>

#include "qrx/fp/fp_convert.h"
#include "qrx/fp/fp_format.h"
#include "qrx/fp/fp_fixed.h"
#include "qrx/fp/fp_round_int.h"
#include "tests/fp/fp_test_util.h"

using namespace fptest;

namespace {

constexpr FPRounding kTieEven = FPRounding::TieEven, kZero = FPRounding::Zero,
                     kPosInf = FPRounding::PosInf, kNegInf = FPRounding::NegInf,
                     kTieAway = FPRounding::TieAway;

TEST(FPConvert, WideningKeepsEverything) {
  // FZ16 never flushes a half source; FZ flushes a single source with IDC.
  EXPECT_EQ(run(FZ16, [](FPSCR& s) { return FPConvert<uint16_t, uint32_t>(0x0001, kTieEven, s); }),
            (Outcome{0x33800000, 0}));
  EXPECT_EQ(run(FZ, [](FPSCR& s) { return FPConvert<uint32_t, uint64_t>(0x80000001, kTieEven, s); }),
            (Outcome{0x8000000000000000u, IDC}));
  EXPECT_EQ(run(RN, [](FPSCR& s) { return FPConvert<uint32_t, uint64_t>(0x00000001, kTieEven, s); }),
            (Outcome{0x36A0000000000000u, 0}));
  EXPECT_EQ(run(RN, [](FPSCR& s) { return FPConvert<uint16_t, uint32_t>(0x7D01, kTieEven, s); }),
            (Outcome{0x7FE02000, IOC}));
  EXPECT_EQ(run(DN, [](FPSCR& s) { return FPConvert<uint16_t, uint64_t>(0xFE01, kTieEven, s); }),
            (Outcome{0x7FF8000000000000u, 0}));
  EXPECT_EQ(run(RN, [](FPSCR& s) { return FPConvert<uint16_t, uint64_t>(0xFC00, kTieEven, s); }),
            (Outcome{0xFFF0000000000000u, 0}));
  // AHP: the top half exponent is an ordinary one.
  EXPECT_EQ(run(AHP, [](FPSCR& s) { return FPConvert<uint16_t, uint32_t>(0x7C00, kTieEven, s); }),
            (Outcome{0x47800000, 0}));
  EXPECT_EQ(run(AHP, [](FPSCR& s) { return FPConvert<uint16_t, uint32_t>(0xFFFF, kTieEven, s); }),
            (Outcome{0xC7FFE000, 0}));
}

TEST(FPConvert, Narrowing) {
  struct Case {
    uint32_t control, x;
    uint16_t want;
    uint32_t flags;
  } to_half[] = {
      {RN, 0x477FF000, 0x7C00, OFC | IXC},  // 65520 overflows when rounding to nearest
      {RZ, 0x477FF000, 0x7BFF, IXC},
      {AHP, 0x47800000, 0x7C00, 0},          // 65536 in the alternative format
      {AHP, 0x7F800000, 0x7FFF, IOC},
      {AHP, 0xFFC00000, 0x8000, IOC},
      {AHP, 0x48000000, 0x7FFF, IOC},        // 131072 is beyond it
      {RN, 0x7FC02000, 0x7E01, 0},
      {RN, 0xFF802000, 0xFE01, IOC},
      {FZ, 0x00000001, 0x0000, IDC},
      {FZ16, 0x33800000, 0x0001, 0},         // half results are never flushed
      {RN, 0x33000000, 0x0000, UFC | IXC},   // half of the smallest subnormal: ties to even
      {RP, 0x33000000, 0x0001, UFC | IXC},
  };
  for (const Case& c : to_half) {
    EXPECT_EQ(run(c.control,
                  [&](FPSCR& s) {
                    return FPConvert<uint32_t, uint16_t>(
                        c.x, static_cast<FPRounding>((c.control >> 22) & 3), s);
                  }),
              (Outcome{c.want, c.flags}))
        << std::hex << c.x;
  }
  EXPECT_EQ(run(FZ, [](FPSCR& s) { return FPConvert<uint64_t, uint32_t>(0x3690000000000000u, kTieEven, s); }),
            (Outcome{0x00000000, UFC}));
  EXPECT_EQ(run(RN, [](FPSCR& s) { return FPConvert<uint64_t, uint32_t>(0x3FF0000010000000u, FPRounding::Odd, s); }),
            (Outcome{0x3F800001, IXC}));
  EXPECT_EQ(run(RN, [](FPSCR& s) { return FPConvert<uint64_t, uint32_t>(0x7FF0000020000000u, kTieEven, s); }),
            (Outcome{0x7FC00001, IOC}));
}

struct ToFixedCase {
  int from, to;  // widths
  uint32_t control;
  uint64_t x;
  int fbits;
  bool is_unsigned;
  FPRounding rounding;
  uint64_t want;
  uint32_t flags;
};

uint64_t to_fixed(const ToFixedCase& c, FPSCR& s) {
  const int fb = c.fbits;
  const bool u = c.is_unsigned;
  const FPRounding r = c.rounding;
  switch (c.from * 100 + c.to) {
    case 1616: return fplibFPToFixed<uint16_t, uint16_t>(uint16_t(c.x), fb, u, r, s);
    case 1632: return fplibFPToFixed<uint16_t, uint32_t>(uint16_t(c.x), fb, u, r, s);
    case 1664: return fplibFPToFixed<uint16_t, uint64_t>(uint16_t(c.x), fb, u, r, s);
    case 3232: return fplibFPToFixed<uint32_t, uint32_t>(uint32_t(c.x), fb, u, r, s);
    case 3264: return fplibFPToFixed<uint32_t, uint64_t>(uint32_t(c.x), fb, u, r, s);
    case 6432: return fplibFPToFixed<uint64_t, uint32_t>(c.x, fb, u, r, s);
    default: return fplibFPToFixed<uint64_t, uint64_t>(c.x, fb, u, r, s);
  }
}

TEST(FPFixed, FloatToInteger) {
  const ToFixedCase cases[] = {
      {32, 32, RN, 0x4F000000, 0, false, kZero, 0x7FFFFFFF, IOC},  // 2^31
      {32, 32, RN, 0xCF000000, 0, false, kZero, 0x80000000, 0},    // -2^31
      {32, 32, RN, 0xCF000001, 0, false, kZero, 0x80000000, IOC},  // -2^31 - 256
      {32, 32, RN, 0xBF000000, 0, true, kZero, 0, IXC},            // -0.5 unsigned
      {32, 32, RN, 0xBF800000, 0, true, kZero, 0, IOC},
      {32, 32, RN, 0x7FC00000, 0, false, kZero, 0, IOC},
      {32, 32, RN, 0x7F800000, 0, true, kZero, 0xFFFFFFFF, IOC},
      {32, 32, RN, 0xFF800000, 0, true, kZero, 0, IOC},
      {32, 32, RN, 0x80000000, 0, true, kZero, 0, 0},              // zero raises nothing
      {32, 32, FZ, 0x00000001, 0, false, kZero, 0, IDC},
      {32, 32, RN, 0x3FC00000, 4, false, kZero, 24, 0},            // fixed point
      // A failed range check of the narrower target raises IOC alone.
      {64, 32, RN, 0x41E0000000100000u, 0, false, kZero, 0x7FFFFFFF, IOC},
      {16, 16, RN, 0x7800, 0, false, kZero, 0x7FFF, IOC},           // 32768 as int16
      {16, 16, RN, 0xF800, 0, false, kZero, 0x8000, 0},
      {16, 64, FZ16, 0x03FF, 20, false, kZero, 0, 0},               // flushed half source
      {16, 64, RN, 0x03FF, 20, false, kZero, 63, IXC},
      {64, 64, RN, 0xC004000000000000u, 0, false, kTieAway, uint64_t(-3), IXC},
      {64, 64, RN, 0xC004000000000000u, 0, false, kTieEven, uint64_t(-2), IXC},
      {64, 64, RN, 0xC3E0000000000000u, 0, false, kNegInf, 0x8000000000000000u, 0},
      {64, 64, RN, 0x43F0000000000000u, 0, true, kPosInf, ~0ull, IOC},
  };
  for (const ToFixedCase& c : cases) {
    EXPECT_EQ(run(c.control, [&](FPSCR& s) { return to_fixed(c, s); }), (Outcome{c.want, c.flags}))
        << c.from << " to " << c.to << std::hex << " x " << c.x << " fbits " << c.fbits;
  }
}

TEST(FPFixed, IntegerToFloat) {
  EXPECT_EQ(run(RN, [](FPSCR& s) { return fplibFixedToFP<uint64_t>(~0ull, 0, false, kTieEven, s); }),
            (Outcome{0xBFF0000000000000u, 0}));
  EXPECT_EQ(run(RN, [](FPSCR& s) { return fplibFixedToFP<uint32_t>(~0ull, 0, true, kTieEven, s); }),
            (Outcome{0x5F800000, IXC}));
  EXPECT_EQ(run(RN, [](FPSCR& s) { return fplibFixedToFP<uint32_t>(~0ull, 0, true, kZero, s); }),
            (Outcome{0x5F7FFFFF, IXC}));
  EXPECT_EQ(run(RN, [](FPSCR& s) { return fplibFixedToFP<uint32_t>(0, 0, false, kNegInf, s); }),
            (Outcome{0, 0}));
  EXPECT_EQ(run(RN, [](FPSCR& s) { return fplibFixedToFP<uint16_t>(65520, 0, true, kTieEven, s); }),
            (Outcome{0x7C00, OFC | IXC}));
  EXPECT_EQ(run(RN, [](FPSCR& s) { return fplibFixedToFP<uint32_t>(3, 1, false, kTieEven, s); }),
            (Outcome{0x3FC00000, 0}));  // 1.5 in fixed point
  EXPECT_EQ(run(FZ, [](FPSCR& s) { return fplibFixedToFP<uint32_t>(1, 64, false, kTieEven, s); }),
            (Outcome{0x1F800000, 0}));  // 2^-64 is normal
  // A fixed-point value below the half normal range is flushed by FZ16, not FZ.
  EXPECT_EQ(run(FZ16, [](FPSCR& s) { return fplibFixedToFP<uint16_t>(1, 20, false, kTieEven, s); }),
            (Outcome{0x0000, UFC}));
  EXPECT_EQ(run(FZ, [](FPSCR& s) { return fplibFixedToFP<uint16_t>(1, 20, false, kTieEven, s); }),
            (Outcome{0x0010, 0}));
}

// Ties away from zero, judged against the directed roundings: a value exactly
// halfway between two neighbours of the target goes to the one farther from
// zero (what rounding away from zero in its direction gives), any other value
// to the nearest (what TieEven gives). A tie next to an even neighbour is
// where TieAway and TieEven part, so there the two must differ.
enum class Tail { Below, Tie, Above };

template <typename Convert>
void expect_ties_away(Convert convert, Tail tail, int sign, bool even, const std::string& what) {
  auto under = [&](FPRounding r) { return run(RN, [&](FPSCR& s) { return convert(r, s); }); };
  const Outcome away = under(kTieAway);
  if (tail != Tail::Tie) {
    EXPECT_EQ(away, under(kTieEven)) << what;
    return;
  }
  EXPECT_EQ(away, under(sign ? kNegInf : kPosInf)) << what;
  if (even) {
    EXPECT_NE(away, under(kTieEven)) << what;
  }
}

// The low bits below a kept part of `bits` bits: just under, exactly or just
// over half of its last unit.
uint64_t tail_bits(Tail tail, int bits) {
  const uint64_t half = uint64_t(1) << (bits - 1);
  return tail == Tail::Tie ? half : tail == Tail::Above ? half | 1 : half - 1;
}

constexpr Tail kTails[] = {Tail::Below, Tail::Tie, Tail::Above};

// Narrowing From to To: kept fractions even, odd, all ones (the tie carries
// into the next binade) and zero.
template <typename From, typename To>
void ties_away_narrowing() {
  constexpr int drop = fp_format<From>::F - fp_format<To>::F;
  const uint64_t kept[] = {0x2A, 0x2B, fp_frac_mask<To>, 0};
  for (int sign : {0, 1}) {
    for (uint64_t m : kept) {
      for (Tail tail : kTails) {
        const From x = fp_pack_normal<From>(sign, 3, From((m << drop) | tail_bits(tail, drop)));
        expect_ties_away(
            [x](FPRounding r, FPSCR& s) { return FPConvert<From, To>(x, r, s); }, tail, sign,
            !(m & 1), std::to_string(fp_bits<From>) + " to " + std::to_string(fp_bits<To>) +
                          " x " + std::to_string(x));
      }
    }
  }
}

// A 64-bit integer with one bit more than T's precision, signed (both signs)
// and unsigned, as an integer and as a fixed-point value.
template <typename T>
void ties_away_from_integer() {
  constexpr int precision = fp_format<T>::F + 1, extra = 3;
  const uint64_t lead = uint64_t(1) << (precision - 1);
  const uint64_t kept[] = {lead | 0x2A, lead | 0x2B, 2 * lead - 1, lead};
  for (uint64_t m : kept) {
    for (Tail tail : kTails) {
      const uint64_t magnitude = (m << extra) | tail_bits(tail, extra);
      for (int form = 0; form < 3; ++form) {  // unsigned, signed positive, signed negative
        const bool is_unsigned = form == 0;
        const int sign = form == 2;
        const uint64_t value = sign ? uint64_t(0) - magnitude : magnitude;
        for (int fbits : {0, 5}) {
          expect_ties_away(
              [=](FPRounding r, FPSCR& s) {
                return fplibFixedToFP<T>(value, fbits, is_unsigned, r, s);
              },
              tail, sign, !(m & 1),
              std::to_string(fp_bits<T>) + " from " + std::to_string(value) + " form " +
                  std::to_string(form) + " fbits " + std::to_string(fbits));
        }
      }
    }
  }
}

TEST(FPTieAway, NarrowingConversions) {
  ties_away_narrowing<uint32_t, uint16_t>();
  ties_away_narrowing<uint64_t, uint16_t>();
  ties_away_narrowing<uint64_t, uint32_t>();
  struct Case {
    uint64_t x;
    int to;
    uint64_t want;
    uint32_t flags;
  } cases[] = {
      {0x3F801000, 16, 0x3C01, IXC},                      // 1 + 2^-11 in single
      {0xBF801000, 16, 0xBC01, IXC},
      {0x477FF000, 16, 0x7C00, OFC | IXC},                 // 65520 overflows
      {0x3E60000000000000u, 16, 0x0001, UFC | IXC},        // half the smallest subnormal
      {0xB690000000000000u, 32, 0x80000001, UFC | IXC},
  };
  for (const Case& c : cases) {
    auto convert = [&](FPSCR& s) -> uint64_t {
      if (c.x >> 32 == 0) return FPConvert<uint32_t, uint16_t>(uint32_t(c.x), kTieAway, s);
      if (c.to == 16) return FPConvert<uint64_t, uint16_t>(c.x, kTieAway, s);
      return FPConvert<uint64_t, uint32_t>(c.x, kTieAway, s);
    };
    EXPECT_EQ(run(RN, convert), (Outcome{c.want, c.flags})) << std::hex << c.x;
  }
}

TEST(FPTieAway, IntegerToFloat) {
  ties_away_from_integer<uint16_t>();
  ties_away_from_integer<uint32_t>();
  ties_away_from_integer<uint64_t>();
  struct Case {
    uint64_t value;
    bool is_unsigned;
    int to;
    uint64_t want;
  } cases[] = {
      {2049, false, 16, 0x6801},
      {uint64_t(-2049), false, 16, 0xE801},
      {0x1000001, true, 32, 0x4B800001},
      {(1ull << 53) + 1, false, 64, 0x4340000000000001u},
  };
  for (const Case& c : cases) {
    auto convert = [&](FPSCR& s) -> uint64_t {
      if (c.to == 16) return fplibFixedToFP<uint16_t>(c.value, 0, c.is_unsigned, kTieAway, s);
      if (c.to == 32) return fplibFixedToFP<uint32_t>(c.value, 0, c.is_unsigned, kTieAway, s);
      return fplibFixedToFP<uint64_t>(c.value, 0, c.is_unsigned, kTieAway, s);
    };
    EXPECT_EQ(run(RN, convert), (Outcome{c.want, IXC})) << c.value;
  }
}

TEST(FPRoundInt, Directions) {
  struct Case {
    uint32_t x;
    FPRounding rounding;
    bool exact;
    uint32_t control, want, flags;
  } cases[] = {
      {0x40200000, kTieEven, true, RN, 0x40000000, IXC},   // FRINTX 2.5
      {0x40200000, kTieEven, false, RN, 0x40000000, 0},    // FRINTI 2.5
      {0x40200000, kTieAway, false, RN, 0x40400000, 0},
      {0xC0200000, kTieAway, false, RN, 0xC0400000, 0},
      {0xBE800000, kPosInf, false, RN, 0x80000000, 0},     // -0.25 up
      {0x3E800000, kNegInf, false, RN, 0x00000000, 0},
      {0xBE800000, kNegInf, false, RN, 0xBF800000, 0},
      {0x3B000000, kTieEven, true, RN, 0x00000000, IXC},   // 2^-9
      {0x3F000000, kTieEven, true, RN, 0x00000000, IXC},   // 0.5 ties to even zero
      {0x3F400000, kTieEven, true, RN, 0x3F800000, IXC},
      {0x4B000001, kTieEven, true, RN, 0x4B000001, 0},     // already integral
      {0x00000001, kPosInf, true, RN, 0x3F800000, IXC},
      {0x00000001, kPosInf, true, FZ, 0x00000000, IDC},
      {0x7F800001, kZero, false, RN, 0x7FC00001, IOC},
      {0xFF800000, kZero, true, RN, 0xFF800000, 0},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(run(c.control, [&](FPSCR& s) { return FPRoundInt<uint32_t>(c.x, c.rounding, c.exact, s); }),
              (Outcome{c.want, c.flags}))
        << std::hex << c.x << " rounding " << int(c.rounding);
  }
  EXPECT_EQ(run(FZ16, [](FPSCR& s) { return FPRoundInt<uint16_t>(0x03FF, kPosInf, true, s); }),
            (Outcome{0x0000, 0}));
  EXPECT_EQ(run(RN, [](FPSCR& s) { return FPRoundInt<uint64_t>(0x4330000000000001u, kNegInf, true, s); }),
            (Outcome{0x4330000000000001u, 0}));
  EXPECT_EQ(run(RN, [](FPSCR& s) { return FPRoundInt<uint64_t>(0xC00C000000000000u, kTieEven, true, s); }),
            (Outcome{0xC010000000000000u, IXC}));  // -3.5 to -4
}

}  // namespace
