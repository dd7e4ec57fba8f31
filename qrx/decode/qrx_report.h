// The hot-spot report: where a program spends its emulated instructions.
//
// Tab-separated, one header line naming the program, the vector length and
// the totals, one line of column names, then one line per instruction
// address (kind "insn"), per instruction form (kind "form") and per family
// (kind "family"), each group sorted by count, largest first:
//
//   kind address module offset word handler family count share
//
// Columns that do not apply to a line hold "-". Share is the line's count
// over all emulated instructions, as a fraction with four decimals.
#ifndef QRX_DECODE_QRX_REPORT_H
#define QRX_DECODE_QRX_REPORT_H

#include <cstddef>
#include <cstdint>

namespace qrx {

// Where an instruction lies: its module's path (null: no module) and the
// offset from the module's start.
struct CodeLocation {
  const char* module;
  uint64_t offset;
};

struct ReportSink {
  void* context;
  void (*write)(void* context, const char* text, size_t n);
  CodeLocation (*locate)(void* context, const void* pc);
};

// Writes the report of every count so far (all threads).
void write_hotspot_report(const ReportSink& sink, const char* program);

}  // namespace qrx

#endif  // QRX_DECODE_QRX_REPORT_H
