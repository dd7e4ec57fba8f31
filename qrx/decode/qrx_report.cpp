#include "qrx/decode/qrx_report.h"

#include <algorithm>
#include <cinttypes>
#include <cstdio>
#include <cstring>
#include <map>
#include <string>
#include <vector>

#include "qrx/decode/decode_tables.h"
#include "qrx/decode/qrx_stats.h"
#include "qrx/state/vector_length.h"

namespace qrx {

namespace {

struct Line {
  std::string text;  // the columns before count and share
  uint64_t count;
};

void emit(const ReportSink& sink, const std::string& s) { sink.write(sink.context, s.data(), s.size()); }

std::string hex(uint64_t v) {
  char buf[32];
  std::snprintf(buf, sizeof buf, "0x%" PRIx64, v);
  return buf;
}

// Lines of one kind, largest count first (ties in the order given).
void emit_sorted(const ReportSink& sink, std::vector<Line> lines, uint64_t total) {
  std::stable_sort(lines.begin(), lines.end(), [](const Line& a, const Line& b) { return a.count > b.count; });
  for (const Line& l : lines) {
    char tail[64];
    std::snprintf(tail, sizeof tail, "\t%" PRIu64 "\t%.4f\n", l.count,
                  total ? static_cast<double>(l.count) / static_cast<double>(total) : 0.0);
    emit(sink, l.text + tail);
  }
}

std::vector<Line> group(const std::map<std::string, uint64_t>& counts) {
  std::vector<Line> lines;
  for (const auto& kv : counts) lines.push_back({kv.first, kv.second});
  return lines;
}

}  // namespace

void write_hotspot_report(const ReportSink& sink, const char* program) {
  const std::vector<InstrStatSnapshot> stats = stats_snapshot();
  uint64_t total = 0;
  for (const InstrStatSnapshot& e : stats) total += e.count;
  char head[256];
  std::snprintf(head, sizeof head, "#program=%s\tvector_bits=%u\tqrx_executed=%" PRIu64 "\tinstructions=%zu\n",
                program ? program : "", static_cast<unsigned>(kVectorBytes * 8), total, stats.size());
  emit(sink, head);
  emit(sink, "kind\taddress\tmodule\toffset\tword\thandler\tfamily\tcount\tshare\n");

  std::vector<Line> insns;
  std::map<std::string, uint64_t> forms, families;
  for (const InstrStatSnapshot& e : stats) {
    const DecodeEntry* entry = find_entry(e.encoding);
    const std::string handler = entry ? entry->name : "?";
    const std::string family = entry && entry->family ? entry->family : "-";
    const CodeLocation where = sink.locate(sink.context, e.pc);
    const std::string module = where.module ? where.module : "-";
    const std::string offset = where.module ? hex(where.offset) : "-";
    insns.push_back({"insn\t" + hex(reinterpret_cast<uintptr_t>(e.pc)) + "\t" + module + "\t" + offset + "\t" +
                         hex(e.encoding) + "\t" + handler + "\t" + family,
                     e.count});
    forms["form\t-\t-\t-\t-\t" + handler + "\t" + family] += e.count;
    families["family\t-\t-\t-\t-\t-\t" + family] += e.count;
  }
  emit_sorted(sink, insns, total);
  emit_sorted(sink, group(forms), total);
  emit_sorted(sink, group(families), total);
}

}  // namespace qrx
