// Cost of QRX instruction kernels on the emulator: the kernel list shared
// with the reference model's cost script, the start state every kernel
// assumes, and the ns per execution through the client's per-execution path
// (the handler, then the statistics update on success).
#ifndef QRX_TOOLS_QRX_COST_KERNEL_COST_H
#define QRX_TOOLS_QRX_COST_KERNEL_COST_H

#include <cstdint>
#include <string>
#include <vector>

#include "qrx/state/cpu_state.h"

namespace qrx {
namespace cost {

// One line of the kernel list: word<TAB>name<TAB>assembly.
struct Kernel {
  uint32_t word;
  std::string name;
  std::string text;
};

// Reads a kernel list ('#' lines are comments). False, with a message, when
// the file cannot be read or a line is malformed.
bool read_kernels(const std::string& path, std::vector<Kernel>* out, std::string* error);

// The memory X0 points at: 64 KiB, 16-byte aligned, byte i = i & 0xFF.
constexpr unsigned kBufferBytes = 64 * 1024;
struct alignas(16) KernelBuffer {
  uint8_t b[kBufferBytes];
};

// The documented start state: X0 = buffer, X1 = 0, X2 = 1000, X3 = 4,
// X4 = 2^40, P0 and P3 all true bytes, P1 all true words, FFR all true,
// Z0.S = 1, Z1.S = 2, Z2.D = 1.0, Z3.D = 2.5, Z8.D = 0, 8, 16, ...,
// Z9.B = 0, 1, 2, ..., everything else 0. Refills the buffer too.
void start_state(cpu_state* s, KernelBuffer* buffer);

enum class Outcome { Measured, Pending, NotQrx, Failed };

struct Cost {
  Outcome outcome;
  double ns;          // per execution: handler + statistics
  double handler_ns;  // per execution: handler alone
};

// Runs `word` `iterations` times from the start state, `repeats` times over,
// and keeps the fastest run. `pc` is the instruction's address as the
// statistics see it. Pending: the handler is a placeholder; NotQrx: no
// handler for the word; Failed: the handler reported "not executed".
Cost measure(uint32_t word, const unsigned int* pc, unsigned iterations, unsigned repeats);

}  // namespace cost
}  // namespace qrx

#endif  // QRX_TOOLS_QRX_COST_KERNEL_COST_H
