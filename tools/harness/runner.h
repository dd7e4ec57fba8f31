// Running cases: on the emulator in this process (with the data region
// mapped at the probe's fixed address) and on the reference processor model
// through the probe, a batch per probe process.
#ifndef QRX_HARNESS_RUNNER_H
#define QRX_HARNESS_RUNNER_H

#include <sys/types.h>

#include <cstdint>
#include <string>
#include <vector>

#include "state_text.h"

namespace qrx {
namespace harness {

// Maps the data region (and checks that the guard pages after it are free)
// once per process. Returns false with a message when the address is taken.
bool map_host_region(std::string* error);

// Executes `word` with execute_qrx_instruction on the state (registers and
// region) and leaves the result in it. Returns the dispatcher's code.
//
// The emulator's memory is the data region only: while the word runs, a
// memory backend confines every access to it. An access that leaves it is
// the case's fault, delivered as the contract in guarded_memory.h asks: the
// run stops there, *fault_signal becomes SIGSEGV, and the state keeps what
// the word did before (stores before the fault stay in the region).
kalt64_decode_rc run_on_emulator(uint32_t word, machine_state* s, int* fault_signal = nullptr);

// Where the probe and the model runner are; empty when this build has none.
struct model_options {
  std::string runner;  // the reference processor model's launcher
  std::string probe;   // the probe program
  bool prot_none_guard = false;  // the page after the region PROT_NONE, not unmapped
};
model_options default_model_options();

struct model_result {
  int signal;                   // 0, or the signal the case raised
  probe_regs regs;
  std::vector<uint8_t> region;  // the region, when the case changed it
};

// The model's final state for a case started from `initial`.
void apply_model_result(const model_result& r, const machine_state& initial, machine_state* out);

// One probe process running a batch in the background.
struct model_batch {
  pid_t pid = -1;
  std::string dir;  // holds the batch's input and output files
  size_t count = 0;
};

// Starts a probe on the cases (word and starting state each).
bool start_model_batch(const model_options& opt, const std::vector<uint32_t>& words,
                       const std::vector<const machine_state*>& states, model_batch* batch, std::string* error);
// Waits for the probe and reads its results.
bool finish_model_batch(model_batch* batch, std::vector<model_result>* results, std::string* error);

}  // namespace harness
}  // namespace qrx

#endif  // QRX_HARNESS_RUNNER_H
