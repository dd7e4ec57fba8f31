#include "qrx/library/fault_guard.h"

uint32_t page_size = 0;

int QRXInitialize() {
  // The call point of the load-time initialiser. The signal handling of the
  // guard is installed here once the guarded accesses exist.
  return 1;
}
