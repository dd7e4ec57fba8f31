// qrx-pending: how many QRX instruction forms still lack an implementation.
//
//   qrx-pending          prints "pending handlers: N of 1483"
//   qrx-pending --list   also lists the pending handler names, one per line
// Exit status: 0 when nothing is pending, 1 otherwise, 2 on a usage error.
#include <cstdio>
#include <cstring>

#include "qrx/decode/decode_tables.h"
#include "qrx/decode/pending.h"

int main(int argc, char** argv) {
  bool list = false;
  for (int i = 1; i < argc; ++i) {
    if (std::strcmp(argv[i], "--list") == 0) {
      list = true;
    } else {
      std::fprintf(stderr, "usage: qrx-pending [--list]\n");
      return 2;
    }
  }
  std::printf("pending handlers: %u of %u\n", qrx::kPendingHandlerCount, qrx::total_handlers());
  if (list)
    for (const char* const* p = qrx::kPendingHandlerNames; *p; ++p) std::printf("%s\n", *p);
  return qrx::kPendingHandlerCount == 0 ? 0 : 1;
}
