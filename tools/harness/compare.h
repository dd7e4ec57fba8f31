// Judging a case (model result against emulator result, through the
// deviations file) and the per-form tally the comparator prints.
#ifndef QRX_HARNESS_COMPARE_H
#define QRX_HARNESS_COMPARE_H

#include <cstdint>
#include <functional>
#include <regex>
#include <string>
#include <vector>

#include "qrx/decode/decode_tables.h"
#include "state_text.h"

namespace qrx {
namespace harness {

// One documented place where the emulator's required result differs from
// the reference model's. A line of the deviations file:
//   FORMS-REGEX  FIELD-REGEX  BEHAVIOUR  reason...
// BEHAVIOUR is `unchanged` (the emulator leaves the field as it was), `any`
// (the field's value is not compared) or `straddle` (not compared in a case
// where an active element of the form's memory block straddles the end of
// the data region, compared as usual otherwise) or `ffr-prefix` (for ffr and
// z fields of first-fault and non-fault loads: the model may stop loading
// earlier than the emulator; from the first FFR byte where they differ the
// model's FFR must be clear, and before it the field must agree), `ahp`
// (not compared in a case whose starting FPCR has AHP set, compared as
// usual otherwise) or `sparse` (not compared in a case where an element of
// the form's memory block is inactive). Both regexes must match the whole
// form name and the whole field name; the field `signal` is whether and how
// the case faulted. Every line that names the form and the field is tried.
struct deviation {
  std::string forms, field, behaviour, reason;
  std::regex forms_re, field_re;
  int line;
};
bool parse_deviations(const std::string& text, std::vector<deviation>* out, std::string* error);

enum class outcome { pass, fail, pending, fault, undefined };

struct verdict {
  outcome result;
  int signal;                        // fault and undefined
  std::vector<field_diff> mismatch;  // fail: the unexplained fields
};

// How the emulator ran a memory case: whether it faulted, whether an
// active element of the case's block straddles the end of the region, and
// whether an element of the block is inactive.
struct emulator_memory {
  int signal;
  bool straddles;
  bool sparse;
};

// `model_signal` non-zero: the model faulted (SIGILL: it rejects the word).
// Otherwise every field of the two final states is compared; a difference
// passes only when a deviation for this form explains exactly that field.
// A non-zero `emu_rc` is a failure of field "rc".
//
// With `mem` (the emulator ran the case even when the model faulted), the
// two must fault alike (field "signal"); when both faulted with the same
// signal the region is compared (the stores before the fault) and the case
// counts as a fault.
verdict judge_case(const std::string& form, const machine_state& initial, int model_signal,
                   const machine_state& model, kalt64_decode_rc emu_rc, const machine_state& emu,
                   const std::vector<deviation>& deviations, const emulator_memory* mem = nullptr);

// Per-form counts and the first failure.
struct form_tally {
  std::string form;
  unsigned cases = 0, pass = 0, fail = 0, pending = 0, faults = 0, undefined = 0;
  bool has_failure = false;
  uint32_t fail_word = 0;
  uint64_t fail_seed = 0;
  std::vector<field_diff> fail_fields;
};
void count(form_tally* t, const verdict& v, uint32_t word, uint64_t seed);

// The table (one row per form and a total), then each failing form's first
// differing fields and the qrx-exec command that reproduces its case.
std::string format_report(const std::vector<form_tally>& forms);

// Sums over forms.
form_tally total_of(const std::vector<form_tally>& forms);

// Which forms a run takes: the forms of one family (the rows file
// qrx/decode/rows/<name>.txt), or the forms whose handler names match a
// regex (searched).
using form_filter = std::function<bool(const DecodeEntry&)>;
form_filter family_forms(const std::string& family);
form_filter matching_forms(const std::string& regex);

// Appends the selected forms, in table order, to `forms` with `cases` cases
// each. A pending form's cases are tallied as pending; every other case goes
// to add_case(index of its form in *forms, word, seed). A case's seed comes
// from `run_seed` and its form's position among all forms, so it does not
// depend on the selection.
void select_forms(const form_filter& select, unsigned cases, uint64_t run_seed,
                  std::vector<form_tally>* forms,
                  const std::function<void(size_t form, uint32_t word, uint64_t seed)>& add_case);

}  // namespace harness
}  // namespace qrx

#endif  // QRX_HARNESS_COMPARE_H
