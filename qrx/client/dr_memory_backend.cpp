// The memory backend of the core inside DynamoRIO: emulated accesses go
// through the framework's safe reads and writes, so no signal handler of ours
// is ever installed (one installed with sigaction would replace the
// framework's own). A fault of a plain access prints the fault line and ends
// the process.
#include <signal.h>

#include "dr_api.h"
#include "qrx/library/fault_guard.h"
#include "qrx/library/guarded_memory.h"

namespace {

bool dr_try_read(const void* addr, void* out, size_t n) {
  size_t done = 0;
  return dr_safe_read(addr, n, out, &done) && done == n;
}

bool dr_readable(const void* addr) {
  unsigned char byte;
  return dr_try_read(addr, &byte, 1);
}

void application_fault() {
  qrx::print_application_fault(SIGSEGV);
  dr_abort();
}

void dr_read(const void* addr, void* out, size_t n) {
  if (!dr_try_read(addr, out, n)) application_fault();
}

void dr_write(void* addr, const void* in, size_t n) {
  size_t done = 0;
  if (!dr_safe_write(addr, n, in, &done) || done != n) application_fault();
}

const qrx::MemoryBackend kFrameworkBackend = {
    "dynamorio", dr_try_read, dr_readable, dr_read, dr_write, nullptr,
};

// Runs before the core's load-time initialiser (default priority), whose
// QRXInitialize then finds this backend and installs no signal handler.
__attribute__((constructor(101))) void select_framework_backend() {
  qrx::set_memory_backend(&kFrameworkBackend);
}

}  // namespace
