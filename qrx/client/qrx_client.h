// The QRX client: what the client's events share, and the clean-call target.
#ifndef QRX_CLIENT_QRX_CLIENT_H
#define QRX_CLIENT_QRX_CLIENT_H

#include <atomic>
#include <cstddef>
#include <cstdint>

#include "dr_api.h"
#include "drmgr.h"
#include "qrx/decode/decode_tables.h"
#include "qrx/decode/qrx_stats.h"
#include "qrx/state/cpu_state.h"

// drmgr TLS field whose slot holds the thread's cpu_state.
extern int tls_idx;
// The main executable's record (may be null) and its start address.
extern module_data_t* exe;
extern app_pc exe_start;
// Non-QRX instructions seen while building blocks (counted per build).
extern std::atomic<uint64_t> kalt64_instr_count;

// What the client keeps per application thread, in its TLS field. The
// register file comes first: the inserted code addresses it from the base.
struct ThreadData {
  cpu_state state;
  qrx::ThreadStats* stats;
  void* allocation;  // as dr_thread_alloc returned it
  size_t allocation_size;
};
static_assert(offsetof(ThreadData, state) == 0, "the register file is at the base");

// The calling thread's data (null before its thread-init event).
inline ThreadData* thread_data(void* drcontext) {
  return static_cast<ThreadData*>(drmgr_get_tls_field(drcontext, tls_idx));
}

// Clean-call target: runs the handler chosen at block-build time on the
// calling thread's register file, with X26..X28 taken from and handed back
// to spill slots 1..3.
void emulate_instruction(unsigned int encoding, unsigned char* pc, kalt64_handler handler);

#endif  // QRX_CLIENT_QRX_CLIENT_H
