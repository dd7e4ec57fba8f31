// qrx-exec: shows what QRX instructions do. Executes instruction words with
// execute_qrx_instruction (or, with --model, on the reference processor
// model) from a state file, a seeded random state or a zero state, and
// prints each word's handler and the fields it changed.
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "case_gen.h"
#include "qrx/decode/pending.h"
#include "runner.h"
#include "state_text.h"

using namespace qrx;
using namespace qrx::harness;

namespace {

const char kUsage[] =
    "usage: qrx-exec [options] WORD...\n"
    "Executes QRX instruction words one after another and prints, for each,\n"
    "its handler and the state fields it changed.\n"
    "\n"
    "  WORD               instruction word in hex (0x25a520e0 or 25a520e0)\n"
    "  -f, --file FILE    also read words from FILE (hex, # comments)\n"
    "  -s, --state FILE   start from the state in FILE (text form)\n"
    "      --seed N       start from the harness's random state for seed N and\n"
    "                     the first word (what qrx-compare's reproduce lines use)\n"
    "      --full         print the whole state after each word, not only changes\n"
    "      --show-initial print the starting state first\n"
    "  -o, --write-state FILE  write the final state to FILE\n"
    "      --model        execute on the reference processor model instead (any\n"
    "                     Kalt64 word, not only QRX)\n"
    "      --runner PATH, --probe PATH  the model launcher and the probe\n"
    "  -h, --help         this text\n"
    "\n"
    "The data region is mapped at 0x3e000000 (32 KiB, guard page after it).\n"
    "Exit status: 0 done; 2 bad input (one line naming the file, line and\n"
    "field) or a word that is not a QRX instruction; 3 the form is pending;\n"
    "4 the word faulted on the model.\n";

bool parse_word(const std::string& tok, uint32_t* w) {
  if (tok.empty()) return false;
  char* end = nullptr;
  errno = 0;
  unsigned long long v = std::strtoull(tok.c_str(), &end, 16);
  if (errno || *end || v > 0xffffffffull) return false;
  *w = static_cast<uint32_t>(v);
  return true;
}

const char* signal_name(int sig) {
  switch (sig) {
    case SIGSEGV: return "SIGSEGV";
    case SIGBUS: return "SIGBUS";
    case SIGILL: return "SIGILL (the model rejects the word)";
    case SIGFPE: return "SIGFPE";
    default: return "a signal";
  }
}

// Bad input of any kind: one line on stderr, exit status 2.
int bad_input(const std::string& msg) {
  std::fprintf(stderr, "qrx-exec: %s\n", msg.c_str());
  return 2;
}

std::string word_error(const std::string& tok) { return "word: not a 32-bit hex number: '" + tok + "'"; }

}  // namespace

int main(int argc, char** argv) {
  std::vector<uint32_t> words;
  std::string state_file, out_file, text;
  bool full = false, show_initial = false, on_model = false, have_seed = false;
  uint64_t seed = 0;
  model_options model = default_model_options();
  for (int i = 1; i < argc; ++i) {
    std::string a = argv[i];
    auto value = [&]() -> std::string { return i + 1 < argc ? argv[++i] : std::string(); };
    auto needs_value = [&]() { return i + 1 >= argc; };
    if (a == "-h" || a == "--help") {
      std::fputs(kUsage, stdout);
      return 0;
    } else if ((a == "-f" || a == "--file" || a == "-s" || a == "--state" || a == "-o" || a == "--write-state" ||
                a == "--seed" || a == "--runner" || a == "--probe") &&
               needs_value()) {
      return bad_input(a + ": needs a value");
    } else if (a == "-f" || a == "--file") {
      std::string path = value();
      if (!read_text_file(path, &text)) return bad_input(path + ": cannot read the file");
      std::istringstream in(text);
      int lineno = 0;
      for (std::string line; std::getline(in, line);) {
        ++lineno;
        std::istringstream ls(line.substr(0, line.find('#')));
        for (std::string tok; ls >> tok;) {
          uint32_t w;
          if (!parse_word(tok, &w)) return bad_input(path + ": line " + std::to_string(lineno) + ": " + word_error(tok));
          words.push_back(w);
        }
      }
    } else if (a == "-s" || a == "--state") {
      state_file = value();
    } else if (a == "--seed") {
      std::string v = value();
      char* end = nullptr;
      errno = 0;
      seed = std::strtoull(v.c_str(), &end, 0);
      if (v.empty() || *end || errno || v[0] == '-') return bad_input("--seed: takes a number, not '" + v + "'");
      have_seed = true;
    } else if (a == "--full") {
      full = true;
    } else if (a == "--show-initial") {
      show_initial = true;
    } else if (a == "-o" || a == "--write-state") {
      out_file = value();
    } else if (a == "--model") {
      on_model = true;
    } else if (a == "--runner") {
      model.runner = value();
    } else if (a == "--probe") {
      model.probe = value();
    } else if (!a.empty() && a[0] == '-' && a.size() > 1 && a.compare(0, 2, "0x") != 0) {
      return bad_input("unknown option " + a + " (--help lists them)");
    } else {
      uint32_t w;
      if (!parse_word(a, &w)) return bad_input("argument " + std::to_string(i) + ": " + word_error(a));
      words.push_back(w);
    }
  }
  if (words.empty()) {
    std::fputs(kUsage, stderr);
    return 2;
  }
  if (have_seed && !state_file.empty()) return bad_input("--seed and --state exclude each other");

  std::unique_ptr<machine_state> state(new machine_state), before(new machine_state);
  std::string error;
  if (!state_file.empty()) {
    if (!read_text_file(state_file, &text)) return bad_input(state_file + ": cannot read the file");
    if (!parse_state(text, state.get(), &error)) return bad_input(state_file + ": " + error);
  } else if (have_seed) {
    make_case_state(seed, words[0], state.get());
  } else {
    reset_state(state.get());
  }
  if (!on_model && !map_host_region(&error)) return bad_input("data region: " + error);
  if (show_initial) std::printf("%s\n", print_state(*state).c_str());

  int status = 0;
  for (uint32_t w : words) {
    const DecodeEntry* e = find_entry(w);
    if (!on_model && !e) {
      std::fprintf(stderr, "not a QRX instruction: 0x%08x\n", w);
      return 2;
    }
    std::printf("0x%08x  %s%s\n", w, e ? e->name : "(Kalt64 instruction)", on_model ? "  [reference model]" : "");
    *before = *state;
    if (on_model) {
      model_batch batch;
      std::vector<model_result> results;
      if (!start_model_batch(model, {w}, {state.get()}, &batch, &error) ||
          !finish_model_batch(&batch, &results, &error))
        return bad_input(error);
      if (results[0].signal) {
        std::printf("  faulted: %s\n", signal_name(results[0].signal));
        status = 4;
        break;
      }
      apply_model_result(results[0], *before, state.get());
    } else if (is_pending_handler(e->handler)) {
      std::printf("  pending: %s is not implemented yet\n", e->name);
      status = 3;
      break;
    } else {
      kalt64_decode_rc rc = run_on_emulator(w, state.get());
      if (rc != KALT64_DECODE_OK) {
        std::printf("  not executed (code %d)\n", rc);
        status = 3;
        break;
      }
    }
    std::string changes = describe_changes(*before, *state);
    std::printf("%s", full ? print_state(*state).c_str() : changes.empty() ? "  (no change)\n" : changes.c_str());
  }
  if (!out_file.empty()) {
    std::ofstream out(out_file);
    out << print_state(*state);
    if (!out) return bad_input(out_file + ": cannot write the file");
  }
  return status;
}
