// Instruction statistics: how many QRX instructions were emulated, and how
// often each instruction address ran.
//
// Counting is per thread and takes no lock: every thread owns a small table
// (address -> encoding, count) that only it writes; a count is a relaxed
// atomic that its owner bumps with a plain load and store. A thread's table
// is merged into the process-wide retired table when the thread ends.
// Readers (the exit report, the dump, lookups) take the statistics lock and
// sum the retired table and every live thread's table.
//
// The only lock is a spin lock on an atomic flag: the statistics are updated
// from inside a dynamic-instrumentation framework, whose private copy of the
// C library must not be asked for a mutex. It is taken by an owner only when
// it meets an address for the first time (or its table grows), and by
// readers.
#ifndef QRX_DECODE_QRX_STATS_H
#define QRX_DECODE_QRX_STATS_H

#include <atomic>
#include <cstdint>
#include <vector>

namespace qrx {

// A lock built on one atomic flag; never blocks in the C library.
class SpinLock {
 public:
  void lock() noexcept;
  void unlock() noexcept { held_.store(false, std::memory_order_release); }

 private:
  std::atomic<bool> held_{false};
};

struct StatSlot {
  std::atomic<const unsigned int*> pc{nullptr};  // null: free
  unsigned int encoding = 0;                     // recorded on first execution
  std::atomic<uint64_t> count{0};
};

// One thread's counts. Only the owning thread counts into it.
struct ThreadStats {
  StatSlot* slots = nullptr;
  uint32_t mask = 0;  // capacity - 1 (a power of two)
  uint32_t used = 0;
  ThreadStats* next = nullptr;  // live-thread list
  ThreadStats* prev = nullptr;
};

inline uint32_t stat_hash(const unsigned int* pc) {
  uint64_t a = reinterpret_cast<uintptr_t>(pc) >> 2;
  return static_cast<uint32_t>((a * 0x9E3779B97F4A7C15ull) >> 40);
}

// Registers a new, empty table for the calling thread.
ThreadStats* thread_stats_create();
// Merges t into the retired table, unregisters and frees it.
void thread_stats_retire(ThreadStats* t);
// First execution of pc in this thread, or a probe past the first slot.
void count_execution_slow(ThreadStats* t, const unsigned int* pc, unsigned int encoding);

// Counts one successful execution of the instruction at pc on t's thread.
inline void count_execution(ThreadStats* t, const unsigned int* pc, unsigned int encoding) {
  StatSlot& s = t->slots[stat_hash(pc) & t->mask];
  if (s.pc.load(std::memory_order_relaxed) == pc) {
    s.count.store(s.count.load(std::memory_order_relaxed) + 1, std::memory_order_relaxed);
    return;
  }
  count_execution_slow(t, pc, encoding);
}

// The calling thread's table for callers without their own per-thread
// storage (the stand-alone dispatcher and runners); created on first use and
// retired when the thread ends.
ThreadStats* this_thread_stats();

struct InstrStatSnapshot {
  const unsigned int* pc;
  unsigned int encoding;
  uint64_t count;
};

// Emulated instructions so far, all threads.
uint64_t executed_total();
// Every instruction's count, all threads, ascending addresses.
std::vector<InstrStatSnapshot> stats_snapshot();
// Forgets every count (the tables stay registered). Only while no thread
// counts: at start-up.
void stats_reset();
// The entry for pc, and whether there is one.
bool lookup_qrx_stat(const unsigned int* pc, InstrStatSnapshot* out);

}  // namespace qrx

// Counts one successful execution of the instruction at pc (calling thread).
void update_qrx_stats(unsigned int* pc, unsigned int encoding);
// Prints "%p: 0x%08x %ld" per instruction, ascending addresses, on stderr.
void dump_qrx_stats();

#endif  // QRX_DECODE_QRX_STATS_H
