// The reference probe: runs a batch of QRX cases on the reference processor
// model and reports the resulting states.
//
// Reads a probe_header and its probe_case records from standard input. For
// each case it fills the data region (mapped once at the fixed address, with
// the guard pages after it left unmapped, or the first of them mapped
// PROT_NONE when the header asks), patches the case's word into the
// entry routine's slot, runs it from the complete register image and writes
// a probe_result (and the region, when the case changed it) to standard
// output. A case that faults is recorded with its signal and the probe goes
// on with the next one.
#include <setjmp.h>
#include <signal.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "probe_abi.h"

using namespace qrx::harness;
using qrx::kVectorBytes;

extern "C" void qrx_probe_run(const probe_regs* in, probe_regs* out);
extern "C" uint32_t qrx_probe_slot[];

namespace {

sigjmp_buf g_resume;
volatile sig_atomic_t g_signal;
constexpr int kFaultSignals[] = {SIGSEGV, SIGBUS, SIGILL, SIGFPE, SIGTRAP};

void on_fault(int sig) {
  g_signal = sig;
  siglongjmp(g_resume, 1);
}

[[noreturn]] void die(const char* what) {
  std::fprintf(stderr, "qrx-probe: %s (%s)\n", what, std::strerror(errno));
  std::exit(1);
}

// The case's stack pointer may be anything, so faults are taken on an
// alternate stack.
void install_fault_handlers() {
  static std::vector<char> alt(1 << 16);
  stack_t ss{};
  ss.ss_sp = alt.data();
  ss.ss_size = alt.size();
  if (sigaltstack(&ss, nullptr) != 0) die("sigaltstack failed");
  struct sigaction sa {};
  sa.sa_handler = on_fault;
  sa.sa_flags = SA_ONSTACK | SA_NODEFER;
  sigemptyset(&sa.sa_mask);
  for (int sig : kFaultSignals)
    if (sigaction(sig, &sa, nullptr) != 0) die("sigaction failed");
}

void read_exact(void* p, size_t n) {
  if (n && std::fread(p, 1, n, stdin) != n) die("short input");
}
void write_exact(const void* p, size_t n) {
  if (n && std::fwrite(p, 1, n, stdout) != n) die("short output");
}

size_t model_vector_bytes() {
  uint64_t n;
  asm volatile("cntb %0" : "=r"(n));
  return n;
}

// Runs one case from its register image; kept apart from the batch loop so
// that nothing live in the loop crosses the non-local return of a fault.
__attribute__((noinline)) void run_case(const probe_case& c, probe_result* r) {
  std::memset(r, 0, sizeof *r);
  g_signal = 0;
  if (sigsetjmp(g_resume, 1) == 0) {
    qrx_probe_run(&c.regs, &r->regs);
  } else {
    asm volatile("msr fpcr, xzr");
    r->signal = g_signal;
  }
}

}  // namespace

int main() {
  if (model_vector_bytes() != kVectorBytes) {
    std::fprintf(stderr, "qrx-probe: the model's vector length is %zu bytes, the harness expects %u\n",
                 model_vector_bytes(), kVectorBytes);
    return 1;
  }
  probe_header h;
  read_exact(&h, sizeof h);
  if (h.magic != kProbeMagic || h.vector_bytes != kVectorBytes) {
    std::fprintf(stderr, "qrx-probe: not a probe batch for %u-byte vectors\n", kVectorBytes);
    return 1;
  }
  if (const char* what = map_data_region((h.flags & kProbeProtNoneGuard) != 0)) {
    std::fprintf(stderr, "qrx-probe: %s\n", what);
    return 1;
  }
  uint8_t* region = reinterpret_cast<uint8_t*>(kRegionBase);
  install_fault_handlers();
  std::vector<uint8_t> initial(kRegionBytes);
  write_exact(&h, sizeof h);

  static probe_case c;
  static probe_result r;
  for (uint32_t i = 0; i < h.count; ++i) {
    read_exact(&c, sizeof c);
    if (c.region_kind == kRegionExplicit)
      read_exact(initial.data(), kRegionBytes);
    else
      fill_region(c.mem_seed, initial.data());
    std::memcpy(region, initial.data(), kRegionBytes);

    qrx_probe_slot[0] = c.word;
    __builtin___clear_cache(reinterpret_cast<char*>(qrx_probe_slot),
                            reinterpret_cast<char*>(qrx_probe_slot + 1));
    run_case(c, &r);
    r.region_changed = std::memcmp(region, initial.data(), kRegionBytes) != 0;
    write_exact(&r, sizeof r);
    if (r.region_changed) write_exact(region, kRegionBytes);
  }
  if (std::fflush(stdout) != 0) die("cannot write the results");
  return 0;
}
