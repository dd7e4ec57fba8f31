// The program's view of SIGILL, SIGSEGV and SIGBUS under the trap runner.
//
// The runner's own handlers stay installed for these three signals; the
// actions the program asks for are kept here and invoked by the runner when a
// signal is the program's (an instruction that is not QRX, a fault of an
// emulated access, a fault of the program's own code). Every other signal is
// the program's alone: its calls go straight to the C library, except that
// SIGILL is never blocked, so QRX code keeps working inside handlers and in
// threads that block "all" signals.
#ifndef QRX_RUN_RUN_SIGNALS_H
#define QRX_RUN_RUN_SIGNALS_H

#include <signal.h>

namespace qrx_run {

// Whether the runner keeps its own handler for `sig`.
bool runner_owns(int sig);

// The C library's sigaction, bypassing the interposed one.
int real_sigaction(int sig, const struct sigaction* act, struct sigaction* old);

// Records the actions in force when the runner starts as the program's.
void record_initial_actions();

// Hands `sig` to the program as the kernel would have. `info` and `uc`
// describe the signal and the context the program's handler sees (and may
// change). `refaults` says whether returning to `uc` raises the same signal
// again (a fault or an undefined instruction): then a program without a
// handler dies by re-executing the instruction; otherwise it dies by the
// signal being raised here.
void deliver_to_program(int sig, siginfo_t* info, ucontext_t* uc, bool refaults);

}  // namespace qrx_run

#endif  // QRX_RUN_RUN_SIGNALS_H
