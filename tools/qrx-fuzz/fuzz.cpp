#include "fuzz.h"

#include <fcntl.h>
#include <unistd.h>

#include <cstdio>
#include <cstring>
#include <memory>

#include "qrx/decode/decode_tables.h"
#include "case_gen.h"
#include "qrx/decode/pending.h"

namespace qrx {
namespace fuzz {

namespace {

struct Rng {
  uint64_t s;
  uint64_t next() {
    uint64_t z = (s += 0x9e3779b97f4a7c15ull);
    z = (z ^ (z >> 30)) * 0xbf58476d1ce4e5b9ull;
    z = (z ^ (z >> 27)) * 0x94d049bb133111ebull;
    return z ^ (z >> 31);
  }
  uint64_t below(uint64_t n) { return next() % n; }
  bool one_in(uint64_t n) { return below(n) == 0; }
};

struct Form {
  uint32_t mask, pattern;
};

std::vector<Form> all_forms() {
  std::vector<Form> forms;
  const DecodeTable* tables = decode_tables();
  for (unsigned t = 0; t < kNumDecodeTables; ++t)
    for (unsigned e = 0; e < tables[t].num_entries; ++e) forms.push_back({tables[t].mask, tables[t].entries[e].pattern});
  return forms;
}

// Loads and stores (bits 31..29 >= 4) get addresses in their base registers.
bool is_memory_word(uint32_t w) { return (w >> 29) >= 4; }

// An address in or around the region: mostly inside it, sometimes in a
// fence, rarely anywhere.
uint64_t address_near(Rng& r, uint64_t region) {
  switch (r.below(20)) {
    case 0: return r.next();
    case 1: case 2: case 3: return region - kFenceBytes + r.below(kRegionBytes + 2 * kFenceBytes);
    default: return region + r.below(kRegionBytes);
  }
}

void random_bytes(Rng& r, uint8_t* p, size_t n) {
  for (size_t i = 0; i < n; i += 8) {
    uint64_t v = r.next();
    std::memcpy(p + i, &v, n - i < 8 ? n - i : 8);
  }
}

// A random predicate: 0/1 bytes, all true, or any bytes (only bit 0 counts).
void random_predicate(Rng& r, uint8_t* p) {
  switch (r.below(4)) {
    case 0: std::memset(p, 1, kPredicateBytes); break;
    case 1: random_bytes(r, p, kPredicateBytes); break;
    default:
      random_bytes(r, p, kPredicateBytes);
      for (unsigned j = 0; j < kPredicateBytes; ++j) p[j] &= 1;
  }
}

void random_state(Rng& r, cpu_state* s) {
  random_bytes(r, reinterpret_cast<uint8_t*>(s->x), sizeof s->x);
  s->sp = r.next();
  s->nzcv = r.next();
  s->fpsr = static_cast<uint32_t>(r.next());
  s->fpcr = static_cast<uint32_t>(r.next());
  s->fpcr_extra = r.one_in(8) ? static_cast<uint32_t>(r.next()) : 0;
  random_bytes(r, &s->z[0][0], sizeof s->z);
  for (auto& p : s->p) random_predicate(r, p);
  random_predicate(r, s->ffr);
  s->encoding = r.next();
}

// Base registers, SP and some vectors' elements point into or near the region.
void aim_at_region(Rng& r, uint64_t region, cpu_state* s) {
  for (uint64_t& x : s->x) x = address_near(r, region);
  s->sp = address_near(r, region);
  for (unsigned n = 0; n < 32; ++n) {
    if (!r.one_in(2)) continue;
    const unsigned lane = r.one_in(2) ? 8 : 4;  // the region lies below 4 GiB
    for (unsigned i = 0; i < kVectorBytes; i += lane) {
      uint64_t a = address_near(r, region);
      std::memcpy(s->z[n] + i, &a, lane);
    }
  }
}

uint64_t mix(uint64_t h, uint64_t v) { return (h ^ v) * 0x100000001b3ull + (h >> 29); }

uint64_t digest_of(const cpu_state& s) {
  const uint8_t* p = reinterpret_cast<const uint8_t*>(&s);
  uint64_t h = 0;
  for (size_t i = 0; i + 8 <= sizeof s; i += 8) {
    uint64_t v;
    std::memcpy(&v, p + i, 8);
    h = mix(h, v);
  }
  return h;
}

// Captures what a pending handler prints on stderr.
struct StderrCapture {
  int pipe_read = -1, pipe_write = -1, saved = -1;
  bool open() {
    int fds[2];
    if (pipe2(fds, O_CLOEXEC | O_NONBLOCK) != 0) return false;
    pipe_read = fds[0];
    pipe_write = fds[1];
    saved = dup(STDERR_FILENO);
    return saved >= 0;
  }
  ~StderrCapture() {
    for (int fd : {pipe_read, pipe_write, saved})
      if (fd >= 0) close(fd);
  }
  void begin() {
    std::fflush(stderr);
    dup2(pipe_write, STDERR_FILENO);
  }
  std::string end() {
    std::fflush(stderr);
    dup2(saved, STDERR_FILENO);
    std::string text;
    char buf[256];
    for (ssize_t n; (n = read(pipe_read, buf, sizeof buf)) > 0;) text.append(buf, static_cast<size_t>(n));
    return text;
  }
};

std::string hex32(uint32_t w) {
  char buf[16];
  std::snprintf(buf, sizeof buf, "0x%08x", w);
  return buf;
}

// The one line a pending form prints for word w.
bool is_pending_message(const std::string& text, uint32_t w) {
  char word[16];
  std::snprintf(word, sizeof word, "%08x", w);
  return text.compare(0, 28, "Unimplemented instruction: [") == 0 && text.find('\n') == text.size() - 1 &&
         text.find(word) != std::string::npos;
}

// What a word that was not executed changed: null, or the first of "the
// register file", "memory". The word may be left in `encoding` when a
// handler refused it.
const char* what_changed(const cpu_state& before, const cpu_state& after, const uint8_t* region_before,
                         const uint8_t* region, bool encoding_may_change) {
  cpu_state expect;
  std::memcpy(&expect, &before, sizeof expect);
  if (encoding_may_change) expect.encoding = after.encoding;
  if (std::memcmp(&expect, &after, sizeof expect) != 0) return "the register file";
  if (std::memcmp(region_before, region, kRegionBytes) != 0) return "memory";
  return nullptr;
}

}  // namespace

FuzzTally run_fuzz(const FuzzOptions& opt, std::string* error) {
  FuzzTally tally;
  const Window* win = map_window(opt.window, error);
  if (!win) return tally;
  enter_window(win);
  StderrCapture capture;
  if (opt.run_pending && !capture.open()) {
    *error = "cannot capture standard error";
    return tally;
  }
  auto fail = [&](uint32_t w, const std::string& what) {
    if (tally.failures.size() < 20) tally.failures.push_back(hex32(w) + ": " + what);
    ++tally.failure_count;
  };

  const std::vector<Form> forms = all_forms();
  Rng r{opt.seed * 0x2545f4914f6cdd1dull + opt.window};
  std::unique_ptr<cpu_state> before(new cpu_state);
  std::unique_ptr<uint8_t[]> region_before(new uint8_t[kRegionBytes]);
  cpu_state* s = win->low;
  const uint64_t region = reinterpret_cast<uint64_t>(win->region);

  for (uint64_t i = 0; i < opt.words; ++i) {
    // A fresh register file every few words (alternately fenced below and
    // above), a fresh region every few hundred; in between, words see what
    // the previous ones left.
    if (i % 8 == 0) {
      s = r.one_in(2) ? win->low : win->high;
      random_state(r, s);
    }
    if (i % 256 == 0) random_bytes(r, win->region, kRegionBytes);

    const Form& f = forms[i % forms.size()];
    uint32_t w = f.pattern | (static_cast<uint32_t>(r.next()) & ~f.mask);
    const bool near = r.one_in(4);
    if (near) {  // one fixed bit flipped
      uint32_t bit;
      do bit = 1u << r.below(32);
      while (!(f.mask & bit));
      w ^= bit;
    }
    const DecodeEntry* e = find_entry(w);
    if (e != find_entry_dispatch_order(w)) fail(w, "the classifier and the dispatcher disagree");
    const bool pending = e && is_pending_handler(e->handler);
    if (pending && !opt.run_pending) continue;

    ++tally.words;
    tally.near += near;
    if (is_memory_word(w)) aim_at_region(r, region, s);
    unsigned int* slot = &win->code[i % kCodeSlots];
    *slot = w;
    s->pc = slot;
    std::memcpy(before.get(), s, sizeof *s);
    std::memcpy(region_before.get(), win->region, kRegionBytes);
    if (opt.current_word) *opt.current_word = w;

    bool faulted = false;
    if (pending) capture.begin();
    kalt64_decode_rc rc = execute_fenced(s, &faulted);
    std::string said = pending ? capture.end() : std::string();
    tally.digest = mix(mix(tally.digest, faulted ? 0xfa17 : static_cast<uint64_t>(rc)), w);
    if (opt.digest_states) tally.digest = mix(tally.digest, digest_of(*s));

    if (faulted) {
      ++tally.faults;
      if (!e || pending) fail(w, "an access faulted for a word that has no implemented form");
    } else if (!e) {
      ++tally.unmatched;
      if (rc != KALT64_DECODE_NOT_EXECUTED) fail(w, "no table holds the word, yet code " + std::to_string(rc));
      const char* changed = what_changed(*before, *s, region_before.get(), win->region, false);
      if (changed) fail(w, std::string("no table holds the word, yet ") + changed + " changed");
    } else if (pending) {
      ++tally.pending;
      if (rc != KALT64_DECODE_NOT_EXECUTED) fail(w, std::string(e->name) + " is pending, yet code " + std::to_string(rc));
      if (s->pc != slot) fail(w, std::string(e->name) + " is pending, yet pc moved");
      if (!is_pending_message(said, w)) fail(w, std::string(e->name) + " printed '" + said + "', not its one line");
    } else if (rc == KALT64_DECODE_NOT_EXECUTED) {
      // A reserved encoding within the form's pattern: refused as the
      // model refuses it, with nothing done.
      ++tally.refused;
      if (!harness::model_rejects(e->name, w)) fail(w, std::string(e->name) + " refused a word the model executes");
      const char* changed = what_changed(*before, *s, region_before.get(), win->region, true);
      if (changed) fail(w, std::string(e->name) + " refused the word, yet " + changed + " changed");
    } else {
      if (rc != KALT64_DECODE_OK) fail(w, std::string(e->name) + " returned " + std::to_string(rc));
      else if (s->pc != slot + 1) fail(w, std::string(e->name) + " left pc not 4 bytes on");
      else {
        ++tally.executed;
        ++tally.slot_executed[i % kCodeSlots];
      }
    }
  }
  return tally;
}

}  // namespace fuzz
}  // namespace qrx
