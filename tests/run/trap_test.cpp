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
#include <unistd.h>

#include <cstdint>
#include <cstring>

#include <gtest/gtest.h>

#include "qrx/library/guarded_memory.h"
#include "qrx/run/run_trap.h"

namespace {

// An undefined instruction (not QRX) stands in for the trapped word.
__attribute__((noinline)) void trap_here() { __asm__ volatile(".inst 0x00000000"); }

// A 16-byte access that starts 6 bytes before an inaccessible page.
struct Block {
  uint8_t bytes[16];
};
uint64_t access_address, inaccessible_page;
kalt64_handler step_handler;

struct Seen {
  int signal;
  uintptr_t address, pc, x27;
};
Seen seen;

kalt64_decode_rc store_across_the_edge(cpu_state*, unsigned int) {
  Block ones;
  std::memset(ones.bytes, 0xff, sizeof ones.bytes);
  qrx::store_app(access_address, ones);
  return KALT64_DECODE_OK;
}
kalt64_decode_rc load_across_the_edge(cpu_state*, unsigned int) {
  (void)qrx::load_app<Block>(access_address);
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

// A writable page followed by an inaccessible one; returns the latter.
uint64_t page_before_a_hole() {
  const size_t page = static_cast<size_t>(sysconf(_SC_PAGESIZE));
  auto* pages = static_cast<char*>(
      mmap(nullptr, 2 * page, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0));
  EXPECT_NE(pages, MAP_FAILED);
  EXPECT_EQ(mprotect(pages + page, page, PROT_NONE), 0);
  return reinterpret_cast<uint64_t>(pages + page);
}

class TrapStep : public ::testing::Test {
 protected:
  void SetUp() override {
    seen = {};
    inaccessible_page = page_before_a_hole();
    access_address = inaccessible_page - 6;
    install(SIGILL, on_trap);
  }
};

TEST_F(TrapStep, FaultingAccessReachesTheProgramsHandlerAtTheInstruction) {
  install(SIGSEGV, on_fault);
  for (kalt64_handler access : {store_across_the_edge, load_across_the_edge}) {
    SCOPED_TRACE(access == store_across_the_edge ? "store" : "load");
    seen = {};
    step_handler = access;
    trap_here();
    EXPECT_EQ(seen.signal, SIGSEGV);
    // The first byte that cannot be accessed, at the trapped instruction.
    EXPECT_EQ(seen.address, inaccessible_page);
    EXPECT_EQ(seen.pc, reinterpret_cast<uintptr_t>(&trap_here));
  }
  // The store's bytes before the hole were stored, in ascending order.
  const auto* before = reinterpret_cast<const uint8_t*>(access_address);
  for (int i = 0; i < 6; ++i) EXPECT_EQ(before[i], 0xff) << i;
}

TEST_F(TrapStep, SuccessfulStepWritesRegistersBackAndMovesPastTheInstruction) {
  step_handler = write_x27;
  trap_here();
  EXPECT_EQ(seen.signal, 0);
  EXPECT_EQ(seen.x27, 0x2700u);
}

using TrapStepDeathTest = TrapStep;

TEST_F(TrapStepDeathTest, FaultWithoutAProgramHandlerEndsTheProgramBySigsegv) {
  step_handler = store_across_the_edge;
  EXPECT_EXIT(trap_here(), ::testing::KilledBySignal(SIGSEGV), "");
}

}  // namespace
