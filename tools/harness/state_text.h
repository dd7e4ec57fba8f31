// The emulated machine state as the harness sees it (every architectural
// register a QRX instruction can read or write, and the data region), and its
// text form: readable by a person, printed and parsed here only.
//
//   # Kalt64 QRX machine state
//   x0   = 0x0000000000000000
//   ...
//   sp   = 0x000000003e004000
//   nzcv = 0x60000000
//   fpsr = 0x00000000
//   fpcr = 0x00000000
//   z0   = 0x0123456789abcdef 0x... (doublewords, element 0 first)
//   p0   = 10000000 10000000 ...    (bits, bit 0 first)
//   ffr  = 11111111 ...
//   mem.seed = 0x1234               (region filled from this seed; 0: zeros)
//   mem +0x0040 = 00112233...       (32 bytes that differ from the fill)
//
// Lines starting with white space continue the previous field. Fields that a
// file leaves out are zero; FFR defaults to all true. A text that starts
// with the header line above is a whole state as print_state wrote it: a
// field missing from it, or a last line without its end, means it was cut
// short, and it is rejected. A field given twice is rejected.
#ifndef QRX_HARNESS_STATE_TEXT_H
#define QRX_HARNESS_STATE_TEXT_H

#include <cstdint>
#include <string>
#include <vector>

#include "probe_abi.h"
#include "qrx/state/cpu_state.h"

namespace qrx {
namespace harness {

struct machine_state {
  uint64_t x[31];
  uint64_t sp;
  uint64_t nzcv;
  uint32_t fpsr;
  uint32_t fpcr;
  uint8_t z[32][kVectorBytes];
  uint8_t p[16][kPredicateBytes];  // one byte (0 or 1) per bit
  uint8_t ffr[kPredicateBytes];
  uint64_t mem_seed;               // what the region was filled from
  uint8_t mem[kRegionBytes];
};

// A zero state with FFR all true and the region filled from `mem_seed`.
void reset_state(machine_state* s, uint64_t mem_seed = 0);

// The text form. The region is printed as its seed and the 32-byte lines
// that differ from that seed's fill.
std::string print_state(const machine_state& s);
// Parses the text form into `s`. On error returns false and sets `error` to
// "line N: what", where what starts with the field's name when there is one.
bool parse_state(const std::string& text, machine_state* s, std::string* error);

// One architectural field that differs between two states.
struct field_diff {
  std::string field;   // x0..x30 sp nzcv fpsr fpcr z0..z31 p0..p15 ffr mem
  std::string detail;  // the first differing element: "d[3] 0x... vs 0x..."
};
// Every differing field, in register-file order.
std::vector<field_diff> diff_states(const machine_state& a, const machine_state& b);
// Human-readable before -> after lines for every changed field (all of a
// vector's changed doublewords, whole predicates, changed 16-byte memory
// lines), as qrx-exec prints them.
std::string describe_changes(const machine_state& before, const machine_state& after);

// The whole of a text file; false when it cannot be read.
bool read_text_file(const std::string& path, std::string* out);

// Conversions to and from the probe's image and the emulator's register
// file (the region is not part of either).
void to_probe(const machine_state& s, probe_regs* r);
void from_probe(const probe_regs& r, machine_state* s);
void to_cpu(const machine_state& s, cpu_state* c);
void from_cpu(const cpu_state& c, machine_state* s);

}  // namespace harness
}  // namespace qrx

#endif  // QRX_HARNESS_STATE_TEXT_H
