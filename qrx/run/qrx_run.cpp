// libqrx_run: runs a program's QRX instructions by trapping them. Preloaded
// into the program (see tools/qrx-run), it installs a SIGILL handler at
// start-up; each QRX instruction the processor rejects arrives there, is
// classified, executed on the thread's register file and counted, and the
// program resumes at the next instruction. Counts are reported at exit like
// the DynamoRIO client's.
#include <asm/sigcontext.h>
#include <dlfcn.h>
#include <errno.h>
#include <fcntl.h>
#include <limits.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "qrx/decode/qrx_report.h"
#include "qrx/decode/qrx_utils.h"
#include "qrx/library/guarded_memory.h"
#include "qrx/run/run_signals.h"
#include "qrx/run/run_thread.h"
#include "qrx/run/run_trap.h"

namespace qrx_run {
namespace {

constexpr uint64_t kNzcvMask = 0xF0000000u;  // N, Z, C, V: bits 31..28

// The signal frame's SIMD&FP record: FPSR, FPCR and V0..V31. Not inlined
// into the caller that sets a jump buffer, whose locals must survive a jump.
// Each record of the frame's reserved area starts with its magic and size.
struct FrameRecordHead {
  uint32_t magic;
  uint32_t size;
};

__attribute__((noinline)) fpsimd_context* simd_record(ucontext_t* uc) {
  unsigned char* at = reinterpret_cast<unsigned char*>(uc->uc_mcontext.__reserved);
  unsigned char* end = at + sizeof uc->uc_mcontext.__reserved;
  while (at + sizeof(FrameRecordHead) <= end) {
    auto* head = reinterpret_cast<FrameRecordHead*>(at);
    if (head->magic == FPSIMD_MAGIC && head->size >= sizeof(fpsimd_context))
      return reinterpret_cast<fpsimd_context*>(at);
    if (head->magic == 0 || head->size == 0) break;
    at += head->size;
  }
  return nullptr;
}

// The interrupted context into the register file. The upper bytes of every
// vector register, the predicates and FFR stay as the last QRX instruction
// left them.
void context_to_state(const ucontext_t* uc, const fpsimd_context* simd, cpu_state* s) {
  const mcontext_t& mc = uc->uc_mcontext;
  std::memcpy(s->x, mc.regs, sizeof s->x);
  s->sp = mc.sp;
  s->pc = reinterpret_cast<const void*>(mc.pc);
  s->nzcv = mc.pstate & kNzcvMask;
  s->fpsr = simd->fpsr;
  s->fpcr = simd->fpcr;
  for (unsigned n = 0; n < 32; ++n) std::memcpy(s->z[n], &simd->vregs[n], 16);
}

void state_to_context(const cpu_state* s, ucontext_t* uc, fpsimd_context* simd) {
  mcontext_t& mc = uc->uc_mcontext;
  std::memcpy(mc.regs, s->x, sizeof s->x);
  mc.sp = s->sp;
  mc.pstate = (mc.pstate & ~kNzcvMask) | (s->nzcv & kNzcvMask);
  simd->fpsr = s->fpsr;
  simd->fpcr = s->fpcr;
  for (unsigned n = 0; n < 32; ++n) std::memcpy(&simd->vregs[n], s->z[n], 16);
}

void on_sigill(int sig, siginfo_t* info, void* context) {
  auto* uc = static_cast<ucontext_t*>(context);
  // Only an instruction the processor rejected is a candidate; SIGILL sent
  // by a process is the program's.
  if (info->si_code > 0) {
    unsigned int word = 0;
    const void* pc = reinterpret_cast<const void*>(uc->uc_mcontext.pc);
    kalt64_handler handler =
        qrx::memory_backend().try_read(pc, &word, sizeof word) ? is_qrx(word) : nullptr;
    if (handler != nullptr && run_trapped_instruction(uc, word, handler)) return;
  }
  deliver_to_program(sig, info, uc, info->si_code > 0);
}

// The program's name for the report: its executable's base name.
const char* program_name() {
  static char path[PATH_MAX];
  ssize_t n = readlink("/proc/self/exe", path, sizeof path - 1);
  if (n <= 0) return program_invocation_short_name;
  path[n] = '\0';
  const char* slash = std::strrchr(path, '/');
  return slash ? slash + 1 : path;
}

// Where the hot-spot report goes (QRX_REPORT; -1: no report).
int report_fd = -1;

// The report's file is opened before the program starts, so that a path
// that cannot be written is said at once rather than losing the report at
// exit.
__attribute__((constructor(102))) void open_report() {
  const char* path = std::getenv("QRX_REPORT");
  if (path == nullptr || *path == '\0') return;
  report_fd = std::strcmp(path, "-") == 0 ? STDERR_FILENO
                                          : open(path, O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
  if (report_fd < 0) {
    std::fprintf(stderr, "qrx-run: cannot write the report to %s: %s\n", path, std::strerror(errno));
    _exit(2);
  }
}

void write_all(void*, const char* text, size_t n) {
  while (n > 0) {
    ssize_t done = write(report_fd, text, n);
    if (done < 0 && errno == EINTR) continue;
    if (done <= 0) return;
    text += done;
    n -= static_cast<size_t>(done);
  }
}

// An instruction's module (the base name of the object that holds it) and
// its offset from the object's lowest mapped address, as the client gives.
qrx::CodeLocation locate(void* context, const void* pc) {
  Dl_info info;
  if (dladdr(pc, &info) == 0 || info.dli_fname == nullptr) return {nullptr, 0};
  std::string* name = static_cast<std::string*>(context);
  const char* slash = std::strrchr(info.dli_fname, '/');
  *name = slash ? slash + 1 : info.dli_fname;
  return {name->c_str(), static_cast<uint64_t>(static_cast<const char*>(pc) -
                                               static_cast<const char*>(info.dli_fbase))};
}

__attribute__((destructor)) void report_at_exit() {
  const char* name = program_name();
  std::fprintf(stderr, "%s: %lu QRX instructions executed\n", name,
               static_cast<unsigned long>(qrx::executed_total()));
  std::fprintf(stderr,
               "%s: Non-QRX Kalt64 instructions not counted (qrx-run traps QRX instructions only)\n",
               name);
  if (report_fd < 0) return;
  std::fflush(stderr);
  std::string module_name;
  qrx::write_hotspot_report({&module_name, write_all, locate}, name);
  if (report_fd != STDERR_FILENO) close(report_fd);
  report_fd = -1;
}

}  // namespace

bool run_trapped_instruction(ucontext_t* uc, unsigned int word, kalt64_handler handler) {
  fpsimd_context* simd = simd_record(uc);
  if (simd == nullptr) return false;
  ThreadRun& t = this_thread();
  cpu_state* s = &t.state;
  context_to_state(uc, simd, s);
  if (sigsetjmp(t.instruction, 0) != 0) {
    // A plain access faulted: the instruction is abandoned with the
    // program's registers as they were, and the program gets the fault at
    // the instruction's address.
    t.in_instruction = 0;
    uc->uc_mcontext.fault_address = reinterpret_cast<uint64_t>(t.fault.si_addr);
    deliver_to_program(t.fault.si_signo, &t.fault, uc, false);
    return true;
  }
  t.in_instruction = 1;
  kalt64_decode_rc rc = handler(s, word);
  t.in_instruction = 0;
  if (rc != KALT64_DECODE_OK) return false;
  update_qrx_stats(const_cast<unsigned int*>(static_cast<const unsigned int*>(s->pc)), word);
  state_to_context(s, uc, simd);
  uc->uc_mcontext.pc += 4;
  return true;
}

void install_trap_handler() {
  struct sigaction act;
  std::memset(&act, 0, sizeof act);
  act.sa_sigaction = on_sigill;
  // SIGILL stays open inside the handler (a program handler it calls may
  // run QRX code); every signal that is not raised by an instruction waits
  // until the instruction is done, so no program handler runs in the middle
  // of one on this thread's register file.
  act.sa_flags = SA_SIGINFO | SA_NODEFER | SA_RESTART;
  sigfillset(&act.sa_mask);
  for (int sync : {SIGILL, SIGSEGV, SIGBUS, SIGFPE, SIGTRAP, SIGSYS}) sigdelset(&act.sa_mask, sync);
  real_sigaction(SIGILL, &act, nullptr);
}

}  // namespace qrx_run
