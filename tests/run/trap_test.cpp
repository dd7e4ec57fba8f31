// The trap runner's instruction step with handlers of the test's own, for
// what the implemented instruction families cannot reach yet: a plain
// emulated access that faults is delivered to the program's handler at the
// trapped instruction with the faulting address, or ends the program by the
// signal. This program links the runner itself, so its sigaction calls are
// the program's.
#include <setjmp.h>
#include <signal.h>
#include <sys/mman.h>
#include <ucontext.h>

#include <cstdint>
#include <cstring>

#include <gtest/gtest.h>

#include "qrx/library/guarded_memory.h"
#include "qrx/run/run_trap.h"

namespace {

// An undefined instruction (not QRX) stands in for the trapped word.
__attribute__((noinline)) void trap_here() { __asm__ volatile(".inst 0x00000000"); }

uint64_t bad_address;
kalt64_handler step_handler;

struct Seen {
  int signal;
  uintptr_t address, pc, x27;
};
Seen seen;

kalt64_decode_rc store_to_bad_address(cpu_state*, unsigned int) {
  qrx::store_app<uint32_t>(bad_address, 1);
  return KALT64_DECODE_OK;
}
kalt64_decode_rc load_from_bad_address(cpu_state*, unsigned int) {
  (void)qrx::load_app<uint64_t>(bad_address);
  return KALT64_DECODE_OK;
}
kalt64_decode_rc write_x27(cpu_state* s, unsigned int) {
  s->x[27] = 0x2700;
  return KALT64_DECODE_OK;
}

// The program's SIGSEGV/SIGBUS handler: notes what it saw, then resumes
// after the trapped instruction.
void on_fault(int sig, siginfo_t* info, void* context) {
  auto* uc = static_cast<ucontext_t*>(context);
  seen = {sig, reinterpret_cast<uintptr_t>(info->si_addr), static_cast<uintptr_t>(uc->uc_mcontext.pc),
          static_cast<uintptr_t>(uc->uc_mcontext.regs[27])};
  uc->uc_mcontext.pc += 4;
}

// The program's SIGILL handler runs the step on the undefined instruction's
// context, as the runner's own SIGILL handler does for a QRX word.
void on_trap(int, siginfo_t*, void* context) {
  auto* uc = static_cast<ucontext_t*>(context);
  uintptr_t pc = uc->uc_mcontext.pc;
  if (!qrx_run::run_trapped_instruction(uc, 0, step_handler)) uc->uc_mcontext.pc += 4;
  if (seen.signal == 0 && uc->uc_mcontext.pc == pc + 4) seen.x27 = uc->uc_mcontext.regs[27];
}

void install(int sig, void (*fn)(int, siginfo_t*, void*)) {
  struct sigaction act;
  std::memset(&act, 0, sizeof act);
  act.sa_sigaction = fn;
  act.sa_flags = SA_SIGINFO;
  sigemptyset(&act.sa_mask);
  ASSERT_EQ(sigaction(sig, &act, nullptr), 0);
}

uint64_t unmapped_page() {
  void* page = mmap(nullptr, 4096, PROT_NONE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
  EXPECT_NE(page, MAP_FAILED);
  return reinterpret_cast<uint64_t>(page) + 12;
}

class TrapStep : public ::testing::Test {
 protected:
  void SetUp() override {
    seen = {};
    bad_address = unmapped_page();
    install(SIGILL, on_trap);
  }
};

TEST_F(TrapStep, FaultingAccessReachesTheProgramsHandlerAtTheInstruction) {
  install(SIGSEGV, on_fault);
  for (kalt64_handler access : {store_to_bad_address, load_from_bad_address}) {
    SCOPED_TRACE(access == store_to_bad_address ? "store" : "load");
    seen = {};
    step_handler = access;
    trap_here();
    EXPECT_EQ(seen.signal, SIGSEGV);
    EXPECT_EQ(seen.address, bad_address);
    EXPECT_EQ(seen.pc, reinterpret_cast<uintptr_t>(&trap_here));
  }
}

TEST_F(TrapStep, SuccessfulStepWritesRegistersBackAndMovesPastTheInstruction) {
  step_handler = write_x27;
  trap_here();
  EXPECT_EQ(seen.signal, 0);
  EXPECT_EQ(seen.x27, 0x2700u);
}

using TrapStepDeathTest = TrapStep;

TEST_F(TrapStepDeathTest, FaultWithoutAProgramHandlerEndsTheProgramBySigsegv) {
  step_handler = store_to_bad_address;
  EXPECT_EXIT(trap_here(), ::testing::KilledBySignal(SIGSEGV), "");
}

}  // namespace
