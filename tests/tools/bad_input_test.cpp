// Bad input to qrx-exec and qrx-compare: each class ends the run with one
// line on stderr that names the file, the line and the field (or the
// option), and exit status 2; never a crash, never a silent default.
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <memory>
#include <string>

#include "state_text.h"

#if defined(QRX_EXEC_EXE) && defined(QRX_COMPARE_EXE)
namespace {

using namespace qrx::harness;

struct Outcome {
  int status;
  std::string err;
};

Outcome run(const std::string& args) {
  std::string cmd = args + " 2>&1 >/dev/null";
  FILE* p = popen(cmd.c_str(), "r");
  Outcome o{-1, ""};
  if (!p) return o;
  char buf[512];
  while (std::fgets(buf, sizeof buf, p)) o.err += buf;
  int st = pclose(p);
  o.status = WIFEXITED(st) ? WEXITSTATUS(st) : 128 + WTERMSIG(st);
  return o;
}

std::string whole_state() {
  std::unique_ptr<machine_state> s(new machine_state);
  reset_state(s.get(), 3);
  s->x[4] = 9;
  return print_state(*s);
}

std::string repeat(const std::string& piece, unsigned n) {
  std::string out;
  while (n--) out += piece;
  return out;
}

// The whole state without its lines from `from` on, or without one field.
std::string cut_lines(const std::string& text, const std::string& from) { return text.substr(0, text.find(from)); }

std::string without_line(const std::string& text, const std::string& field) {
  size_t at = text.find("\n" + field) + 1;
  return text.substr(0, at) + text.substr(text.find('\n', at) + 1);
}

TEST(BadInput, OneLineNamingFileLineAndFieldAndStatus2) {
  char dir_tmpl[] = "/tmp/qrx-bad-input-XXXXXX";
  ASSERT_NE(mkdtemp(dir_tmpl), nullptr);
  const std::string dir = dir_tmpl, file = dir + "/input.txt";
  const std::string exec = QRX_EXEC_EXE, compare = QRX_COMPARE_EXE;
  const std::string state = whole_state();
  struct Case {
    const char* what;
    std::string contents;  // written to `file` first when not empty
    std::string command;   // FILE stands for the file
    std::string says;      // the line holds this
  } cases[] = {
      {"word not hex", "", exec + " 0x2518e3e3 0xZZ", "argument 2: word: not a 32-bit hex number: '0xZZ'"},
      {"word too wide", "", exec + " 0x125183e3e3", "argument 1: word: not a 32-bit hex number"},
      {"word file", "0x2518e3e3\n0x1g  # second\n", exec + " -f FILE", "FILE: line 2: word: not a 32-bit hex number: '0x1g'"},
      {"not QRX", "", exec + " 0x44000000", "not a QRX instruction: 0x44000000"},
      {"seed", "", exec + " --seed 12abc 0x2518e3e3", "--seed: takes a number, not '12abc'"},
      {"missing value", "", exec + " 0x2518e3e3 --state", "--state: needs a value"},
      {"no file", "", exec + " -s " + dir + "/absent 0x2518e3e3", dir + "/absent: cannot read the file"},
      {"field name", "x1 = 1\nzz1 = 0\n", exec + " -s FILE 0x2518e3e3", "FILE: line 2: unknown field 'zz1'"},
      {"32-bit too wide", "fpsr = 0x100000000\n", exec + " -s FILE 0x2518e3e3", "FILE: line 1: fpsr takes one 32-bit number"},
      {"64-bit too wide", "x7 = 0x10000000000000000\n", exec + " -s FILE 0x2518e3e3", "FILE: line 1: x7 takes one 64-bit number"},
      {"doubleword too wide", "z2 =" + repeat(" 0x1", qrx::kDwordElems - 1) + " 0x10000000000000000\n",
       exec + " -s FILE 0x2518e3e3", "FILE: line 1: z2 has a bad doubleword '0x10000000000000000'"},
      {"predicate too long", "p3 = " + std::string(qrx::kPredicateBits + 1, '1') + "\n", exec + " -s FILE 0x2518e3e3",
       "FILE: line 1: p3 takes"},
      {"given twice", "x0 = 1\n\nx0 = 2\n", exec + " -s FILE 0x2518e3e3", "FILE: line 3: x0 given twice (first on line 1)"},
      {"cut after a line", cut_lines(state, "p0 "), exec + " -s FILE 0x2518e3e3", "p0 is missing (the state is cut short)"},
      {"cut inside a line", state.substr(0, state.size() - 3), exec + " -s FILE 0x2518e3e3",
       "the file ends inside this line (the state is cut short)"},
      {"missing region", without_line(state, "mem.seed"), exec + " -s FILE 0x2518e3e3", "mem.seed is missing"},
      {"region overrun", "mem +0x7ff0 = " + std::string(34, 'a') + "\n", exec + " -s FILE 0x2518e3e3",
       "FILE: line 1: mem +0x7ff0: bytes run past the end of the region"},
      {"family", "", compare + " --family nosuch", "--family: no family 'nosuch'"},
      {"regex", "", compare + " --handlers 'Vec[U8'", "--handlers: bad regular expression 'Vec[U8'"},
      {"count", "", compare + " --family integer --cases 5x", "--cases: takes a number up to 1000000, not '5x'"},
      {"deviation behaviour", "VecU8.* z0 sometimes it differs\n", compare + " --family integer --deviations FILE",
       "FILE: line 1: behaviour: expected"},
      {"deviation regex", "# head\nVec(U8 z0 any why\n", compare + " --family integer --deviations FILE",
       "FILE: line 2: FORMS: bad regular expression 'Vec(U8'"},
  };
  for (const Case& c : cases) {
    if (!c.contents.empty()) std::ofstream(file) << c.contents;
    std::string cmd = c.command, says = c.says;
    for (std::string* s : {&cmd, &says})
      for (size_t at; (at = s->find("FILE")) != std::string::npos;) s->replace(at, 4, file);
    Outcome o = run(cmd);
    EXPECT_EQ(o.status, 2) << c.what << ": " << o.err;
    EXPECT_NE(o.err.find(says), std::string::npos) << c.what << ": " << o.err;
    EXPECT_EQ(o.err.find('\n'), o.err.size() - 1) << c.what << ": one line, not " << o.err;
  }
  std::remove(file.c_str());
  rmdir(dir.c_str());
}

}  // namespace
#endif
