// qrx-fuzz: decode fuzzing from the command line (see fuzz.h for what each
// word is checked for). A watchdog ends the run when one word takes longer
// than --hang seconds, and an access outside the register file and the
// region names the word before the process ends by the signal.
#include <signal.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "fuzz.h"
#include "qrx/decode/decode_tables.h"
#include "qrx/library/fault_guard.h"

using namespace qrx::fuzz;

namespace {

const char kUsage[] =
    "usage: qrx-fuzz [--words N] [--seed S] [--hang SECONDS]\n"
    "Executes N words (default 100000): every decode-table entry in turn with\n"
    "random operand bits, a quarter of them one fixed bit away, on random\n"
    "register files in a fenced data region. Exit status 0 when every word\n"
    "behaved, 1 when one did not, 2 for a usage error.\n";

volatile uint32_t current_word;

// Signal-safe: "qrx-fuzz: <what> while executing word 0x12345678\n".
void say_word(const char* what) {
  char line[128];
  int n = 0;
  for (const char* p : {"qrx-fuzz: ", what, " while executing word 0x"})
    for (; *p; ++p) line[n++] = *p;
  for (int shift = 28; shift >= 0; shift -= 4) line[n++] = "0123456789abcdef"[(current_word >> shift) & 0xf];
  line[n++] = '\n';
  (void)!write(STDERR_FILENO, line, static_cast<size_t>(n));
}

void on_hang(int) {
  say_word("hang");
  _exit(3);
}

// The fault guard first: it jumps back into a guarded read and returns
// only for a fault that is nobody's to catch.
void on_fault(int sig, siginfo_t* info, void* context) {
  QRXSigHandler(sig, info, context);
  say_word(sig == SIGSEGV ? "access outside the register file and the region (SIGSEGV)"
                          : "access outside the register file and the region (SIGBUS)");
}

bool number(const char* text, uint64_t* v) {
  char* end = nullptr;
  *v = std::strtoull(text, &end, 0);
  return *text && *end == 0;
}

}  // namespace

int main(int argc, char** argv) {
  FuzzOptions opt;
  opt.words = 100000;
  uint64_t hang = 10;
  for (int i = 1; i < argc; ++i) {
    std::string a = argv[i];
    bool has_value = i + 1 < argc;
    if (a == "-h" || a == "--help") {
      std::fputs(kUsage, stdout);
      return 0;
    } else if (a == "--words" && has_value && number(argv[i + 1], &opt.words)) {
      ++i;
    } else if (a == "--seed" && has_value && number(argv[i + 1], &opt.seed)) {
      ++i;
    } else if (a == "--hang" && has_value && number(argv[i + 1], &hang) && hang > 0) {
      ++i;
    } else {
      std::fprintf(stderr, "qrx-fuzz: bad argument '%s'\n%s", a.c_str(), kUsage);
      return 2;
    }
  }
  opt.current_word = &current_word;

  struct sigaction act;
  std::memset(&act, 0, sizeof act);
  act.sa_sigaction = on_fault;
  act.sa_flags = SA_SIGINFO | SA_RESTART | SA_NODEFER;
  sigemptyset(&act.sa_mask);
  sigaction(SIGSEGV, &act, nullptr);
  sigaction(SIGBUS, &act, nullptr);
  std::signal(SIGALRM, on_hang);

  install_fenced_backend();
  std::string error;
  FuzzTally total;
  auto started = std::chrono::steady_clock::now();
  // In slices, so that the watchdog is re-armed as the run goes.
  const uint64_t slice = 1000;
  for (uint64_t done = 0; done < opt.words; done += slice) {
    FuzzOptions part = opt;
    part.words = std::min(slice, opt.words - done);
    part.seed = opt.seed * 1000003 + done / slice;
    alarm(static_cast<unsigned>(hang));
    FuzzTally t = run_fuzz(part, &error);
    if (!error.empty()) {
      std::fprintf(stderr, "qrx-fuzz: %s\n", error.c_str());
      return 2;
    }
    total.words += t.words;
    total.executed += t.executed;
    total.faults += t.faults;
    total.pending += t.pending;
    total.unmatched += t.unmatched;
    total.refused += t.refused;
    total.near += t.near;
    total.failure_count += t.failure_count;
    for (const std::string& f : t.failures)
      if (total.failures.size() < 20) total.failures.push_back(f);
  }
  alarm(0);
  double secs = std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
  for (const std::string& f : total.failures) std::printf("FAIL %s\n", f.c_str());
  auto n = [](uint64_t v) { return static_cast<unsigned long long>(v); };
  std::printf("qrx-fuzz: %llu words (%llu executed, %llu faulted, %llu refused as reserved, %llu pending, "
              "%llu no form; %llu one bit away) in %.1f s, seed %llu: %llu failures\n",
              n(total.words), n(total.executed), n(total.faults), n(total.refused), n(total.pending),
              n(total.unmatched), n(total.near), secs,
              n(opt.seed), n(total.failure_count));
  return total.failure_count ? 1 : 0;
}
