// Decode fuzzing in the default run: every decode-table entry a few times
// with random operand bits and fixed bits flipped (fuzz.h lists the checks).
#include <gtest/gtest.h>

#include "fuzz.h"
#include "qrx/decode/decode_tables.h"
#include "qrx/decode/qrx_stats.h"

namespace {

using namespace qrx::fuzz;

std::string failures_of(const FuzzTally& t) {
  std::string out;
  for (const std::string& f : t.failures) out += f + "\n";
  return out;
}

TEST(DecodeFuzz, EveryEntryWithRandomAndNearbyWords) {
  install_fenced_backend();
  FuzzOptions opt;
  opt.words = 4 * qrx::total_handlers();
  opt.seed = 11;
  opt.window = 0;
  const uint64_t counted_before = qrx::executed_total();
  std::string error;
  FuzzTally t = run_fuzz(opt, &error);
  ASSERT_EQ(error, "");
  EXPECT_EQ(t.failure_count, 0u) << failures_of(t);
  EXPECT_EQ(t.words, opt.words);
  EXPECT_GT(t.near, opt.words / 8) << "words one bit away from the patterns";
  EXPECT_GT(t.unmatched, 0u) << "some of them match no entry";
  EXPECT_GT(t.faults, 0u) << "some accesses leave the region";
  EXPECT_EQ(qrx::executed_total() - counted_before, t.executed) << "every executed word counted once";
}

}  // namespace
