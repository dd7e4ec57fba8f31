// The QRX client: what the client's events share, and the clean-call target.
#ifndef QRX_CLIENT_QRX_CLIENT_H
#define QRX_CLIENT_QRX_CLIENT_H

#include <atomic>
#include <cstdint>

#include "dr_api.h"
#include "qrx/decode/decode_tables.h"

// drmgr TLS field whose slot holds the thread's cpu_state.
extern int tls_idx;
// The main executable's record (may be null) and its start address.
extern module_data_t* exe;
extern app_pc exe_start;
// Non-QRX instructions seen while building blocks (counted per build).
extern std::atomic<uint64_t> kalt64_instr_count;

// Clean-call target: runs the handler chosen at block-build time on the
// calling thread's register file, with X26..X28 taken from and handed back
// to spill slots 1..3.
void emulate_instruction(unsigned int encoding, unsigned char* pc, kalt64_handler handler);

#endif  // QRX_CLIENT_QRX_CLIENT_H
