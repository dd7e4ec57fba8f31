// The decoder's public face: the classifier, the stand-alone dispatcher and
// the statistics.
#ifndef QRX_DECODE_QRX_UTILS_H
#define QRX_DECODE_QRX_UTILS_H

#include "qrx/decode/decode_tables.h"
#include "qrx/decode/qrx_stats.h"
#include "qrx/state/cpu_state.h"

// Decodes and executes the instruction that `state->pc` points at. Returns 2
// for a word no table holds (nothing changes) or the handler's non-zero code
// (pc unchanged, not counted); on success counts the instruction, advances
// pc by 4 and returns 0.
kalt64_decode_rc execute_qrx_instruction(cpu_state* state);

#endif  // QRX_DECODE_QRX_UTILS_H
