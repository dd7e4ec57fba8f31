#include "qrx/decode/qrx_stats.h"

#include <cstdio>

std::atomic<uint64_t> qrx_instr_count{0};

namespace qrx {

StatsMutex icounts_mutex;

InstrStatsMap& icounts() {
  // Constructed on first use (the load-time initialiser makes that first use
  // happen before anything else runs) and destroyed at process exit.
  static InstrStatsMap map;
  return map;
}

bool lookup_qrx_stat(const unsigned int* pc, InstrStatSnapshot* out) {
  icounts_mutex.lock();
  auto it = icounts().find(pc);
  bool found = it != icounts().end();
  if (found && out) *out = {pc, it->second.encoding, it->second.count.load()};
  icounts_mutex.unlock();
  return found;
}

}  // namespace qrx

void update_qrx_stats(unsigned int* pc, unsigned int encoding) {
  qrx::icounts_mutex.lock();
  qrx_instr_count.fetch_add(1);
  auto it = qrx::icounts().try_emplace(pc, encoding).first;
  it->second.count.fetch_add(1);
  qrx::icounts_mutex.unlock();
}

void dump_qrx_stats() {
  // Held while walking, so that a concurrent first execution elsewhere
  // cannot rebalance the tree under us.
  qrx::icounts_mutex.lock();
  for (const auto& kv : qrx::icounts())
    std::fprintf(stderr, "%p: 0x%08x %ld\n", static_cast<const void*>(kv.first),
                 kv.second.encoding, static_cast<long>(kv.second.count.load()));
  qrx::icounts_mutex.unlock();
}
