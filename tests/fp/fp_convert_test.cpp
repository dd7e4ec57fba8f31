// What the comparison with the model's scalar instructions cannot reach of
// the conversions: ties away from zero in narrowing and integer-to-float
// conversions, which no instruction asks for.
#include <gtest/gtest.h>

#include <string>

#include "qrx/fp/fp_convert.h"
#include "qrx/fp/fp_format.h"
#include "qrx/fp/fp_fixed.h"
#include "tests/fp/fp_test_util.h"

using namespace fptest;

namespace {

constexpr FPRounding kTieEven = FPRounding::TieEven, kPosInf = FPRounding::PosInf,
                     kNegInf = FPRounding::NegInf, kTieAway = FPRounding::TieAway;

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

}  // namespace
