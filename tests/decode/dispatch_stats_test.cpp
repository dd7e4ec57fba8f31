// The dispatcher, the pending placeholders and the statistics.
#include <gtest/gtest.h>

#include <atomic>
#include <cstring>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "qrx/decode/pending.h"
#include "qrx/decode/qrx_utils.h"

namespace {

using testing::internal::CaptureStderr;
using testing::internal::GetCapturedStderr;

// A prefetch form: implemented, does nothing.
uint32_t prefetch_word() { return qrx::entry_by_name("VecU8Prefetch1SI")->pattern; }

// A cleared register file whose pc points at `code`.
std::unique_ptr<cpu_state> state_at(const unsigned int* code) {
  auto s = std::make_unique<cpu_state>();
  std::memset(s.get(), 0, sizeof(cpu_state));
  s->pc = code;
  return s;
}

uint64_t stat_count(const unsigned int* pc, unsigned* enc = nullptr) {
  qrx::InstrStatSnapshot snap{};
  if (!qrx::lookup_qrx_stat(pc, &snap)) return 0;
  if (enc) *enc = snap.encoding;
  return snap.count;
}

TEST(Dispatch, ExecutedInstructionAdvancesPcAndIsCounted) {
  const uint32_t w = prefetch_word();
  ASSERT_NE(is_qrx(w), nullptr);
  ASSERT_FALSE(qrx::is_pending_handler(is_qrx(w)));
  unsigned int code[2] = {w, w};
  auto s = state_at(code);
  uint64_t before = qrx::executed_total();
  EXPECT_EQ(execute_qrx_instruction(s.get()), KALT64_DECODE_OK);
  EXPECT_EQ(s->pc, static_cast<const void*>(&code[1]));
  EXPECT_EQ(qrx::executed_total(), before + 1);
  EXPECT_EQ(stat_count(&code[0]), 1u);
  EXPECT_EQ(stat_count(&code[1]), 0u);
}

TEST(Dispatch, UnknownWordChangesNothing) {
  unsigned int code[1] = {0x44000000};
  auto s = state_at(code);
  uint64_t before = qrx::executed_total();
  CaptureStderr();
  EXPECT_EQ(execute_qrx_instruction(s.get()), KALT64_DECODE_NOT_EXECUTED);
  EXPECT_EQ(GetCapturedStderr(), "");
  EXPECT_EQ(s->pc, static_cast<const void*>(code));
  EXPECT_EQ(qrx::executed_total(), before);
  EXPECT_EQ(stat_count(code), 0u);
}

TEST(Dispatch, PendingPlaceholderReportsItself) {
  // With every family implemented no table entry is a placeholder any more,
  // but the body stays what a form without a row gets.
  unsigned int code[1] = {0x05c00000};
  auto s = state_at(code);
  CaptureStderr();
  EXPECT_EQ(qrx::pending_handler(s.get(), code[0], "VecExampleForm"), KALT64_DECODE_NOT_EXECUTED);
  char want[256];
  std::snprintf(want, sizeof want, "Unimplemented instruction: [  %tx:\t %08x\t %s  ]\n",
                reinterpret_cast<ptrdiff_t>(code), code[0], "VecExampleForm");
  EXPECT_EQ(GetCapturedStderr(), want);
  EXPECT_EQ(s->encoding, code[0]);
}

TEST(Dispatch, DeclinedWordIsNotCountedAndKeepsPc) {
  // AND (immediate) with a reserved bitmask immediate (N = 0, imms = 111111):
  // the handler declines the word, the dispatcher neither counts it nor
  // moves past it.
  const qrx::DecodeEntry* e = qrx::entry_by_name("VecU64AndVIX");
  ASSERT_NE(e, nullptr);
  unsigned int code[1] = {e->pattern | (0x3fu << 5)};
  ASSERT_EQ(is_qrx(code[0]), e->handler);
  auto s = state_at(code);
  uint64_t before = qrx::executed_total();
  EXPECT_EQ(execute_qrx_instruction(s.get()), KALT64_DECODE_NOT_EXECUTED);
  EXPECT_EQ(s->pc, static_cast<const void*>(code));
  EXPECT_EQ(qrx::executed_total(), before);
  EXPECT_EQ(stat_count(code), 0u);
}

TEST(Pending, ExactlyTheFormsNoFamilyDefines) {
  unsigned n = 0;
  for (unsigned t = 0; t < qrx::kNumDecodeTables; ++t) {
    const qrx::DecodeTable& tab = qrx::decode_tables()[t];
    for (unsigned i = 0; i < tab.num_entries; ++i) {
      const qrx::DecodeEntry& e = tab.entries[i];
      EXPECT_EQ(qrx::is_pending_handler(e.handler), e.family == nullptr) << e.name;
      n += e.family == nullptr;
    }
  }
  EXPECT_EQ(n, qrx::kPendingHandlerCount);
  // Printed so that every test run shows how much is left to do.
  std::printf("pending handlers: %u of %u\n", n, qrx::total_handlers());
}

TEST(Prefetch, ChangesNothing) {
  auto s = std::make_unique<cpu_state>();
  std::memset(s.get(), 0x5A, sizeof(cpu_state));
  auto before = std::make_unique<cpu_state>(*s);
  unsigned prefetches = 0;
  for (unsigned t = 0; t < qrx::kNumDecodeTables; ++t) {
    const qrx::DecodeTable& tab = qrx::decode_tables()[t];
    for (unsigned i = 0; i < tab.num_entries; ++i) {
      const qrx::DecodeEntry& e = tab.entries[i];
      if (!std::strstr(e.name, "Prefetch")) continue;
      ++prefetches;
      EXPECT_EQ(e.handler(s.get(), e.pattern | ~tab.mask), KALT64_DECODE_OK) << e.name;
      EXPECT_EQ(std::memcmp(s.get(), before.get(), sizeof(cpu_state)), 0) << e.name;
    }
  }
  EXPECT_EQ(prefetches, 36u);
}

TEST(Stats, FirstAndHundredthExecution) {
  static unsigned int insn[2];
  for (int i = 0; i < 100; ++i) update_qrx_stats(&insn[0], i == 0 ? 0x1234u : 0x5678u);
  unsigned enc = 0;
  EXPECT_EQ(stat_count(&insn[0], &enc), 100u);
  EXPECT_EQ(enc, 0x1234u) << "the encoding is recorded on the first execution";
  update_qrx_stats(&insn[1], 0x1234u);
  EXPECT_EQ(stat_count(&insn[1]), 1u) << "same word at another address is separate";
}

TEST(Stats, EightThreadsCountExactly) {
  // Each thread runs one hot instruction of its own and one shared with all
  // others, and ends before the totals are read (its table is retired).
  static unsigned int own[8], shared;
  const int kThreads = 8, kPerThread = 100000;
  const uint64_t before = qrx::executed_total(), shared_before = stat_count(&shared);
  std::vector<std::thread> threads;
  for (int t = 0; t < kThreads; ++t)
    threads.emplace_back([t] {
      for (int i = 0; i < kPerThread; ++i) update_qrx_stats(i % 2 ? &own[t] : &shared, 7);
    });
  for (auto& th : threads) th.join();
  EXPECT_EQ(qrx::executed_total(), before + uint64_t{kThreads} * kPerThread);
  EXPECT_EQ(stat_count(&shared), shared_before + uint64_t{kThreads} * kPerThread / 2);
  for (auto& insn : own) EXPECT_EQ(stat_count(&insn), uint64_t{kPerThread} / 2);
}

TEST(Stats, LiveThreadsAreCountedBeforeTheyEnd) {
  // A table that grows past its first sizes while another thread reads.
  static unsigned int insns[1000];
  std::atomic<bool> counted{false}, done{false};
  std::thread worker([&] {
    for (auto& insn : insns) update_qrx_stats(&insn, 1);
    counted = true;
    while (!done) std::this_thread::yield();
  });
  while (!counted) EXPECT_LE(stat_count(&insns[999]), 1u);
  uint64_t sum = 0;
  for (auto& insn : insns) sum += stat_count(&insn);
  EXPECT_EQ(sum, 1000u);
  done = true;
  worker.join();
  EXPECT_EQ(stat_count(&insns[0]), 1u) << "kept when the thread ends";
}

TEST(Stats, DumpIsSortedByAddress) {
  static unsigned int insns[3];
  update_qrx_stats(&insns[2], 0xC);
  update_qrx_stats(&insns[0], 0xA);
  update_qrx_stats(&insns[0], 0xA);
  CaptureStderr();
  dump_qrx_stats();
  std::string out = GetCapturedStderr();
  char l0[64], l2[64];
  std::snprintf(l0, sizeof l0, "%p: 0x%08x %ld\n", static_cast<void*>(&insns[0]), 0xAu, 2L);
  std::snprintf(l2, sizeof l2, "%p: 0x%08x %ld\n", static_cast<void*>(&insns[2]), 0xCu, 1L);
  size_t p0 = out.find(l0), p2 = out.find(l2);
  ASSERT_NE(p0, std::string::npos) << out;
  ASSERT_NE(p2, std::string::npos) << out;
  EXPECT_LT(p0, p2);
  // Every line's address is above the previous one.
  const void* prev = nullptr;
  for (size_t pos = 0; pos < out.size();) {
    size_t nl = out.find('\n', pos);
    void* addr = nullptr;
    ASSERT_EQ(std::sscanf(out.c_str() + pos, "%p:", &addr), 1);
    if (prev) {
      EXPECT_LT(reinterpret_cast<uintptr_t>(prev), reinterpret_cast<uintptr_t>(addr));
    }
    prev = addr;
    pos = nl + 1;
  }
}

}  // namespace
