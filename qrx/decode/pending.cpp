#include "qrx/decode/pending.h"

#include <cstdio>
#include <cstring>

namespace qrx {

kalt64_decode_rc pending_handler(cpu_state* s, unsigned int word, const char* name) {
  s->encoding = word;
  std::fprintf(stderr, "Unimplemented instruction: [  %tx:\t %08x\t %s  ]\n",
               reinterpret_cast<ptrdiff_t>(s->pc), static_cast<unsigned>(s->encoding), name);
  return KALT64_DECODE_NOT_EXECUTED;
}

bool is_pending_handler(const char* name) {
  for (const char* const* p = kPendingHandlerNames; *p; ++p)
    if (std::strcmp(*p, name) == 0) return true;
  return false;
}

bool is_pending_handler(kalt64_handler h) {
  const char* name = handler_name(h);
  return name && is_pending_handler(name);
}

}  // namespace qrx
