// The program's actions for the signals the runner keeps, the interposed
// signal-installation and mask calls, and delivery of a signal to the
// program's own handler.
#include "qrx/run/run_signals.h"

#include <dlfcn.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstring>

namespace qrx_run {
namespace {

using SigactionFn = int (*)(int, const struct sigaction*, struct sigaction*);
using SigmaskFn = int (*)(int, const sigset_t*, sigset_t*);

template <typename Fn>
Fn next_symbol(const char* name) {
  return reinterpret_cast<Fn>(dlsym(RTLD_NEXT, name));
}

SigactionFn libc_sigaction() {
  static const SigactionFn fn = next_symbol<SigactionFn>("sigaction");
  return fn;
}
SigmaskFn libc_sigprocmask() {
  static const SigmaskFn fn = next_symbol<SigmaskFn>("sigprocmask");
  return fn;
}
SigmaskFn libc_pthread_sigmask() {
  static const SigmaskFn fn = next_symbol<SigmaskFn>("pthread_sigmask");
  return fn;
}

constexpr int kOwned[] = {SIGILL, SIGSEGV, SIGBUS};
constexpr int kOwnedCount = sizeof kOwned / sizeof kOwned[0];

int owned_index(int sig) {
  for (int i = 0; i < kOwnedCount; ++i)
    if (kOwned[i] == sig) return i;
  return -1;
}

// The program's actions, read by signal handlers on any thread. A sequence
// lock: writers make the count odd while they change an entry (with every
// signal blocked on their own thread, so no handler of theirs can spin on
// it); readers retry until they copy an entry under one even count.
struct ProgramActions {
  std::atomic<unsigned> seq{0};
  struct sigaction act[kOwnedCount];
};
ProgramActions program_actions;

struct sigaction read_program_action(int index) {
  struct sigaction copy;
  for (;;) {
    unsigned before = program_actions.seq.load(std::memory_order_acquire);
    if (before & 1) continue;
    std::memcpy(&copy, &program_actions.act[index], sizeof copy);
    std::atomic_thread_fence(std::memory_order_acquire);
    if (program_actions.seq.load(std::memory_order_relaxed) == before) return copy;
  }
}

void write_program_action(int index, const struct sigaction& act) {
  sigset_t all, saved;
  sigfillset(&all);
  libc_pthread_sigmask()(SIG_SETMASK, &all, &saved);
  unsigned even = program_actions.seq.load(std::memory_order_relaxed) & ~1u;
  while (!program_actions.seq.compare_exchange_weak(even, even + 1, std::memory_order_acquire))
    even &= ~1u;
  std::memcpy(&program_actions.act[index], &act, sizeof act);
  program_actions.seq.store(even + 2, std::memory_order_release);
  libc_pthread_sigmask()(SIG_SETMASK, &saved, nullptr);
}

// SIGILL is what QRX instructions raise: it is never blocked.
void keep_sigill_open(sigset_t* set) { sigdelset(set, SIGILL); }

bool is_default_or_ignored(const struct sigaction& act) {
  return !(act.sa_flags & SA_SIGINFO) && (act.sa_handler == SIG_DFL || act.sa_handler == SIG_IGN);
}

// Ends the process by `sig` with its default action.
[[noreturn]] void die_by(int sig) {
  struct sigaction dfl;
  std::memset(&dfl, 0, sizeof dfl);
  dfl.sa_handler = SIG_DFL;
  sigemptyset(&dfl.sa_mask);
  real_sigaction(sig, &dfl, nullptr);
  sigset_t only;
  sigemptyset(&only);
  sigaddset(&only, sig);
  libc_pthread_sigmask()(SIG_UNBLOCK, &only, nullptr);
  raise(sig);
  _exit(128 + sig);
}

// signal(), bsd_signal() and sysv_signal() in terms of sigaction().
sighandler_t install_simple(int sig, sighandler_t handler, bool bsd) {
  if (handler == SIG_ERR || sig <= 0 || sig >= NSIG) {
    errno = EINVAL;
    return SIG_ERR;
  }
  struct sigaction act, old;
  std::memset(&act, 0, sizeof act);
  act.sa_handler = handler;
  sigemptyset(&act.sa_mask);
  if (bsd) {
    sigaddset(&act.sa_mask, sig);
    act.sa_flags = SA_RESTART;
  } else {
    act.sa_flags = SA_RESETHAND | SA_NODEFER;
  }
  if (sigaction(sig, &act, &old) < 0) return SIG_ERR;
  return old.sa_handler;
}

int filtered_mask(SigmaskFn fn, int how, const sigset_t* set, sigset_t* old) {
  if (set == nullptr || how == SIG_UNBLOCK) return fn(how, set, old);
  sigset_t copy = *set;
  keep_sigill_open(&copy);
  return fn(how, &copy, old);
}

}  // namespace

bool runner_owns(int sig) { return owned_index(sig) >= 0; }

int real_sigaction(int sig, const struct sigaction* act, struct sigaction* old) {
  return libc_sigaction()(sig, act, old);
}

void record_initial_actions() {
  for (int i = 0; i < kOwnedCount; ++i) {
    struct sigaction act;
    if (real_sigaction(kOwned[i], nullptr, &act) == 0) write_program_action(i, act);
  }
}

void deliver_to_program(int sig, siginfo_t* info, ucontext_t* uc, bool refaults) {
  int index = owned_index(sig);
  struct sigaction act = read_program_action(index);
  if (is_default_or_ignored(act)) {
    // A signal sent by a process (not raised by an instruction) that the
    // program ignores is dropped, as the kernel would.
    bool from_instruction = info->si_code > 0;
    if (act.sa_handler == SIG_IGN && !from_instruction) return;
    if (!refaults) die_by(sig);
    // Returning re-executes the instruction, which raises the signal again
    // under the default action: the process ends the native way.
    struct sigaction dfl;
    std::memset(&dfl, 0, sizeof dfl);
    dfl.sa_handler = SIG_DFL;
    sigemptyset(&dfl.sa_mask);
    real_sigaction(sig, &dfl, nullptr);
    return;
  }
  // An instruction's signal that the program blocks ends it, as the kernel
  // would end it.
  if (info->si_code > 0 && sigismember(&uc->uc_sigmask, sig)) die_by(sig);
  if (act.sa_flags & SA_RESETHAND) {
    struct sigaction dfl = act;
    dfl.sa_handler = SIG_DFL;
    dfl.sa_flags &= ~SA_SIGINFO;
    write_program_action(index, dfl);
  }
  // The mask the program's handler runs under: the interrupted context's,
  // its action's, and the signal itself unless the action says otherwise.
  sigset_t mask = uc->uc_sigmask, saved;
  for (int s = 1; s < NSIG; ++s)
    if (sigismember(&act.sa_mask, s)) sigaddset(&mask, s);
  if (!(act.sa_flags & SA_NODEFER)) sigaddset(&mask, sig);
  keep_sigill_open(&mask);
  libc_pthread_sigmask()(SIG_SETMASK, &mask, &saved);
  if (act.sa_flags & SA_SIGINFO)
    act.sa_sigaction(sig, info, uc);
  else
    act.sa_handler(sig);
  libc_pthread_sigmask()(SIG_SETMASK, &saved, nullptr);
}

}  // namespace qrx_run

