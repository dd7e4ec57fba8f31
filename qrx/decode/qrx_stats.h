// Instruction statistics: the process-wide count of emulated QRX
// instructions and a per-address table of how often each one ran.
#ifndef QRX_DECODE_QRX_STATS_H
#define QRX_DECODE_QRX_STATS_H

#include <pthread.h>

#include <atomic>
#include <cstdint>
#include <map>

// Successfully emulated QRX instructions, process-wide.
extern std::atomic<uint64_t> qrx_instr_count;

namespace qrx {

// A mutex that never throws: lock failures cannot occur for a default
// (non-robust, non-error-checking) POSIX mutex used as a plain lock.
struct StatsMutex {
  pthread_mutex_t m = PTHREAD_MUTEX_INITIALIZER;
  void lock() noexcept { pthread_mutex_lock(&m); }
  void unlock() noexcept { pthread_mutex_unlock(&m); }
};

struct InstrStat {
  unsigned int encoding;            // recorded when the entry is created
  std::atomic<uint64_t> count{0};
  explicit InstrStat(unsigned int enc) : encoding(enc) {}
};

using InstrStatsMap = std::map<const unsigned int*, InstrStat>;

// The per-address table and its lock. The table only grows.
InstrStatsMap& icounts();
extern StatsMutex icounts_mutex;

// A snapshot entry, for tests and tools.
struct InstrStatSnapshot {
  const unsigned int* pc;
  unsigned int encoding;
  uint64_t count;
};

// Count of the entry for `pc` (0 if none), and whether it exists.
bool lookup_qrx_stat(const unsigned int* pc, InstrStatSnapshot* out);

}  // namespace qrx

// Counts one successful execution of the instruction at `pc`.
void update_qrx_stats(unsigned int* pc, unsigned int encoding);
// Prints "%p: 0x%08x %ld" per instruction, ascending addresses, on stderr.
void dump_qrx_stats();

#endif  // QRX_DECODE_QRX_STATS_H
