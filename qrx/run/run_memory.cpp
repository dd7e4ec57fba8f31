// The trap runner's memory backend: emulated accesses are plain copies
// watched by the runner's SIGSEGV/SIGBUS handler. A fault of a guarded read is
// reported to the reader; a fault of a plain access abandons the instruction
// and is delivered to the program at the QRX instruction, with the faulting
// address, as the native access would have faulted; any other fault is the
// program's own and goes to its handler.
#include <cstdint>
#include <cstring>

#include "qrx/library/guarded_memory.h"
#include "qrx/run/run_signals.h"
#include "qrx/run/run_thread.h"
#include "qrx/run/run_trap.h"

namespace qrx_run {
namespace {

__attribute__((tls_model("initial-exec"))) thread_local ThreadRun thread_run;

// Keeps the compiler from moving memory accesses across a mode change.
inline void compiler_barrier() { __asm__ __volatile__("" ::: "memory"); }

bool run_try_read(const void* addr, void* out, size_t n) {
  ThreadRun& t = thread_run;
  int outer = t.mode;
  if (sigsetjmp(t.guard, 0) != 0) {
    t.mode = outer;
    return false;
  }
  t.mode = kGuarded;
  compiler_barrier();
  std::memcpy(out, addr, n);
  compiler_barrier();
  t.mode = outer;
  return true;
}

bool run_readable(const void* addr) {
  unsigned char byte;
  return run_try_read(addr, &byte, 1);
}

// A plain copy, page by page in ascending order: when a page faults, the
// bytes of the pages before it have been copied and the fault names the
// first byte of the faulting page that the access touches, whichever byte
// the copy happened to touch first.
void plain_copy(unsigned char* dst, const unsigned char* src, size_t n, uintptr_t app) {
  ThreadRun& t = thread_run;
  const size_t granule = qrx::readable_granule();
  t.mode = kPlain;
  for (size_t done = 0; done < n;) {
    uintptr_t at = app + done;
    size_t chunk = granule - (at & (granule - 1));
    if (chunk > n - done) chunk = n - done;
    t.access_start = at;
    compiler_barrier();
    std::memcpy(dst + done, src + done, chunk);
    compiler_barrier();
    done += chunk;
  }
  t.mode = kNoAccess;
}

void run_read(const void* addr, void* out, size_t n) {
  plain_copy(static_cast<unsigned char*>(out), static_cast<const unsigned char*>(addr), n,
             reinterpret_cast<uintptr_t>(addr));
}

void run_write(void* addr, const void* in, size_t n) {
  plain_copy(static_cast<unsigned char*>(addr), static_cast<const unsigned char*>(in), n,
             reinterpret_cast<uintptr_t>(addr));
}

void on_fault(int sig, siginfo_t* info, void* context) {
  ThreadRun& t = thread_run;
  if (t.mode == kGuarded) siglongjmp(t.guard, 1);
  if (t.mode == kPlain && t.in_instruction) {
    t.mode = kNoAccess;
    t.fault = *info;
    t.fault.si_addr = reinterpret_cast<void*>(t.access_start);
    siglongjmp(t.instruction, 1);
  }
  deliver_to_program(sig, info, static_cast<ucontext_t*>(context), info->si_code > 0);
}

void install_fault_handler() {
  struct sigaction act;
  std::memset(&act, 0, sizeof act);
  act.sa_sigaction = on_fault;
  // Nested faults must reach the handler (a guarded read inside an
  // instruction); the alternate stack, when the program has one, is where a
  // stack-overflow fault can be handled.
  act.sa_flags = SA_SIGINFO | SA_NODEFER | SA_ONSTACK | SA_RESTART;
  sigemptyset(&act.sa_mask);
  real_sigaction(SIGSEGV, &act, nullptr);
  real_sigaction(SIGBUS, &act, nullptr);
}

}  // namespace

ThreadRun& this_thread() { return thread_run; }

namespace {

void install_runner() {
  record_initial_actions();
  install_fault_handler();
  install_trap_handler();
}

const qrx::MemoryBackend kRunBackend = {
    "qrx-run", run_try_read, run_readable, run_read, run_write, install_runner,
};

// Runs before the core's load-time initialiser, whose QRXInitialize then
// installs this backend's handlers instead of the host fault guard.
__attribute__((constructor(101))) void select_run_backend() { qrx::set_memory_backend(&kRunBackend); }

}  // namespace
}  // namespace qrx_run
