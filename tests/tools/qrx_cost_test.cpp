// qrx-cost: the kernel list reader, the outcomes and the statistics path it
// measures, and (native builds) one output row per kernel.
#include <cstdio>
#include <fstream>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "kernel_cost.h"
#include "qrx/decode/pending.h"
#include "qrx/decode/qrx_stats.h"

namespace {

using qrx::cost::Outcome;

std::string write_temp(const char* name, const std::string& text) {
  std::string path = ::testing::TempDir() + name;
  std::ofstream(path) << text;
  return path;
}

TEST(QrxCost, ReadsKernelsAndRejectsMalformedLines) {
  struct Case {
    const char* text;
    bool ok;
    size_t kernels;
  };
  const Case cases[] = {
      {"# comment\n04800020\tadd_s\tadd z0.s, p0/m, z0.s, z1.s\n\n25034022\tand_p\tand\n", true, 2},
      {"04800020\n", false, 0},              // no name
      {"0480002g\tadd_s\tadd\n", false, 0},   // not hex
      {"104800020\tadd_s\tadd\n", false, 0},  // wider than 32 bits
  };
  for (const Case& c : cases) {
    std::vector<qrx::cost::Kernel> k;
    std::string error;
    EXPECT_EQ(qrx::cost::read_kernels(write_temp("kernels.tsv", c.text), &k, &error), c.ok) << c.text;
    EXPECT_EQ(k.size(), c.kernels) << c.text;
    EXPECT_EQ(error.empty(), c.ok) << c.text;
  }
  std::vector<qrx::cost::Kernel> k;
  std::string error;
  ASSERT_TRUE(qrx::cost::read_kernels(write_temp("one.tsv", "2524c060\tsqadd_b_imm\tsqadd z0.b, z0.b, #3\n"),
                                      &k, &error));
  EXPECT_EQ(k[0].word, 0x2524c060u);
  EXPECT_EQ(k[0].name, "sqadd_b_imm");
  EXPECT_EQ(k[0].text, "sqadd z0.b, z0.b, #3");
}

// The measured path counts every execution in the statistics, at the
// kernel's own address.
TEST(QrxCost, MeasuresThroughTheStatistics) {
  static const unsigned int word = 0x25034022;  // and p2.b, p0/z, p1.b, p3.b
  qrx::InstrStatSnapshot before{}, after{};
  bool existed = qrx::lookup_qrx_stat(&word, &before);
  uint64_t total = qrx::executed_total();
  qrx::cost::Cost c = qrx::cost::measure(word, &word, 100, 2);
  ASSERT_EQ(c.outcome, Outcome::Measured);
  EXPECT_GT(c.ns, 0.0);
  EXPECT_GT(c.handler_ns, 0.0);
  ASSERT_TRUE(qrx::lookup_qrx_stat(&word, &after));
  EXPECT_EQ(after.count - (existed ? before.count : 0), 200u);
  EXPECT_EQ(after.encoding, word);
  EXPECT_EQ(qrx::executed_total() - total, 200u);
}

TEST(QrxCost, PlaceholdersArePendingAndOtherWordsNotQrx) {
  static const unsigned int pc = 0;
  EXPECT_EQ(qrx::cost::measure(0x8B020020, &pc, 10, 1).outcome, Outcome::NotQrx);  // ADD X0, X1, X2
  if (qrx::kPendingHandlerCount > 0) {
    const qrx::DecodeEntry* e = qrx::entry_by_name(qrx::kPendingHandlerNames[0]);
    ASSERT_NE(e, nullptr);
    EXPECT_EQ(qrx::cost::measure(e->pattern, &pc, 10, 1).outcome, Outcome::Pending);
  }
}

#if defined(QRX_COST_EXE) && defined(QRX_COST_KERNELS)
// Every kernel of the shared list gets one row, measured or pending.
TEST(QrxCost, PrintsOneRowPerKernel) {
  std::vector<qrx::cost::Kernel> kernels;
  std::string error;
  ASSERT_TRUE(qrx::cost::read_kernels(QRX_COST_KERNELS, &kernels, &error)) << error;
  std::string cmd = std::string(QRX_COST_EXE) + " -n 50 -r 1 -f " + QRX_COST_KERNELS;
  FILE* out = popen(cmd.c_str(), "r");
  ASSERT_NE(out, nullptr);
  std::vector<std::string> rows;
  char line[256];
  while (std::fgets(line, sizeof line, out))
    if (line[0] != '#') rows.push_back(line);
  EXPECT_EQ(pclose(out), 0);
  ASSERT_EQ(rows.size(), kernels.size());
  for (size_t i = 0; i < rows.size(); ++i) {
    char name[64], unit[16];
    double ns;
    bool measured = std::sscanf(rows[i].c_str(), "%63s %lf %15s", name, &ns, unit) == 3 &&
                    std::string(unit) == "ns" && ns > 0;
    bool pending = rows[i].find(" pending") != std::string::npos;
    EXPECT_EQ(std::string(name), kernels[i].name);
    EXPECT_TRUE(measured || pending) << rows[i];
  }
}
#endif

}  // namespace