// ----- Interposed C library calls -------------------------------------------

using qrx_run::runner_owns;

extern "C" {

__attribute__((visibility("default"))) int sigaction(int sig, const struct sigaction* act,
                                                     struct sigaction* old) noexcept {
  if (!runner_owns(sig)) {
    if (act == nullptr) return qrx_run::real_sigaction(sig, act, old);
    struct sigaction copy = *act;
    qrx_run::keep_sigill_open(&copy.sa_mask);
    return qrx_run::real_sigaction(sig, &copy, old);
  }
  int index = qrx_run::owned_index(sig);
  if (old) *old = qrx_run::read_program_action(index);
  if (act) qrx_run::write_program_action(index, *act);
  return 0;
}

__attribute__((visibility("default"))) sighandler_t signal(int sig, sighandler_t handler) noexcept {
  return qrx_run::install_simple(sig, handler, true);
}

__attribute__((visibility("default"))) sighandler_t bsd_signal(int sig, sighandler_t handler) noexcept {
  return qrx_run::install_simple(sig, handler, true);
}

__attribute__((visibility("default"))) sighandler_t sysv_signal(int sig, sighandler_t handler) noexcept {
  return qrx_run::install_simple(sig, handler, false);
}

__attribute__((visibility("default"))) sighandler_t __sysv_signal(int sig, sighandler_t handler) noexcept {
  return qrx_run::install_simple(sig, handler, false);
}

__attribute__((visibility("default"))) int sigprocmask(int how, const sigset_t* set,
                                                       sigset_t* old) noexcept {
  return qrx_run::filtered_mask(qrx_run::libc_sigprocmask(), how, set, old);
}

__attribute__((visibility("default"))) int pthread_sigmask(int how, const sigset_t* set,
                                                           sigset_t* old) noexcept {
  return qrx_run::filtered_mask(qrx_run::libc_pthread_sigmask(), how, set, old);
}

}  // extern "C"
