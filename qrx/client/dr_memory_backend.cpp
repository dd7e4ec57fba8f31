// The memory backend of the core inside DynamoRIO: emulated accesses go
// through the framework's safe reads and writes, so no signal handler of ours
// is ever installed (one installed with sigaction would replace the
// framework's own) and no access faults inside a clean call (the framework
// would end the process with its crash report).
//
// A plain access that fails is the application's fault: the emulation entry
// stops the instruction and the inserted code raises the native fault at
// the first byte that cannot be accessed (qrx_emulate.cpp). Outside an
// emulated instruction there is no application instruction to blame: the
// fault line is printed and the process ends.
#include <signal.h>

#include "dr_api.h"
#include "qrx/client/qrx_client.h"
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

// Whether one byte can be written: rewritten with its own value.
bool dr_writable(void* addr) {
  unsigned char byte;
  size_t done = 0;
  return dr_try_read(addr, &byte, 1) && dr_safe_write(addr, 1, &byte, &done) && done == 1;
}

template <typename Accessible>
void application_fault(const void* addr, size_t n, bool write, Accessible accessible) {
  const unsigned char* bytes = static_cast<const unsigned char*>(addr);
  size_t first = 0;
  while (first + 1 < n && accessible(bytes + first)) ++first;
  deliver_access_fault(reinterpret_cast<uint64_t>(bytes + first), write);
  qrx::print_application_fault(SIGSEGV);
  dr_abort();
}

void dr_read(const void* addr, void* out, size_t n) {
  if (!dr_try_read(addr, out, n)) application_fault(addr, n, false, dr_readable);
}

void dr_write(void* addr, const void* in, size_t n) {
  size_t done = 0;
  if (!dr_safe_write(addr, n, in, &done) || done != n)
    application_fault(addr, n, true, [](const void* a) { return dr_writable(const_cast<void*>(a)); });
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
