// Handlers whose instruction family is not implemented yet.
//
// A placeholder is generated for every form of the decode tables that no
// family row (qrx/decode/rows/*.txt) defines; each reports itself and
// returns "not executed". A placeholder is never an implemented form: tools
// and tests ask is_pending_handler().
#ifndef QRX_DECODE_PENDING_H
#define QRX_DECODE_PENDING_H

#include "qrx/decode/decode_tables.h"
#include "qrx/state/cpu_state.h"

namespace qrx {

// Null-terminated list of the pending handlers' names, and their number.
extern const char* const kPendingHandlerNames[];
extern const unsigned kPendingHandlerCount;

// Body of every placeholder: stores the word, prints
// "Unimplemented instruction: [  <pc>:\t <encoding>\t <name>  ]" on stderr
// and returns 2.
kalt64_decode_rc pending_handler(cpu_state* s, unsigned int word, const char* name);

bool is_pending_handler(const char* name);
bool is_pending_handler(kalt64_handler h);

}  // namespace qrx

#endif  // QRX_DECODE_PENDING_H
