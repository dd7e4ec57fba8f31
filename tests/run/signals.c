/* The runner's SIGILL handling as the program sees it. One mode per run:

   chain      the program installs its own SIGILL handler with sigaction: QRX
              instructions still run (the handler never sees them), the
              handler is what sigaction reports back, and an undefined
              instruction, a QRX word the emulator cannot execute (argv[2])
              and a SIGILL sent by raise() each reach it, the first two at
              their own address
   signal     the same with signal()
   masked     the program blocks every signal: QRX instructions still run
   undefined  no handler: an undefined instruction ends the program by SIGILL
   failing    no handler: the QRX word argv[2] ends the program by SIGILL
   ignored    SIGILL ignored: an undefined instruction still ends the program

   Prints "ok: MODE" when every check of the mode held. */
#define _GNU_SOURCE
#include <setjmp.h>
#include <signal.h>
#include <stdint.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/mman.h>
#include <ucontext.h>

static sigjmp_buf resume;
static volatile int caught;
static volatile uintptr_t caught_addr, caught_pc;
static volatile int caught_code;

static void on_sigill_info(int sig, siginfo_t* info, void* context) {
  ucontext_t* uc = context;
  caught = sig;
  caught_addr = (uintptr_t)info->si_addr;
  caught_pc = (uintptr_t)uc->uc_mcontext.pc;
  caught_code = info->si_code;
  siglongjmp(resume, 1);
}

static void on_sigill_plain(int sig) {
  caught = sig;
  siglongjmp(resume, 1);
}

static int failures;
static void check(int ok, const char* what) {
  if (!ok) {
    printf("FAILED: %s\n", what);
    failures++;
  }
}

/* A QRX loop whose result is known: the active elements of WHILELO over
   0..limit summed for limit = 0..99 (36 word elements per vector). */
static void check_qrx_runs(void) {
  uint64_t total = 0;
  for (uint64_t limit = 0; limit < 100; ++limit) {
    uint64_t n;
    __asm__ volatile("whilelo p1.s, xzr, %[l]\n\tcntp %[n], p1, p1.s" : [n] "=r"(n) : [l] "r"(limit) : "p1", "cc");
    total += n;
  }
  check(total == 2934, "QRX instructions run with the program's handler installed");
  check(caught == 0, "the program's handler never sees a QRX instruction");
}

/* An executable page holding WORD then a return. */
typedef void (*code_fn)(void);
static code_fn code_with(uint32_t word) {
  uint32_t* page = mmap(NULL, 4096, PROT_READ | PROT_WRITE | PROT_EXEC, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
  if (page == MAP_FAILED) exit(3);
  page[0] = word;
  page[1] = 0xd65f03c0; /* ret */
  __builtin___clear_cache((char*)page, (char*)(page + 2));
  return (code_fn)page;
}

static void undefined_instruction(void) { __asm__ volatile(".inst 0x00000000"); }

/* Runs fn and reports whether the handler caught SIGILL, and where. */
static int traps(void (*fn)(void)) {
  caught = 0;
  if (sigsetjmp(resume, 1) == 0) fn();
  return caught == SIGILL;
}

static code_fn failing_word;
static void run_failing_word(void) { failing_word(); }
static void raise_sigill(void) { raise(SIGILL); }

static void check_chain(int with_info) {
  check_qrx_runs();
  check(traps(undefined_instruction), "an undefined instruction reaches the program's handler");
  if (with_info) {
    check(caught_code > 0, "si_code says an instruction raised it");
    check(caught_addr == caught_pc && caught_pc != 0, "at the instruction's own address");
  }
  if (failing_word) {
    check(traps(run_failing_word), "a QRX word the emulator cannot execute reaches the handler");
    if (with_info) check(caught_pc == (uintptr_t)failing_word, "at that word's address");
  }
  check(traps(raise_sigill), "a SIGILL sent by raise() reaches the handler");
  if (with_info) check(caught_code == SI_TKILL, "as a sent signal");
  caught = 0;
  check_qrx_runs();
}

int main(int argc, char** argv) {
  if (argc < 2) return 2;
  const char* mode = argv[1];
  if (argc > 2) failing_word = code_with((uint32_t)strtoul(argv[2], NULL, 16));

  if (!strcmp(mode, "chain")) {
    struct sigaction act, back;
    memset(&act, 0, sizeof act);
    act.sa_sigaction = on_sigill_info;
    act.sa_flags = SA_SIGINFO;
    sigemptyset(&act.sa_mask);
    check(sigaction(SIGILL, &act, NULL) == 0, "sigaction succeeds");
    check(sigaction(SIGILL, NULL, &back) == 0 && back.sa_sigaction == on_sigill_info &&
              (back.sa_flags & SA_SIGINFO),
          "sigaction reports the program's own handler");
    check_chain(1);
  } else if (!strcmp(mode, "signal")) {
    check(signal(SIGILL, on_sigill_plain) == SIG_DFL, "signal() returns the previous (default) action");
    check(signal(SIGILL, on_sigill_plain) == on_sigill_plain, "signal() returns the program's handler");
    check_chain(0);
  } else if (!strcmp(mode, "masked")) {
    sigset_t all;
    sigfillset(&all);
    sigprocmask(SIG_BLOCK, &all, NULL);
    check_qrx_runs();
  } else if (!strcmp(mode, "undefined")) {
    undefined_instruction();
    check(0, "an undefined instruction without a handler returned");
  } else if (!strcmp(mode, "failing")) {
    if (failing_word) failing_word();
    check(0, "a failing QRX word without a handler returned");
  } else if (!strcmp(mode, "ignored")) {
    signal(SIGILL, SIG_IGN);
    undefined_instruction();
    check(0, "an undefined instruction with SIGILL ignored returned");
  } else {
    return 2;
  }
  if (failures) return 1;
  printf("ok: %s\n", mode);
  return 0;
}
