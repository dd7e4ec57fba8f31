// Running one trapped QRX instruction.
#ifndef QRX_RUN_RUN_TRAP_H
#define QRX_RUN_RUN_TRAP_H

#include <signal.h>

#include "qrx/decode/decode_tables.h"

namespace qrx_run {

// Runs `handler` for the instruction word `word` at which the context `uc`
// stopped, on the calling thread's register file: the context's registers
// go in, the results come back into `uc` and its PC moves past the
// instruction, and the instruction is counted. When an emulated access
// faults, the instruction is abandoned and the fault is delivered to the
// program at the instruction. Returns false, leaving `uc` as it was, when
// the handler fails or the context has no SIMD&FP record.
bool run_trapped_instruction(ucontext_t* uc, unsigned int word, kalt64_handler handler);

// Installs the SIGILL handler that runs QRX instructions.
void install_trap_handler();

}  // namespace qrx_run

#endif  // QRX_RUN_RUN_TRAP_H
