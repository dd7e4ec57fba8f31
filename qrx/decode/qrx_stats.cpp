#include "qrx/decode/qrx_stats.h"

#include <sched.h>

#include <algorithm>
#include <cstdio>

namespace qrx {

namespace {

// Constant-initialised and never destroyed: threads may still count while
// the process runs its exit handlers.
struct Registry {
  SpinLock lock;
  ThreadStats* live = nullptr;
  ThreadStats retired;  // merged tables of ended threads; written under the lock
};
Registry registry;

// A new table's only slot: always free, never written (the first insertion
// grows the table before it writes).
StatSlot empty_slot;

uint32_t capacity(const ThreadStats* t) { return t->slots == &empty_slot ? 0 : t->mask + 1; }

StatSlot& probe(ThreadStats* t, const unsigned int* pc) {
  for (uint32_t i = stat_hash(pc) & t->mask;; i = (i + 1) & t->mask) {
    StatSlot& s = t->slots[i];
    const unsigned int* p = s.pc.load(std::memory_order_relaxed);
    if (p == pc || p == nullptr) return s;
  }
}

void bump(StatSlot& s, uint64_t n) {
  s.count.store(s.count.load(std::memory_order_relaxed) + n, std::memory_order_relaxed);
}

// Adds n executions of pc to t, creating its entry. Caller holds the lock.
void add_locked(ThreadStats* t, const unsigned int* pc, unsigned int encoding, uint64_t n) {
  if (t->slots == nullptr) {
    t->slots = &empty_slot;
    t->mask = 0;
  }
  StatSlot& existing = probe(t, pc);
  if (existing.pc.load(std::memory_order_relaxed) == pc) {
    bump(existing, n);
    return;
  }
  if ((t->used + 1) * 2 > capacity(t)) {
    uint32_t cap = std::max<uint32_t>(64, capacity(t) * 2);
    ThreadStats grown;
    grown.slots = new StatSlot[cap];
    grown.mask = cap - 1;
    for (uint32_t i = 0; i < capacity(t); ++i) {
      const StatSlot& s = t->slots[i];
      if (const unsigned int* p = s.pc.load(std::memory_order_relaxed)) {
        StatSlot& d = probe(&grown, p);
        d.encoding = s.encoding;
        d.count.store(s.count.load(std::memory_order_relaxed), std::memory_order_relaxed);
        d.pc.store(p, std::memory_order_relaxed);
      }
    }
    if (t->slots != &empty_slot) delete[] t->slots;
    t->slots = grown.slots;
    t->mask = grown.mask;
  }
  StatSlot& s = probe(t, pc);
  s.encoding = encoding;
  s.count.store(n, std::memory_order_relaxed);
  s.pc.store(pc, std::memory_order_release);
  ++t->used;
}

template <typename Visit>
void for_each_slot(const ThreadStats* t, Visit visit) {
  if (t->slots == nullptr) return;
  for (uint32_t i = 0; i < capacity(t); ++i) {
    const StatSlot& s = t->slots[i];
    if (const unsigned int* p = s.pc.load(std::memory_order_acquire))
      visit(InstrStatSnapshot{p, s.encoding, s.count.load(std::memory_order_relaxed)});
  }
}

// Visits every entry of every table, retired first. Caller holds the lock.
template <typename Visit>
void for_each_entry_locked(Visit visit) {
  for_each_slot(&registry.retired, visit);
  for (const ThreadStats* t = registry.live; t != nullptr; t = t->next) for_each_slot(t, visit);
}

// The thread_local table of callers without their own per-thread storage.
struct OwnedStats {
  ThreadStats* stats = nullptr;
  ~OwnedStats() {
    if (stats) thread_stats_retire(stats);
  }
};
thread_local OwnedStats owned_stats;

}  // namespace

void SpinLock::lock() noexcept {
  unsigned spins = 0;
  while (held_.exchange(true, std::memory_order_acquire)) {
    while (held_.load(std::memory_order_relaxed))
      if (++spins % 64 == 0) sched_yield();
  }
}

ThreadStats* thread_stats_create() {
  ThreadStats* t = new ThreadStats;
  t->slots = &empty_slot;
  registry.lock.lock();
  t->next = registry.live;
  if (registry.live) registry.live->prev = t;
  registry.live = t;
  registry.lock.unlock();
  return t;
}

void thread_stats_retire(ThreadStats* t) {
  registry.lock.lock();
  for_each_slot(t, [](const InstrStatSnapshot& e) { add_locked(&registry.retired, e.pc, e.encoding, e.count); });
  if (t->prev) t->prev->next = t->next;
  if (t->next) t->next->prev = t->prev;
  if (registry.live == t) registry.live = t->next;
  registry.lock.unlock();
  if (t->slots != &empty_slot) delete[] t->slots;
  delete t;
}

void count_execution_slow(ThreadStats* t, const unsigned int* pc, unsigned int encoding) {
  StatSlot& s = probe(t, pc);  // only this thread changes t: no lock to look
  if (s.pc.load(std::memory_order_relaxed) == pc) {
    bump(s, 1);
    return;
  }
  registry.lock.lock();
  add_locked(t, pc, encoding, 1);
  registry.lock.unlock();
}

ThreadStats* this_thread_stats() {
  if (owned_stats.stats == nullptr) owned_stats.stats = thread_stats_create();
  return owned_stats.stats;
}

uint64_t executed_total() {
  uint64_t total = 0;
  registry.lock.lock();
  for_each_entry_locked([&](const InstrStatSnapshot& e) { total += e.count; });
  registry.lock.unlock();
  return total;
}

std::vector<InstrStatSnapshot> stats_snapshot() {
  std::vector<InstrStatSnapshot> all;
  registry.lock.lock();
  for_each_entry_locked([&](const InstrStatSnapshot& e) { all.push_back(e); });
  registry.lock.unlock();
  // Stable: an address keeps the encoding of its first table (the retired
  // one, then the live threads').
  std::stable_sort(all.begin(), all.end(),
                   [](const InstrStatSnapshot& a, const InstrStatSnapshot& b) { return a.pc < b.pc; });
  std::vector<InstrStatSnapshot> merged;
  for (const InstrStatSnapshot& e : all) {
    if (!merged.empty() && merged.back().pc == e.pc)
      merged.back().count += e.count;
    else
      merged.push_back(e);
  }
  return merged;
}

void stats_reset() {
  registry.lock.lock();
  auto clear = [](ThreadStats* t) {
    for (uint32_t i = 0; t->slots && i < capacity(t); ++i) t->slots[i].pc.store(nullptr, std::memory_order_relaxed);
    t->used = 0;
  };
  clear(&registry.retired);
  for (ThreadStats* t = registry.live; t != nullptr; t = t->next) clear(t);
  registry.lock.unlock();
}

bool lookup_qrx_stat(const unsigned int* pc, InstrStatSnapshot* out) {
  InstrStatSnapshot found{pc, 0, 0};
  bool any = false;
  registry.lock.lock();
  for_each_entry_locked([&](const InstrStatSnapshot& e) {
    if (e.pc != pc) return;
    if (!any) found.encoding = e.encoding;
    found.count += e.count;
    any = true;
  });
  registry.lock.unlock();
  if (any && out) *out = found;
  return any;
}

}  // namespace qrx

void update_qrx_stats(unsigned int* pc, unsigned int encoding) {
  qrx::count_execution(qrx::this_thread_stats(), pc, encoding);
}

void dump_qrx_stats() {
  for (const qrx::InstrStatSnapshot& e : qrx::stats_snapshot())
    std::fprintf(stderr, "%p: 0x%08x %ld\n", static_cast<const void*>(e.pc), e.encoding,
                 static_cast<long>(e.count));
}
