// Decode fuzzing: every decode-table entry with random operand bits, and
// words one fixed bit away from each pattern, executed on random register
// files in a fenced window (fenced_memory.h). Each word is checked:
//   - the classifier and the dispatcher find the same entry;
//   - an implemented form executes (code 0, pc + 4) or its access faults,
//     or it refuses a reserved encoding the model also refuses ("not
//     executed", nothing changed but the word kept in `encoding`);
//   - a pending form returns "not executed" after exactly one
//     "Unimplemented instruction" line naming the word, pc unchanged;
//   - a word no table holds returns "not executed" silently and changes
//     nothing (register file and region);
//   - nothing touches memory outside the register file and the region (the
//     fences turn such an access into a crash that names the word).
// Hangs are the caller's watchdog's business (qrx-fuzz has one).
#ifndef QRX_FUZZ_FUZZ_H
#define QRX_FUZZ_FUZZ_H

#include <cstdint>
#include <string>
#include <vector>

#include "fenced_memory.h"

namespace qrx {
namespace fuzz {

struct FuzzOptions {
  uint64_t words = 0;
  uint64_t seed = 1;
  unsigned window = 0;
  // Words whose form is pending run (and their message is checked: the run
  // then owns file descriptor 2 around each one, so single-threaded only).
  bool run_pending = true;
  // Fold the register file after every word into the digest (costly).
  bool digest_states = false;
  // Where the word being executed is published, for a watchdog.
  volatile uint32_t* current_word = nullptr;
};

struct FuzzTally {
  uint64_t words = 0, executed = 0, faults = 0, pending = 0, unmatched = 0, refused = 0, near = 0;
  uint64_t digest = 0;                       // rc, faults and (optionally) states of every word
  uint64_t slot_executed[kCodeSlots] = {};   // executions counted at each code slot
  std::vector<std::string> failures;         // the first few, one line each
  uint64_t failure_count = 0;
};

// Runs opt.words words in window opt.window on the calling thread (the
// fenced backend must be installed). Every entry of every table comes up in
// turn, so a run of k * total_handlers() words covers each k times.
FuzzTally run_fuzz(const FuzzOptions& opt, std::string* error);

}  // namespace fuzz
}  // namespace qrx

#endif  // QRX_FUZZ_FUZZ_H
