// qrx-int-edges: an integer family's forms (integer by default, or the one
// --family names) against the reference processor model, with vector
// elements drawn from the integer limits. The harness's own cases fill
// vectors with random data and floating-point specials; here most elements
// become 0, 1, -1, the signed and unsigned extremes or shift amounts just
// below, at and beyond the element width, so that saturation, division by 0
// and -1, out-of-range shifts, compares at the signed/unsigned boundary and
// at equality, and bit counts of the extreme patterns are reached in every
// form.
//
// Exit status: 0 when every case passes, 1 on a failure, 2 on a usage or
// infrastructure error.
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#include "case_gen.h"
#include "compare.h"
#include "qrx/library/int_helpers.h"
#include "runner.h"

using namespace qrx;
using namespace qrx::harness;

namespace {

const char kUsage[] = "usage: qrx-int-edges [--family NAME] [--cases N] [--seed N] [--jobs N]\n";

struct rng {
  uint64_t st;
  uint64_t next() { return splitmix64(&st); }
  uint64_t below(uint64_t n) { return next() % n; }
};

// An integer edge value of an element of `bits` bits.
uint64_t edge_value(rng& r, unsigned bits) {
  const uint64_t mask = ones(static_cast<int>(bits));
  const uint64_t min = uint64_t{1} << (bits - 1), max = min - 1;
  const uint64_t edges[] = {0,       1,        2,    mask,     mask - 1, min, min + 1, max,
                            max - 1, bits - 1, bits, bits + 1, 2 * bits, 255, r.next()};
  return edges[r.below(sizeof edges / sizeof edges[0])] & mask;
}

// The element size (bytes) that a form's name gives, e.g. 2 for VecS16...
unsigned name_esize(const char* name) {
  int bits = std::atoi(name + 4);
  return bits >= 8 ? static_cast<unsigned>(bits) / 8 : 1;
}

// Rewrites three quarters of the elements of every vector register with edge
// values, each register at the form's element size or, for a quarter of
// them, another size (wide shift amounts and dot-product operands).
void apply_edges(uint64_t seed, const char* form, machine_state* s) {
  rng r{seed ^ 0x1d6e5u};
  for (auto& z : s->z) {
    unsigned esize = r.below(4) == 0 ? 1u << r.below(4) : name_esize(form);
    for (unsigned i = 0; i + esize <= kVectorBytes; i += esize) {
      if (r.below(4) == 0) continue;
      uint64_t v = edge_value(r, 8 * esize);
      for (unsigned b = 0; b < esize; ++b) z[i + b] = static_cast<uint8_t>(v >> (8 * b));
    }
  }
}

struct work_case {
  size_t form;
  uint32_t word;
  uint64_t seed;
};

void make_state(const work_case& c, const std::vector<form_tally>& forms, machine_state* s) {
  make_case_state(c.seed, c.word, s);
  apply_edges(c.seed, forms[c.form].form.c_str(), s);
}

}  // namespace

int main(int argc, char** argv) {
  unsigned cases = 8, jobs = 2;
  uint64_t seed = 1;
  std::string family = "integer";
  for (int i = 1; i + 1 < argc; i += 2) {
    std::string a = argv[i];
    uint64_t v = std::strtoull(argv[i + 1], nullptr, 0);
    if (a == "--family")
      family = argv[i + 1];
    else if (a == "--cases")
      cases = static_cast<unsigned>(v);
    else if (a == "--seed")
      seed = v;
    else if (a == "--jobs")
      jobs = static_cast<unsigned>(v);
    else {
      std::fputs(kUsage, stderr);
      return 2;
    }
  }
  if (argc % 2 == 0 || cases == 0 || jobs == 0) {
    std::fputs(kUsage, stderr);
    return 2;
  }
  std::string text, error;
  std::vector<deviation> deviations;
  if (!read_text_file(QRX_HARNESS_DIR "/deviations.txt", &text) ||
      !parse_deviations(text, &deviations, &error) || !map_host_region(&error)) {
    std::fprintf(stderr, "qrx-int-edges: setup failed %s\n", error.c_str());
    return 2;
  }

  std::vector<form_tally> forms;
  std::vector<work_case> work;
  select_forms(family_forms(family), cases, seed ^ 0xED6Eu, &forms,
               [&](size_t form, uint32_t word, uint64_t s) {
                 work.push_back({form, word, s});
               });
  if (forms.empty()) {
    std::fprintf(stderr, "qrx-int-edges: no implemented form in family %s\n", family.c_str());
    return 2;
  }
  std::printf("QRX %s edge-value comparison (%zu forms, %u cases each, seed %llu)\n",
              family.c_str(), forms.size(), cases, static_cast<unsigned long long>(seed));
  std::fflush(stdout);

  // Rounds of `jobs` probe processes with at most 1000 cases each; a round's
  // states are rebuilt from their seeds when the results are judged.
  const size_t per_batch = 1000;
  auto initial = std::make_unique<machine_state>();
  auto model = std::make_unique<machine_state>();
  auto emu = std::make_unique<machine_state>();
  std::vector<model_result> results;
  for (size_t round = 0; round < work.size(); round += per_batch * jobs) {
    std::vector<model_batch> batches(jobs);
    for (unsigned j = 0; j < jobs; ++j) {
      size_t first = std::min(work.size(), round + j * per_batch);
      size_t n = std::min(per_batch, work.size() - first);
      std::vector<std::unique_ptr<machine_state>> states;
      std::vector<uint32_t> words;
      std::vector<const machine_state*> ptrs;
      for (size_t i = first; i < first + n; ++i) {
        states.emplace_back(new machine_state);
        make_state(work[i], forms, states.back().get());
        words.push_back(work[i].word);
        ptrs.push_back(states.back().get());
      }
      if (n && !start_model_batch(default_model_options(), words, ptrs, &batches[j], &error)) {
        std::fprintf(stderr, "qrx-int-edges: %s\n", error.c_str());
        return 2;
      }
    }
    for (unsigned j = 0; j < jobs && batches[j].count; ++j) {
      if (!finish_model_batch(&batches[j], &results, &error)) {
        std::fprintf(stderr, "qrx-int-edges: %s\n", error.c_str());
        return 2;
      }
      for (size_t i = 0; i < results.size(); ++i) {
        const work_case& c = work[round + j * per_batch + i];
        make_state(c, forms, initial.get());
        apply_model_result(results[i], *initial, model.get());
        *emu = *initial;
        kalt64_decode_rc rc = KALT64_DECODE_OK;
        if (results[i].signal == 0) rc = run_on_emulator(c.word, emu.get());
        const std::string& form = forms[c.form].form;
        count(&forms[c.form],
              judge_case(form, *initial, results[i].signal, *model, rc, *emu, deviations), c.word,
              c.seed);
      }
    }
  }
  std::fputs(format_report(forms).c_str(), stdout);
  form_tally t = total_of(forms);
  std::printf("\nresult: %u cases passed, %u failed, %u pending, %u faults, %u undefined\n", t.pass,
              t.fail, t.pending, t.faults, t.undefined);
  return t.fail || t.pending || t.faults || t.undefined ? 1 : 0;
}
