// Comparisons, maximum and minimum.
#include <gtest/gtest.h>

#include "qrx/fp/fp_compare.h"
#include "qrx/fp/fp_minmax.h"
#include "tests/fp/fp_test_util.h"

using namespace fptest;

namespace {

constexpr uint32_t PZ = 0, NZ = 0x80000000, ONE = 0x3F800000, TWO = 0x40000000,
                   NONE = 0xBF800000, QNAN = 0x7FC00001, SNAN = 0x7F800001, SUB = 0x00000001,
                   SUB2 = 0x00000002, THREE = 0x40400000;

TEST(FPCompare, Predicates) {
  struct Case {
    uint32_t control, a, b;
    bool eq, ge, gt, un;
    uint32_t eq_flags, order_flags;
  } cases[] = {
      {RN, PZ, NZ, true, true, false, false, 0, 0},
      {RN, NZ, PZ, true, true, false, false, 0, 0},
      {RN, ONE, TWO, false, false, false, false, 0, 0},
      {RN, TWO, ONE, false, true, true, false, 0, 0},
      {RN, NONE, ONE, false, false, false, false, 0, 0},
      {RN, 0xC0000000, NONE, false, false, false, false, 0, 0},
      {RN, QNAN, ONE, false, false, false, true, 0, IOC},
      {RN, ONE, SNAN, false, false, false, true, IOC, IOC},
      {RN, SUB, SUB2, false, false, false, false, 0, 0},
      {FZ, SUB, SUB2, true, true, false, false, IDC, IDC},
      {FZ, SUB, NZ, true, true, false, false, IDC, IDC},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << std::hex << c.a << " " << c.b);
    EXPECT_EQ(run(c.control, [&](FPSCR& s) { return FPCompareEQ<uint32_t>(c.a, c.b, s); }),
              (Outcome{c.eq, c.eq_flags}));
    EXPECT_EQ(run(c.control, [&](FPSCR& s) { return FPCompareUN<uint32_t>(c.a, c.b, s); }),
              (Outcome{c.un, c.eq_flags}));
    EXPECT_EQ(run(c.control, [&](FPSCR& s) { return FPCompareGE<uint32_t>(c.a, c.b, s); }),
              (Outcome{c.ge, c.order_flags}));
    EXPECT_EQ(run(c.control, [&](FPSCR& s) { return FPCompareGT<uint32_t>(c.a, c.b, s); }),
              (Outcome{c.gt, c.order_flags}));
  }
}

TEST(FPCompare, FlagNibble) {
  struct Case {
    uint64_t a, b;
    bool signal;
    int want;
    uint32_t flags;
  } cases[] = {
      {0x3FF0000000000000u, 0x4000000000000000u, false, 8, 0},
      {0x4000000000000000u, 0x3FF0000000000000u, false, 2, 0},
      {0x8000000000000000u, 0, false, 6, 0},
      {0xBFF0000000000000u, 0xC000000000000000u, false, 2, 0},
      {0x7FF8000000000000u, 0, false, 3, 0},
      {0x7FF8000000000000u, 0, true, 3, IOC},
      {0x7FF0000000000001u, 0, false, 3, IOC},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(run(RN, [&](FPSCR& s) { return FPCompare<uint64_t>(c.a, c.b, c.signal, s); }),
              (Outcome{uint64_t(c.want), c.flags}))
        << std::hex << c.a << " " << c.b;
  }
}

TEST(FPMinMax, Selection) {
  enum Fn { Max, Min, MaxNum, MinNum };
  struct Case {
    Fn fn;
    uint32_t control, a, b, want, flags;
  } cases[] = {
      {Max, RN, NZ, PZ, PZ, 0},
      {Max, RN, PZ, NZ, PZ, 0},
      {Min, RN, PZ, NZ, NZ, 0},
      {Min, RN, NZ, PZ, NZ, 0},
      {Max, RN, NONE, 0xC0000000, NONE, 0},
      {Min, RN, NONE, 0xC0000000, 0xC0000000, 0},
      {Max, RN, QNAN, THREE, QNAN, 0},
      {MaxNum, RN, QNAN, THREE, THREE, 0},
      {MinNum, RN, THREE, QNAN, THREE, 0},
      {MaxNum, RN, SNAN, THREE, 0x7FC00001, IOC},
      {MaxNum, RN, QNAN, 0x7FC00002, QNAN, 0},
      {MinNum, DN, QNAN, 0x7FC00002, 0x7FC00000, 0},
      {MaxNum, RN, QNAN, 0xFF800000, 0xFF800000, 0},
      {Max, FZ, SUB, NONE, PZ, IDC},
      {Min, FZ, 0x80000001, ONE, NZ, IDC},
      {Max, RN, SUB, NONE, SUB, 0},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(run(c.control,
                  [&](FPSCR& s) {
                    switch (c.fn) {
                      case Max: return FPMax<uint32_t>(c.a, c.b, s);
                      case Min: return FPMin<uint32_t>(c.a, c.b, s);
                      case MaxNum: return FPMaxNum<uint32_t>(c.a, c.b, s);
                      case MinNum: break;
                    }
                    return FPMinNum<uint32_t>(c.a, c.b, s);
                  }),
              (Outcome{c.want, c.flags}))
        << "fn " << c.fn << std::hex << " " << c.a << " " << c.b;
  }
}

}  // namespace
