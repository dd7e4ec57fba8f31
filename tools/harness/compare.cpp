#include "compare.h"

#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <sstream>

#include "case_gen.h"
#include "qrx/decode/pending.h"

namespace qrx {
namespace harness {

namespace {

// The fields the emulator changed from the initial state, worked out once
// per case and only when an `unchanged` deviation asks.
struct emulator_changes {
  const machine_state& initial;
  const machine_state& model;
  const machine_state& emu;
  bool known = false;
  std::vector<field_diff> fields;

  bool changed(const std::string& field) {
    if (!known) {
      fields = diff_states(initial, emu);
      known = true;
    }
    for (const field_diff& c : fields)
      if (c.field == field) return true;
    return false;
  }
};

// The alternative half-precision bit of FPCR.
constexpr uint32_t kFpcrAhp = 1u << 26;

// ffr-prefix: the model stopped a first-fault or non-fault load at or before
// the point where the emulator did. Where the model's FFR differs from the
// emulator's it is clear; before the model's first clear FFR byte the field
// agrees (z: byte for byte).
bool model_stopped_earlier(const std::string& field, const machine_state& model, const machine_state& emu) {
  size_t k = 0;
  while (k < kPredicateBytes && model.ffr[k] != 0) ++k;
  for (size_t j = 0; j < kPredicateBytes; ++j)
    if (model.ffr[j] != emu.ffr[j] && (model.ffr[j] != 0 || j < k)) return false;
  if (field == "ffr") return true;
  if (field[0] != 'z') return false;
  int n = std::atoi(field.c_str() + 1);
  return std::memcmp(model.z[n], emu.z[n], k) == 0;
}

bool explained(const std::string& form, const field_diff& d, emulator_changes* changes,
               const std::vector<deviation>& deviations, const emulator_memory* mem) {
  for (const deviation& dev : deviations) {
    if (!std::regex_match(form, dev.forms_re) || !std::regex_match(d.field, dev.field_re)) continue;
    // any: not compared; straddle / sparse / ahp: not compared in a
    // straddling / sparse case / one that starts with FPCR.AHP set;
    // unchanged: the emulator's field equals its starting value.
    const std::string& b = dev.behaviour;
    if (b == "any" || (b == "straddle" && mem && mem->straddles) || (b == "sparse" && mem && mem->sparse) ||
        (b == "ahp" && (changes->initial.fpcr & kFpcrAhp)) ||
        (b == "ffr-prefix" && model_stopped_earlier(d.field, changes->model, changes->emu)) ||
        (b == "unchanged" && !changes->changed(d.field)))
      return true;
  }
  return false;
}

std::string signal_text(int signal) { return signal ? "signal " + std::to_string(signal) : "no fault"; }

}  // namespace

bool parse_deviations(const std::string& text, std::vector<deviation>* out, std::string* error) {
  std::istringstream in(text);
  std::string line;
  for (int lineno = 1; std::getline(in, line); ++lineno) {
    line = line.substr(0, line.find('#'));
    std::istringstream ls(line);
    deviation d;
    if (!(ls >> d.forms)) continue;
    ls >> d.field >> d.behaviour;
    std::getline(ls, d.reason);
    d.reason.erase(0, d.reason.find_first_not_of(" \t"));
    d.line = lineno;
    const bool known = d.behaviour == "unchanged" || d.behaviour == "any" || d.behaviour == "straddle" ||
                       d.behaviour == "ffr-prefix" || d.behaviour == "ahp" || d.behaviour == "sparse";
    if (d.field.empty() || !known || d.reason.empty()) {
      const char* part = d.field.empty() ? "FIELD" : !known ? "behaviour" : "reason";
      *error = "line " + std::to_string(lineno) + ": " + part +
               ": expected 'FORMS FIELD unchanged|any|straddle|ffr-prefix|ahp|sparse reason'";
      return false;
    }
    const std::string* which = &d.forms;
    try {
      d.forms_re = std::regex(d.forms);
      which = &d.field;
      d.field_re = std::regex(d.field);
    } catch (const std::regex_error&) {
      *error = "line " + std::to_string(lineno) + ": " + (which == &d.forms ? "FORMS" : "FIELD") +
               ": bad regular expression '" + *which + "'";
      return false;
    }
    out->push_back(std::move(d));
  }
  return true;
}

verdict judge_case(const std::string& form, const machine_state& initial, int model_signal,
                   const machine_state& model, kalt64_decode_rc emu_rc, const machine_state& emu,
                   const std::vector<deviation>& deviations, const emulator_memory* mem) {
  if (model_signal == SIGILL) return {outcome::undefined, model_signal, {}};
  if (model_signal != 0 && !mem) return {outcome::fault, model_signal, {}};
  emulator_changes changes{initial, model, emu, false, {}};
  verdict v{outcome::pass, 0, {}};
  if (mem && mem->signal != model_signal) {
    field_diff d{"signal", signal_text(model_signal) + " vs " + signal_text(mem->signal)};
    if (!explained(form, d, &changes, deviations, mem)) v.mismatch.push_back(std::move(d));
    // Explained: one side's registers mean nothing, there is no more to compare.
    v.result = v.mismatch.empty() ? outcome::pass : outcome::fail;
    return v;
  }
  if (model_signal != 0) {
    // Both faulted alike: the registers are not meaningful, the region is.
    v = {outcome::fault, model_signal, {}};
    for (field_diff& d : diff_states(model, emu))
      if (d.field == "mem" && !explained(form, d, &changes, deviations, mem)) v.mismatch.push_back(std::move(d));
    if (!v.mismatch.empty()) v.result = outcome::fail;
    return v;
  }
  if (emu_rc != KALT64_DECODE_OK)
    v.mismatch.push_back({"rc", "the emulator did not execute the word (code " + std::to_string(emu_rc) + ")"});
  for (field_diff& d : diff_states(model, emu))
    if (!explained(form, d, &changes, deviations, mem)) v.mismatch.push_back(std::move(d));
  if (!v.mismatch.empty()) v.result = outcome::fail;
  return v;
}

void count(form_tally* t, const verdict& v, uint32_t word, uint64_t seed) {
  ++t->cases;
  switch (v.result) {
    case outcome::pass: ++t->pass; break;
    case outcome::pending: ++t->pending; break;
    case outcome::fault: ++t->faults; break;
    case outcome::undefined: ++t->undefined; break;
    case outcome::fail:
      if (!t->has_failure) {
        t->has_failure = true;
        t->fail_word = word;
        t->fail_seed = seed;
        t->fail_fields = v.mismatch;
      }
      ++t->fail;
      break;
  }
}

form_tally total_of(const std::vector<form_tally>& forms) {
  form_tally t;
  t.form = "total";
  for (const form_tally& f : forms) {
    t.cases += f.cases;
    t.pass += f.pass;
    t.fail += f.fail;
    t.pending += f.pending;
    t.faults += f.faults;
    t.undefined += f.undefined;
  }
  return t;
}

form_filter family_forms(const std::string& family) {
  return [family](const DecodeEntry& e) { return e.family && family == e.family; };
}
form_filter matching_forms(const std::string& regex) {
  std::regex re(regex);
  return [re](const DecodeEntry& e) { return std::regex_search(e.name, re); };
}

void select_forms(const form_filter& select, unsigned cases, uint64_t run_seed,
                  std::vector<form_tally>* forms,
                  const std::function<void(size_t form, uint32_t word, uint64_t seed)>& add_case) {
  const DecodeTable* tables = decode_tables();
  unsigned form_index = 0;
  for (unsigned t = 0; t < kNumDecodeTables; ++t) {
    for (unsigned e = 0; e < tables[t].num_entries; ++e, ++form_index) {
      const DecodeEntry& entry = tables[t].entries[e];
      if (!select(entry)) continue;
      form_tally tally;
      tally.form = entry.name;
      if (is_pending_handler(entry.handler)) {
        tally.cases = tally.pending = cases;
      } else {
        for (unsigned c = 0; c < cases; ++c) {
          uint64_t seed = case_seed(run_seed, form_index, c);
          add_case(forms->size(), make_case_word(tables[t], entry, seed), seed);
        }
      }
      forms->push_back(tally);
    }
  }
}

std::string format_report(const std::vector<form_tally>& forms) {
  std::ostringstream os;
  char buf[160];
  auto row = [&](const form_tally& t, const char* note) {
    std::snprintf(buf, sizeof buf, "%-26s %6u %6u %6u %8u %7u %10u%s\n", t.form.c_str(), t.cases, t.pass, t.fail,
                  t.pending, t.faults, t.undefined, note);
    os << buf;
  };
  std::snprintf(buf, sizeof buf, "%-26s %6s %6s %6s %8s %7s %10s\n", "form", "cases", "pass", "fail", "pending",
                "faults", "undefined");
  os << buf;
  for (const form_tally& t : forms)
    row(t, t.fail ? "  FAIL" : t.pending ? "  pending" : t.pass == 0 ? "  (nothing compared)" : "");
  row(total_of(forms), "");
  for (const form_tally& t : forms) {
    if (!t.has_failure) continue;
    std::snprintf(buf, sizeof buf, "\nFAIL %s: %u of %u cases differ; first: word 0x%08x, model vs emulator:\n",
                  t.form.c_str(), t.fail, t.cases, t.fail_word);
    os << buf;
    for (const field_diff& d : t.fail_fields) os << "  " << d.field << ": " << d.detail << '\n';
    std::snprintf(buf, sizeof buf, "--seed 0x%llx 0x%08x", static_cast<unsigned long long>(t.fail_seed), t.fail_word);
    os << "  reproduce: qrx-exec " << buf << "\n  on the model: qrx-exec --model " << buf << '\n';
  }
  return os.str();
}

}  // namespace harness
}  // namespace qrx
