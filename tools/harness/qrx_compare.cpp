// qrx-compare: differential test of the emulator against the reference
// processor model. Generates seeded cases for every selected form, runs them
// through the probe on the model (several probe processes in parallel) and
// through execute_qrx_instruction here, and prints the per-form table.
//
// Exit status: 0 when no selected form fails; 1 when a form fails (or, with
// --require-implemented, when a form is still pending); 2 for a usage or
// infrastructure error, including a selection that names no form.
#include <algorithm>
#include <cerrno>
#include <csignal>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <regex>
#include <set>
#include <string>
#include <vector>

#include "case_gen.h"
#include "compare.h"
#include "runner.h"

using namespace qrx;
using namespace qrx::harness;

namespace {

const char kUsage[] =
    "usage: qrx-compare (--family NAME | --handlers REGEX) [options]\n"
    "  --family NAME          forms of a family (its rows file qrx/decode/rows/NAME.txt)\n"
    "  --handlers REGEX       forms whose handler name matches REGEX (searched)\n"
    "  --cases N              cases per form (default 8)\n"
    "  --edge-sweep           case k of a contiguous form puts its block k bytes\n"
    "                         before the region's end (--cases 144: every offset)\n"
    "  --first-active N       first-fault and non-fault loads: the first active\n"
    "  --active-stride S      element is N, then every S-th (default 0 and 1)\n"
    "  --prot-none-guard      the model's page after the region is PROT_NONE\n"
    "                         instead of unmapped\n"
    "  --seed N               run seed (default 1); every case has its own seed\n"
    "  --jobs N               probe processes in parallel (default 2)\n"
    "  --batch N              cases per probe process (default 2000)\n"
    "  --deviations FILE      deviations file (default: the committed one)\n"
    "  --require-implemented  a pending form fails the run\n"
    "  --inject FIELD         self-test: corrupt FIELD of every emulator result\n"
    "                         (store: the first byte each case stored)\n"
    "  --runner PATH, --probe PATH   the reference model launcher and the probe\n";

struct options {
  std::string family, handlers;
  unsigned cases = 8, jobs = 2, batch = 2000;
  uint64_t seed = 1;
  std::string deviations_file, inject;
  bool require_implemented = false;
  bool edge_sweep = false;
  sweep_shape shape;
  model_options model = default_model_options();
};

// Flips the lowest bit of one field, for the self-test; `store` flips the
// first region byte the case stored (a mutated store), if it stored any.
bool corrupt(machine_state* s, const std::string& field, const machine_state& initial) {
  if (field == "store") {
    for (size_t i = 0; i < kRegionBytes; ++i)
      if (s->mem[i] != initial.mem[i]) {
        s->mem[i] ^= 1;
        break;
      }
    return true;
  }
  int n = field.size() > 1 ? std::atoi(field.c_str() + 1) : -1;
  if (field[0] == 'x' && n >= 0 && n < 31) s->x[n] ^= 1;
  else if (field[0] == 'z' && n >= 0 && n < 32) s->z[n][0] ^= 1;
  else if (field[0] == 'p' && n >= 0 && n < 16) s->p[n][0] ^= 1;
  else if (field == "ffr") s->ffr[0] ^= 1;
  else if (field == "nzcv") s->nzcv ^= 1u << 28;
  else if (field == "fpsr") s->fpsr ^= 1;
  else if (field == "mem") s->mem[0] ^= 1;
  else return false;
  return true;
}

bool valid_regex(const std::string& re) {
  try {
    std::regex r(re);
    return true;
  } catch (const std::regex_error&) {
    return false;
  }
}

// The families that have rows, from the decode entries.
std::set<std::string> families() {
  std::set<std::string> out;
  const DecodeTable* tables = decode_tables();
  for (unsigned t = 0; t < kNumDecodeTables; ++t)
    for (unsigned e = 0; e < tables[t].num_entries; ++e)
      if (tables[t].entries[e].family) out.insert(tables[t].entries[e].family);
  return out;
}

bool known_family(const std::string& name) { return families().count(name) != 0; }

std::string family_list() {
  std::string out;
  for (const std::string& f : families()) out += (out.empty() ? "" : ", ") + f;
  return out;
}

struct pending_case {
  size_t form;
  uint32_t word;
  uint64_t seed;
  sweep_shape shape;  // edge: --edge-sweep's distance from the region's end
};

}  // namespace

