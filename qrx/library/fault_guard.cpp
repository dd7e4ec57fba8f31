#include "qrx/library/fault_guard.h"

#include <setjmp.h>
#include <unistd.h>

#include <cstring>

#include "qrx/library/guarded_memory.h"

uint32_t page_size = 0;
uint32_t QRXLibInitialized = 0;
CpuContext cpu_ctxt;
CpuContext* ctxt = nullptr;

namespace {

// One guard per thread: set while the thread's guarded copy touches memory.
// Initial-exec TLS, so that the signal handler reaches it without calling
// into the dynamic loader.
struct FaultGuard {
  sigjmp_buf jump;
  volatile sig_atomic_t in_region;
};
__attribute__((tls_model("initial-exec"))) thread_local FaultGuard guard;

constexpr int kHandlerFlags = SA_SIGINFO | SA_RESTART | SA_NODEFER;

void set_action(int signal, void (*handler)(int, siginfo_t*, void*)) {
  struct sigaction action;
  std::memset(&action, 0, sizeof action);
  if (handler) {
    action.sa_sigaction = handler;
    action.sa_flags = kHandlerFlags;
  } else {
    action.sa_handler = SIG_DFL;
    action.sa_flags = SA_RESTART | SA_NODEFER;
  }
  sigemptyset(&action.sa_mask);
  sigaction(signal, &action, nullptr);
}

void write_all(const char* text, size_t n) {
  while (n > 0) {
    ssize_t done = write(STDERR_FILENO, text, n);
    if (done <= 0) return;
    text += done;
    n -= static_cast<size_t>(done);
  }
}

}  // namespace

namespace qrx {

void print_application_fault(int signal) {
  // Plain write(2) pieces: this runs inside a signal handler.
  static const char kHead[] = "ovlin's QRXSigHandler caught signal ";
  static const char kTail[] =
      " from the process being emulated, passing it to the default signal handler.\n";
  const char* name = signal == SIGSEGV ? "SIGSEGV" : "SIGBUS";
  write_all(kHead, sizeof kHead - 1);
  write_all(name, std::strlen(name));
  write_all(kTail, sizeof kTail - 1);
}

bool host_guarded_copy(const void* addr, void* out, size_t n) {
  if (n == 0) return true;
  if (sigsetjmp(guard.jump, 1) != 0) return false;  // back from the handler
  guard.in_region = 1;
  const volatile unsigned char* src = static_cast<const volatile unsigned char*>(addr);
  unsigned char* dst = static_cast<unsigned char*>(out);
  for (size_t i = 0; i < n; ++i) dst[i] = src[i];
  guard.in_region = 0;
  return true;
}

void install_host_fault_handler() {
  set_action(SIGSEGV, QRXSigHandler);
  set_action(SIGBUS, QRXSigHandler);
}

}  // namespace qrx

extern "C" void QRXSigHandler(int signal, siginfo_t* /*info*/, void* /*context*/) {
  if (guard.in_region) {
    guard.in_region = 0;
    siglongjmp(guard.jump, 1);
  }
  // The application's own fault: restore the default actions and return, so
  // that the faulting instruction runs again and the default action ends the
  // process by the same signal.
  set_action(SIGSEGV, nullptr);
  set_action(SIGBUS, nullptr);
  qrx::print_application_fault(signal);
}

int QRXInitialize() {
  if (QRXLibInitialized) return static_cast<int>(QRXLibInitialized);
  cpu_ctxt.VL = 2;
  ctxt = &cpu_ctxt;
  if (void (*install)() = qrx::memory_backend().install) install();
  QRXLibInitialized = 1;
  return 1;
}
