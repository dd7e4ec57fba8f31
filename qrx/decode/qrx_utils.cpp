// The dispatcher and the load-time initialisation of the emulation core.
#include "qrx/decode/qrx_utils.h"

#include <unistd.h>

#include <cstring>

#include "qrx/library/fault_guard.h"

kalt64_handler is_qrx(unsigned encoding) {
  const qrx::DecodeEntry* e = qrx::find_entry(encoding);
  return e ? e->handler : nullptr;
}

kalt64_decode_rc execute_qrx_instruction(cpu_state* state) {
  const unsigned char* pc = static_cast<const unsigned char*>(state->pc);
  unsigned int word;
  std::memcpy(&word, pc, sizeof word);
  const qrx::DecodeEntry* e = qrx::find_entry_dispatch_order(word);
  if (!e) return KALT64_DECODE_NOT_EXECUTED;
  kalt64_decode_rc rc = e->handler(state, word);
  if (rc != KALT64_DECODE_OK) return rc;
  update_qrx_stats(reinterpret_cast<unsigned int*>(const_cast<unsigned char*>(pc)), word);
  state->pc = static_cast<const unsigned char*>(state->pc) + 4;
  return KALT64_DECODE_OK;
}

namespace {

// Runs when the library is loaded, before any client entry point: the
// page size, the decode index, then the fault guard. (The statistics need no
// set-up: their tables are constant-initialised.)
struct LoadTimeInit {
  LoadTimeInit() {
    page_size = static_cast<uint32_t>(sysconf(_SC_PAGESIZE));
    qrx::build_decode_index();
    QRXInitialize();
  }
};
const LoadTimeInit load_time_init;

}  // namespace
