// Threads: eight threads execute random instruction streams on their own
// register files and regions while sharing the statistics, the memory
// backend and the fault guard (guarded reads of the fences fault for real).
// Each thread's results must equal a single-threaded rerun of its stream,
// and the statistics must hold every execution exactly once, also while a
// reader sums them as the threads run and end.
#include <gtest/gtest.h>

#include <atomic>
#include <thread>
#include <vector>

#include "fuzz.h"
#include "qrx/decode/qrx_stats.h"

namespace {

using namespace qrx::fuzz;

constexpr unsigned kThreads = 8;

FuzzOptions stream(unsigned t) {
  FuzzOptions opt;
  opt.words = 2000 + 250 * t;  // threads end at different times
  opt.seed = 100 + t;
  opt.window = 2 + t;
  opt.run_pending = false;  // they print: one thread owns stderr at a time
  opt.digest_states = true;
  return opt;
}

uint64_t slot_count(const Window* w, unsigned slot) {
  qrx::InstrStatSnapshot snap{};
  return qrx::lookup_qrx_stat(&w->code[slot], &snap) ? snap.count : 0;
}

TEST(ThreadStress, EightStreamsEqualTheirRerunsAndCountExactly) {
  install_fenced_backend();
  std::string error;
  for (unsigned t = 0; t < kThreads; ++t) ASSERT_NE(map_window(stream(t).window, &error), nullptr) << error;
  std::vector<uint64_t> before(kThreads * kCodeSlots);
  for (unsigned t = 0; t < kThreads; ++t)
    for (unsigned i = 0; i < kCodeSlots; ++i)
      before[t * kCodeSlots + i] = slot_count(map_window(stream(t).window, &error), i);
  const uint64_t total_before = qrx::executed_total();

  std::vector<FuzzTally> threaded(kThreads);
  std::atomic<unsigned> running{kThreads};
  std::atomic<bool> total_went_back{false};
  std::thread reader([&] {
    uint64_t last = 0;
    while (running.load() > 0) {
      uint64_t now = qrx::executed_total();
      if (now < last) total_went_back = true;
      last = now;
      (void)qrx::stats_snapshot();
    }
  });
  std::vector<std::thread> workers;
  for (unsigned t = 0; t < kThreads; ++t)
    workers.emplace_back([&, t] {
      std::string err;
      threaded[t] = run_fuzz(stream(t), &err);
      --running;
    });
  for (auto& w : workers) w.join();
  reader.join();
  EXPECT_FALSE(total_went_back) << "the running total never decreases";

  uint64_t executed = 0, faults = 0;
  for (unsigned t = 0; t < kThreads; ++t) {
    const FuzzTally& got = threaded[t];
    EXPECT_EQ(got.failure_count, 0u) << "thread " << t << ": " << (got.failures.empty() ? "" : got.failures[0]);
    std::string err;
    FuzzTally alone = run_fuzz(stream(t), &err);
    EXPECT_EQ(got.digest, alone.digest) << "thread " << t << " differs from its single-threaded rerun";
    EXPECT_EQ(got.faults, alone.faults) << "thread " << t;
    executed += got.executed;
    faults += got.faults;
    const Window* w = map_window(stream(t).window, &err);
    for (unsigned i = 0; i < kCodeSlots; ++i)
      EXPECT_EQ(slot_count(w, i), before[t * kCodeSlots + i] + got.slot_executed[i] + alone.slot_executed[i])
          << "thread " << t << " slot " << i;
    executed += alone.executed;
  }
  EXPECT_GT(faults, 0u) << "some accesses fault";
  EXPECT_EQ(qrx::executed_total() - total_before, executed);
}

}  // namespace
