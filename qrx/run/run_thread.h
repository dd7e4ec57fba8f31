// Per-thread state of the trap runner: the thread's emulated register file
// and what the SIGILL, SIGSEGV and SIGBUS handlers share while one trapped
// QRX instruction runs.
#ifndef QRX_RUN_RUN_THREAD_H
#define QRX_RUN_RUN_THREAD_H

#include <setjmp.h>
#include <signal.h>

#include <cstdint>

#include "qrx/state/cpu_state.h"

namespace qrx_run {

// What the thread is doing with application memory, as the fault handler
// must know it.
enum AccessMode : int {
  kNoAccess = 0,  // a fault is the program's own
  kPlain = 1,     // an emulated access: a fault is delivered to the program
  kGuarded = 2,   // a guarded read: a fault is reported to the reader
};

struct ThreadRun {
  // The thread's register file. Thread storage starts zeroed, so every new
  // thread begins with zero vector upper bytes, predicates and FFR.
  cpu_state state;
  // Set by the SIGILL handler before it runs a handler: where a faulting
  // plain access abandons the instruction.
  sigjmp_buf instruction;
  // Set by a guarded read before it touches memory.
  sigjmp_buf guard;
  volatile sig_atomic_t mode;
  // Whether `instruction` is armed (a handler is running).
  volatile sig_atomic_t in_instruction;
  // First application byte of the page chunk a plain access is copying.
  volatile uintptr_t access_start;
  // The fault that abandoned the instruction.
  siginfo_t fault;
};

// The calling thread's record. Initial-exec thread storage: the signal
// handlers reach it without calling into the dynamic loader.
ThreadRun& this_thread();

}  // namespace qrx_run

#endif  // QRX_RUN_RUN_THREAD_H
