/* Faults under the runner, as the program sees them. One mode per run:

   native       the program's own load from an unmapped page reaches its
                SIGSEGV handler with the page's address
   native-die   the same without a handler ends the program by SIGSEGV
   store        a QRX store to an unmapped page reaches the program's SIGSEGV
                handler at the store's address, with the page's address
   store-die    the same without a handler ends the program by SIGSEGV
   load-bus     a QRX load from a file mapping beyond the file's end reaches
                the program's SIGBUS handler at the load's address
   load-bus-die the same without a handler ends the program by SIGBUS

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
#include <unistd.h>

static sigjmp_buf resume;
static volatile int caught;
static volatile uintptr_t caught_addr, caught_pc;

static void on_fault(int sig, siginfo_t* info, void* context) {
  ucontext_t* uc = context;
  caught = sig;
  caught_addr = (uintptr_t)info->si_addr;
  caught_pc = (uintptr_t)uc->uc_mcontext.pc;
  siglongjmp(resume, 1);
}

static void handle(int sig) {
  struct sigaction act;
  memset(&act, 0, sizeof act);
  act.sa_sigaction = on_fault;
  act.sa_flags = SA_SIGINFO;
  sigemptyset(&act.sa_mask);
  sigaction(sig, &act, NULL);
}

static int failures;
static void check(int ok, const char* what) {
  if (!ok) {
    printf("FAILED: %s\n", what);
    failures++;
  }
}

static char* unmapped_page(void) {
  char* page = mmap(NULL, 4096, PROT_NONE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
  if (page == MAP_FAILED) exit(3);
  return page;
}

/* A page of a mapping that lies wholly beyond the end of its (one-byte)
   file: touching it raises SIGBUS. */
static char* beyond_end_of_file(void) {
  FILE* f = tmpfile();
  if (!f || fputc('x', f) == EOF || fflush(f) != 0) exit(3);
  char* map = mmap(NULL, 2 * 4096, PROT_READ, MAP_PRIVATE, fileno(f), 0);
  if (map == MAP_FAILED) exit(3);
  return map + 4096;
}

/* Each records the address of its QRX instruction before running it: the
   handler leaves before the statement finishes. */
static uintptr_t qrx_store_at;
static void qrx_store(char* to) {
  __asm__ volatile(
      "ptrue p0.s\n\t"
      "adr x9, 1f\n\t"
      "str x9, [%[at]]\n"
      "1:\n\t"
      "st1w {z0.s}, p0, [%[to]]"
      :
      : [to] "r"(to), [at] "r"(&qrx_store_at)
      : "x9", "p0", "memory");
}

static uintptr_t qrx_load_at;
static void qrx_load(const char* from) {
  __asm__ volatile(
      "ptrue p0.s\n\t"
      "adr x9, 1f\n\t"
      "str x9, [%[at]]\n"
      "1:\n\t"
      "ld1w {z0.s}, p0/z, [%[from]]"
      :
      : [from] "r"(from), [at] "r"(&qrx_load_at)
      : "x9", "p0", "z0", "memory");
}

int main(int argc, char** argv) {
  if (argc < 2) return 2;
  const char* mode = argv[1];
  int die = strstr(mode, "-die") != NULL;

  if (!strncmp(mode, "native", 6)) {
    volatile char* page = unmapped_page();
    if (!die) handle(SIGSEGV);
    if (sigsetjmp(resume, 1) == 0) (void)page[8];
    check(caught == SIGSEGV, "the program's SIGSEGV handler ran");
    check(caught_addr == (uintptr_t)page + 8, "with the faulting address");
  } else if (!strncmp(mode, "store", 5)) {
    char* page = unmapped_page();
    if (!die) handle(SIGSEGV);
    if (sigsetjmp(resume, 1) == 0) qrx_store(page);
    check(caught == SIGSEGV, "the program's SIGSEGV handler ran");
    check(caught_addr == (uintptr_t)page, "with the faulting address");
    check(caught_pc == qrx_store_at, "at the QRX store");
  } else if (!strncmp(mode, "load-bus", 8)) {
    const char* beyond = beyond_end_of_file();
    if (!die) handle(SIGBUS);
    if (sigsetjmp(resume, 1) == 0) qrx_load(beyond);
    check(caught == SIGBUS, "the program's SIGBUS handler ran");
    check(caught_addr == (uintptr_t)beyond, "with the faulting address");
    check(caught_pc == qrx_load_at, "at the QRX load");
  } else {
    return 2;
  }
  if (die) {
    printf("FAILED: %s returned\n", mode);
    return 1;
  }
  if (failures) return 1;
  printf("ok: %s\n", mode);
  return 0;
}
