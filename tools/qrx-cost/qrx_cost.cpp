// qrx-cost: ns per execution of each QRX instruction kernel on the emulator,
// through the path the client takes per executed instruction (the handler,
// then the statistics update), from the kernels' documented start state.
//
//   qrx-cost [-n N] [-r R] [-f FILE] [NAME...]
//
// N executions per kernel (default 2000000) in R runs (default 10) from the
// start state; the fastest run counts, timed in the thread's CPU time.
//
// One line per kernel: "name  <ns> ns  handler <ns> ns", or "name  pending"
// for a word whose handler is still a placeholder ("not-qrx" for a word no
// decode table holds, "failed" for a handler that reports "not executed";
// both make the exit status 1).
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <set>
#include <string>
#include <vector>

#include "kernel_cost.h"

namespace {

int usage() {
  std::fprintf(stderr, "usage: qrx-cost [-n ITERATIONS] [-r REPEATS] [-f KERNELS.TSV] [NAME...]\n");
  return 2;
}

}  // namespace

int main(int argc, char** argv) {
  std::string path = QRX_DEFAULT_KERNELS;
  unsigned iterations = 2000000, repeats = 10;
  std::set<std::string> wanted;
  for (int i = 1; i < argc; ++i) {
    bool has_value = i + 1 < argc;
    if (!std::strcmp(argv[i], "-n") && has_value) {
      iterations = static_cast<unsigned>(std::strtoul(argv[++i], nullptr, 10));
    } else if (!std::strcmp(argv[i], "-r") && has_value) {
      repeats = static_cast<unsigned>(std::strtoul(argv[++i], nullptr, 10));
    } else if (!std::strcmp(argv[i], "-f") && has_value) {
      path = argv[++i];
    } else if (argv[i][0] == '-') {
      return usage();
    } else {
      wanted.insert(argv[i]);
    }
  }
  if (iterations == 0 || repeats == 0) return usage();

  std::vector<qrx::cost::Kernel> kernels;
  std::string error;
  if (!qrx::cost::read_kernels(path, &kernels, &error)) {
    std::fprintf(stderr, "qrx-cost: %s\n", error.c_str());
    return 1;
  }
  // Each kernel has its own address, as its instruction would in a program.
  std::vector<unsigned int> code;
  for (const qrx::cost::Kernel& k : kernels) code.push_back(k.word);

  std::printf(
      "# emulator, ns per QRX instruction (handler + statistics; N = %u, best of %u runs)\n",
      iterations, repeats);
  int status = 0;
  for (size_t i = 0; i < kernels.size(); ++i) {
    const qrx::cost::Kernel& k = kernels[i];
    if (!wanted.empty() && !wanted.count(k.name)) continue;
    unsigned per_run = iterations / repeats ? iterations / repeats : 1;
    qrx::cost::Cost c = qrx::cost::measure(k.word, &code[i], per_run, repeats);
    switch (c.outcome) {
      case qrx::cost::Outcome::Measured:
        std::printf("%-16s %8.1f ns  handler %8.1f ns\n", k.name.c_str(), c.ns, c.handler_ns);
        break;
      case qrx::cost::Outcome::Pending: std::printf("%-16s  pending\n", k.name.c_str()); break;
      case qrx::cost::Outcome::NotQrx:
        std::printf("%-16s  not-qrx\n", k.name.c_str());
        status = 1;
        break;
      case qrx::cost::Outcome::Failed:
        std::printf("%-16s  failed\n", k.name.c_str());
        status = 1;
        break;
    }
    std::fflush(stdout);
  }
  return status;
}
