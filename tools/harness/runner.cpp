#include "runner.h"

#include <fcntl.h>
#include <setjmp.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "qrx/decode/qrx_utils.h"
#include "qrx/library/guarded_memory.h"

extern char** environ;

namespace qrx {
namespace harness {

namespace {

uint8_t* g_region;  // the host's data region, mapped once

bool write_all(FILE* f, const void* p, size_t n) { return std::fwrite(p, 1, n, f) == n; }
bool read_all(FILE* f, void* p, size_t n) { return std::fread(p, 1, n, f) == n; }

// The starting state's region is the seed's fill unless it was edited.
bool region_is_fill(const machine_state& s) {
  static uint8_t fill[kRegionBytes];
  fill_region(s.mem_seed, fill);
  return std::memcmp(fill, s.mem, kRegionBytes) == 0;
}

// ----- The emulator's memory during a case: the region and nothing else ----

sigjmp_buf g_fault_return;  // where a delivered fault resumes
int g_fault_signal;

bool in_region(const void* addr, size_t n) {
  uint64_t a = reinterpret_cast<uint64_t>(addr);
  return g_region && a >= kRegionBase && a <= kRegionEnd && n <= kRegionEnd - a;
}

[[noreturn]] void deliver_fault() {
  g_fault_signal = SIGSEGV;
  siglongjmp(g_fault_return, 1);
}

const MemoryBackend kRegionBackend = {
    "harness region",
    [](const void* a, void* out, size_t n) {
      if (!in_region(a, n)) return false;
      std::memcpy(out, a, n);
      return true;
    },
    [](const void* a) { return in_region(a, 1); },
    confined_read<in_region, deliver_fault>,
    confined_write<in_region, deliver_fault>,
    nullptr,
};

// Runs the dispatcher with the region backend in force; kept out of line so
// that nothing of the caller's lives across the jump back.
__attribute__((noinline)) kalt64_decode_rc execute_confined(cpu_state* cpu, int* fault_signal) {
  const MemoryBackend* previous = &memory_backend();
  set_memory_backend(&kRegionBackend);
  volatile kalt64_decode_rc rc = KALT64_DECODE_OK;
  g_fault_signal = 0;
  if (sigsetjmp(g_fault_return, 0) == 0) rc = execute_qrx_instruction(cpu);
  set_memory_backend(previous);
  *fault_signal = g_fault_signal;
  return rc;
}

// The probe's environment: this process's, with the model's vector length
// set to the emulator's, whatever the caller's environment says.
std::vector<std::string> model_environment() {
  static const char kVar[] = "KALT64_QRX_VECTOR_BITS=";
  std::vector<std::string> env;
  for (char** e = environ; *e; ++e)
    if (std::strncmp(*e, kVar, sizeof kVar - 1) != 0) env.push_back(*e);
  env.push_back(kVar + std::to_string(kVectorBits));
  return env;
}

}  // namespace

bool map_host_region(std::string* error) {
  if (g_region) return true;
  if (const char* what = map_data_region()) {
    *error = what;
    return false;
  }
  g_region = reinterpret_cast<uint8_t*>(kRegionBase);
  return true;
}

kalt64_decode_rc run_on_emulator(uint32_t word, machine_state* s, int* fault_signal) {
  static cpu_state cpu;
  static uint32_t code[2];
  code[0] = word;
  to_cpu(*s, &cpu);
  cpu.pc = code;
  if (g_region) std::memcpy(g_region, s->mem, kRegionBytes);
  int signal = 0;
  kalt64_decode_rc rc = execute_confined(&cpu, &signal);
  if (fault_signal) *fault_signal = signal;
  from_cpu(cpu, s);
  if (g_region) std::memcpy(s->mem, g_region, kRegionBytes);
  return rc;
}

model_options default_model_options() {
  model_options o;
#ifdef QRX_HARNESS_RUNNER
  o.runner = QRX_HARNESS_RUNNER;
#endif
#ifdef QRX_HARNESS_PROBE
  o.probe = QRX_HARNESS_PROBE;
#endif
  return o;
}

void apply_model_result(const model_result& r, const machine_state& initial, machine_state* out) {
  std::memcpy(out, &initial, sizeof *out);
  from_probe(r.regs, out);
  if (!r.region.empty()) std::memcpy(out->mem, r.region.data(), kRegionBytes);
}

bool start_model_batch(const model_options& opt, const std::vector<uint32_t>& words,
                       const std::vector<const machine_state*>& states, model_batch* batch, std::string* error) {
  if (opt.runner.empty() || opt.probe.empty()) {
    *error = "this build has no reference model (give --runner and --probe)";
    return false;
  }
  char tmpl[] = "/tmp/qrx-probe-XXXXXX";
  if (!mkdtemp(tmpl)) {
    *error = "cannot create a temporary directory";
    return false;
  }
  batch->dir = tmpl;
  batch->count = words.size();
  std::string in_path = batch->dir + "/in", out_path = batch->dir + "/out";
  FILE* in = std::fopen(in_path.c_str(), "wb");
  if (!in) {
    *error = "cannot write " + in_path;
    return false;
  }
  probe_header h{kProbeMagic, kVectorBytes, static_cast<uint32_t>(words.size()),
                 opt.prot_none_guard ? kProbeProtNoneGuard : 0};
  bool ok = write_all(in, &h, sizeof h);
  static probe_case c;
  for (size_t i = 0; ok && i < words.size(); ++i) {
    std::memset(&c, 0, sizeof c);
    c.word = words[i];
    c.mem_seed = states[i]->mem_seed;
    c.region_kind = region_is_fill(*states[i]) ? kRegionFill : kRegionExplicit;
    to_probe(*states[i], &c.regs);
    ok = write_all(in, &c, sizeof c) && (c.region_kind == kRegionFill || write_all(in, states[i]->mem, kRegionBytes));
  }
  if (std::fclose(in) != 0 || !ok) {
    *error = "cannot write " + in_path;
    return false;
  }

  posix_spawn_file_actions_t fa;
  posix_spawn_file_actions_init(&fa);
  posix_spawn_file_actions_addopen(&fa, 0, in_path.c_str(), O_RDONLY, 0);
  posix_spawn_file_actions_addopen(&fa, 1, out_path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
  char* argv[] = {const_cast<char*>(opt.runner.c_str()), const_cast<char*>(opt.probe.c_str()), nullptr};
  std::vector<std::string> env_text = model_environment();
  std::vector<char*> env;
  for (std::string& e : env_text) env.push_back(&e[0]);
  env.push_back(nullptr);
  int rc = posix_spawn(&batch->pid, opt.runner.c_str(), &fa, nullptr, argv, env.data());
  posix_spawn_file_actions_destroy(&fa);
  if (rc != 0) {
    *error = "cannot start " + opt.runner + ": " + std::strerror(rc);
    return false;
  }
  return true;
}

bool finish_model_batch(model_batch* batch, std::vector<model_result>* results, std::string* error) {
  int status = 0;
  if (waitpid(batch->pid, &status, 0) < 0 || !WIFEXITED(status) || WEXITSTATUS(status) != 0) {
    *error = "the probe failed on the reference model (status " + std::to_string(status) + ")";
    return false;
  }
  std::string in_path = batch->dir + "/in", out_path = batch->dir + "/out";
  FILE* out = std::fopen(out_path.c_str(), "rb");
  probe_header h{};
  bool ok = out && read_all(out, &h, sizeof h) && h.magic == kProbeMagic && h.count == batch->count;
  results->assign(ok ? batch->count : 0, model_result{});
  static probe_result r;
  for (size_t i = 0; ok && i < batch->count; ++i) {
    model_result& m = (*results)[i];
    ok = read_all(out, &r, sizeof r);
    m.signal = r.signal;
    m.regs = r.regs;
    if (ok && r.region_changed) {
      m.region.resize(kRegionBytes);
      ok = read_all(out, m.region.data(), kRegionBytes);
    }
  }
  if (out) std::fclose(out);
  std::remove(in_path.c_str());
  std::remove(out_path.c_str());
  rmdir(batch->dir.c_str());
  if (!ok) *error = "the probe's results are incomplete";
  return ok;
}

}  // namespace harness
}  // namespace qrx