int main(int argc, char** argv) {
  options o;
  o.deviations_file = QRX_HARNESS_DIR "/deviations.txt";
  for (int i = 1; i < argc; ++i) {
    std::string a = argv[i];
    auto value = [&]() -> std::string {
      if (i + 1 >= argc) {
        std::fprintf(stderr, "qrx-compare: %s needs a value\n%s", a.c_str(), kUsage);
        std::exit(2);
      }
      return argv[++i];
    };
    // A whole number within max; anything else ends the run with one line.
    auto number = [&](uint64_t max) -> uint64_t {
      std::string v = value();
      char* end = nullptr;
      errno = 0;
      unsigned long long n = std::strtoull(v.c_str(), &end, 0);
      if (v.empty() || *end || errno || v[0] == '-' || n > max) {
        std::fprintf(stderr, "qrx-compare: %s: takes a number up to %llu, not '%s'\n", a.c_str(),
                     static_cast<unsigned long long>(max), v.c_str());
        std::exit(2);
      }
      return n;
    };
    if (a == "--family") o.family = value();
    else if (a == "--handlers") o.handlers = value();
    else if (a == "--cases") o.cases = static_cast<unsigned>(number(1000000));
    else if (a == "--edge-sweep") o.edge_sweep = true;
    else if (a == "--first-active") o.shape.first_active = static_cast<unsigned>(number(1000));
    else if (a == "--active-stride") o.shape.stride = static_cast<unsigned>(number(1000));
    else if (a == "--prot-none-guard") o.model.prot_none_guard = true;
    else if (a == "--seed") o.seed = number(UINT64_MAX);
    else if (a == "--jobs") o.jobs = static_cast<unsigned>(number(64));
    else if (a == "--batch") o.batch = static_cast<unsigned>(number(1000000));
    else if (a == "--deviations") o.deviations_file = value();
    else if (a == "--require-implemented") o.require_implemented = true;
    else if (a == "--inject") o.inject = value();
    else if (a == "--runner") o.model.runner = value();
    else if (a == "--probe") o.model.probe = value();
    else if (a == "-h" || a == "--help") { std::fputs(kUsage, stdout); return 0; }
    else { std::fprintf(stderr, "qrx-compare: unknown option %s\n%s", a.c_str(), kUsage); return 2; }
  }
  if ((o.handlers.empty() && o.family.empty()) || o.cases == 0 || o.jobs == 0 || o.batch == 0) {
    std::fputs(kUsage, stderr);
    return 2;
  }
  std::string text, error;
  std::vector<deviation> deviations;
  if (!read_text_file(o.deviations_file, &text) || !parse_deviations(text, &deviations, &error)) {
    std::fprintf(stderr, "qrx-compare: %s: %s\n", o.deviations_file.c_str(), error.empty() ? "cannot read the file" : error.c_str());
    return 2;
  }
  if (!o.handlers.empty() && !valid_regex(o.handlers)) {
    std::fprintf(stderr, "qrx-compare: --handlers: bad regular expression '%s'\n", o.handlers.c_str());
    return 2;
  }
  if (!o.family.empty() && o.handlers.empty() && !known_family(o.family)) {
    std::fprintf(stderr, "qrx-compare: --family: no family '%s' (a family is a rows file qrx/decode/rows/NAME.txt: %s)\n",
                 o.family.c_str(), family_list().c_str());
    return 2;
  }
  if (!map_host_region(&error)) {
    std::fprintf(stderr, "qrx-compare: %s\n", error.c_str());
    return 2;
  }
  if (!o.inject.empty()) {
    static machine_state probe_field;
    if (!corrupt(&probe_field, o.inject, probe_field)) {
      std::fprintf(stderr, "qrx-compare: cannot inject into field '%s'\n", o.inject.c_str());
      return 2;
    }
  }

  // The selected forms, in table order; pending forms are not run.
  std::vector<form_tally> forms;
  std::vector<pending_case> work;
  select_forms(o.handlers.empty() ? family_forms(o.family) : matching_forms(o.handlers), o.cases, o.seed, &forms, [&](size_t form, uint32_t word, uint64_t seed) {
    sweep_shape shape = o.shape;
    if (o.edge_sweep) shape.edge = work.empty() || work.back().form != form ? 1 : work.back().shape.edge + 1;
    work.push_back({form, word, seed, shape});
  });
  if (forms.empty()) {
    std::fprintf(stderr, "qrx-compare: no form matches '%s'\n",
                 o.handlers.empty() ? o.family.c_str() : o.handlers.c_str());
    return 2;
  }
  std::printf("QRX reference comparison: %s (%zu forms, %u cases each, seed %llu)\n",
              o.family.empty() ? o.handlers.c_str() : o.family.c_str(), forms.size(), o.cases,
              static_cast<unsigned long long>(o.seed));
  std::fflush(stdout);

  // Batches: at least one per job, at most o.batch cases each.
  size_t per_batch = std::min<size_t>(o.batch, (work.size() + o.jobs - 1) / std::max<size_t>(o.jobs, 1));
  per_batch = std::max<size_t>(per_batch, 1);
  auto started = std::chrono::steady_clock::now();
  struct running {
    model_batch batch;
    size_t first, count;
  };
  std::vector<running> in_flight;
  size_t next = 0;
  std::vector<machine_state> states;
  auto launch = [&]() -> bool {
    size_t n = std::min(per_batch, work.size() - next);
    std::vector<uint32_t> words;
    std::vector<const machine_state*> ptrs;
    states.resize(n);
    for (size_t i = 0; i < n; ++i) {
      make_case_state(work[next + i].seed, work[next + i].word, &states[i], work[next + i].shape);
      words.push_back(work[next + i].word);
      ptrs.push_back(&states[i]);
    }
    running r{{}, next, n};
    if (!start_model_batch(o.model, words, ptrs, &r.batch, &error)) return false;
    in_flight.push_back(r);
    next += n;
    return true;
  };
  machine_state initial, model, emu;
  std::vector<model_result> results;
  while (next < work.size() || !in_flight.empty()) {
    while (next < work.size() && in_flight.size() < o.jobs)
      if (!launch()) {
        std::fprintf(stderr, "qrx-compare: %s\n", error.c_str());
        return 2;
      }
    running r = in_flight.front();
    in_flight.erase(in_flight.begin());
    if (!finish_model_batch(&r.batch, &results, &error)) {
      std::fprintf(stderr, "qrx-compare: %s\n", error.c_str());
      return 2;
    }
    for (size_t i = 0; i < r.count; ++i) {
      const pending_case& c = work[r.first + i];
      form_tally& tally = forms[c.form];
      make_case_state(c.seed, c.word, &initial, c.shape);
      apply_model_result(results[i], initial, &model);
      kalt64_decode_rc rc = KALT64_DECODE_OK;
      emu = initial;
      emulator_memory mem{0, false, false};
      memory_block block;
      if (contiguous_block(tally.form.c_str(), c.word, initial, &block)) {
        mem.straddles = straddles_region_end(block, initial);
        mem.sparse = has_inactive_element(block, initial);
      }
      if (results[i].signal != SIGILL) rc = run_on_emulator(c.word, &emu, &mem.signal);
      if (!o.inject.empty()) corrupt(&emu, o.inject, initial);
      count(&tally, judge_case(tally.form, initial, results[i].signal, model, rc, emu, deviations, &mem), c.word,
            c.seed);
    }
  }
  double secs = std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();

  std::fputs(format_report(forms).c_str(), stdout);
  form_tally t = total_of(forms);
  std::printf("\nresult: %u cases passed, %u failed, %u pending, %u faults, %u undefined (%.1f s)\n", t.pass, t.fail,
              t.pending, t.faults, t.undefined, secs);
  if (t.fail) return 1;
  if (o.require_implemented && t.pending) {
    std::printf("pending forms remain in a family declared complete\n");
    return 1;
  }
  return 0;
}
