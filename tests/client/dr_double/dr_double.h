// Control side of the framework stand-in: lets tests set up the process the
// client sees (modules, stolen register, failing calls), drive its events,
// inspect what it inserted, and run application code through it.
//
// Running code models what the client must get right under the real
// framework on Kalt64:
//   - blocks are built once per tag into a shared cache and may hold at most
//     kMaxBlockBytes of code, inserted code included; a larger one ends the
//     process with the framework's message;
//   - the processor has no QRX: a QRX word left in a block raises SIGILL;
//   - a fault inside a clean call is the framework's crash, never the
//     application's signal; faults of inserted instructions that carry an
//     application translation reach the application (after the client's
//     restore-state events) through the client's signal events;
//   - clean calls see the application's registers only through
//     dr_get_mcontext/dr_set_mcontext, and only with the context flags; X28
//     is the framework's register in the code cache, the application's value
//     lives apart;
//   - the client's C library must not be asked for a mutex inside a clean
//     call (recorded in State::c_library_locks).
#ifndef QRX_TESTS_DR_DOUBLE_DR_DOUBLE_H
#define QRX_TESTS_DR_DOUBLE_DR_DOUBLE_H

#include <atomic>
#include <cstdint>
#include <map>
#include <mutex>
#include <string>
#include <vector>

#include "dr_api.h"
#include "drmgr.h"
#include "drreg.h"

namespace dr_double {

enum OpndKind : unsigned char { KIND_NULL = 0, KIND_REG, KIND_MEM, KIND_IMMED, KIND_INSTR };

// What an inserted record stands for: an instruction made by the client
// (Created), the application's own instruction (App), or a sequence that one
// of the framework's insertion routines emits.
enum class Kind {
  App,
  Created,
  SaveReg,
  RestoreReg,
  GetStolen,
  SetStolen,
  CleanCall,
  ReadTls,
  EmulationStart,
  EmulationEnd,
};

// Raised by dr_abort, so that a test can see what happened before it.
struct Aborted {};

// Code-cache limit of one block on Kalt64 (branch ranges).
constexpr size_t kMaxBlockBytes = 32 * 1024;
// Application instructions the framework puts in one block at most.
constexpr size_t kMaxBlockInstrs = 1024;

}  // namespace dr_double

struct _instr_t {
  dr_double::Kind kind = dr_double::Kind::Created;
  int opcode = OP_INVALID;
  std::vector<opnd_t> dsts, srcs;
  app_pc translation = nullptr;
  bool meta = false;
  bool meta_may_fault = false;
  app_pc pc = nullptr;                 // application instructions; emulation start
  uint32_t raw = 0;                    // application instructions; emulation start
  reg_id_t reg = DR_REG_NULL;          // SaveReg..ReadTls
  dr_spill_slot_t slot = SPILL_SLOT_1; // SaveReg, RestoreReg
  int tls_idx = -1;                    // ReadTls
  void* callee = nullptr;              // CleanCall
  bool save_fpstate = false;
  uint call_flags = 0;
  bool call_ex = false;
  std::vector<opnd_t> args;
  instrlist_t* owner = nullptr;
};

struct _instrlist_t {
  std::vector<instr_t*> instrs;
};

namespace dr_double {

// A signal that reached the application's handler.
struct Delivered {
  int sig;
  app_pc pc;
  byte* address;
  dr_mcontext_t mc;  // the application's registers at the signal (X28 the application's)
};

// One application thread as the framework sees it.
struct Context {
  std::map<int, void*> tls;
  reg_t spill[SPILL_SLOT_MAX + 1] = {};
  dr_mcontext_t regs{};     // the processor's registers; regs.r28 is the framework's
  reg_t app_x28 = 0;        // the application's X28
  uint call_flags = 0;      // flags of the clean call in progress
  bool in_call = false;
  std::vector<Delivered> signals;
  std::vector<dr_mcontext_t> frames;  // interrupted states of handlers still running
};

struct Module {
  app_pc start;
  app_pc end;
  std::string path;
};

// A built block in the shared cache.
struct Fragment {
  instrlist_t* bb;
  app_pc end;    // the application address after its last instruction
  size_t bytes;  // code size, inserted code included
};

struct State {
  // Set-up.
  bool drmgr_init_ok = true;
  drreg_status_t drreg_init_rc = DRREG_SUCCESS;
  drreg_status_t drreg_exit_rc = DRREG_SUCCESS;
  bool app2app_register_ok = true;
  bool app2app_unregister_ok = true;
  bool tls_field_ok = true;
  bool set_tls_ok = true;
  reg_id_t stolen_reg = DR_REG_X28;
  bool has_main_module = true;
  Module main_module{nullptr, nullptr, ""};
  std::vector<Module> libraries;
  std::string application_name = "app";

  // What the client did.
  std::vector<std::string> calls;  // registrations and set-up calls, in order
  std::string client_name;
  std::string dr_stderr;
  std::string log;
  void (*thread_init)(void*) = nullptr;
  void (*thread_exit)(void*) = nullptr;
  void (*process_exit)() = nullptr;
  drmgr_xform_cb_t app2app = nullptr;
  std::vector<dr_signal_action_t (*)(void*, dr_siginfo_t*)> signal_events;
  std::vector<bool (*)(void*, bool, dr_restore_state_info_t*)> restore_state_events;
  std::vector<bool (*)(void*, int)> pre_syscall_events;
  std::vector<bool (*)(void*, int)> syscall_filters;
  drreg_options_t drreg_options{};
  int tls_fields = 0;
  std::map<void*, size_t> live_allocations;
  int allocations = 0;
  int frees = 0;
  std::atomic<int> module_records_live{0};
  // pthread_mutex_lock calls made from inside a clean call.
  std::atomic<int> c_library_locks{0};

  // The shared code cache.
  std::mutex cache_lock;
  std::map<app_pc, Fragment> cache;
  std::atomic<int> blocks_built{0};
  size_t largest_block = 0;
};

State& state();
void reset();

// Makes ctx the calling thread's current context.
void set_current(Context* ctx);

// Marks the calling thread as inside a clean call while it lives: what runs
// then is the client's code inside the framework.
struct InCleanCall {
  InCleanCall();
  ~InCleanCall();
};

// A block of application instructions at pc, one per word.
instrlist_t* make_block(app_pc pc, const std::vector<uint32_t>& words);
void free_block(instrlist_t* bb);

// Code size of one record, and of a block, as the framework would emit them.
size_t encoded_size(const instr_t* in);
size_t block_bytes(const instrlist_t* bb);

// Runs the straight-line application code [begin, end) (real memory, one
// word per instruction) on the calling thread's context, building blocks as
// needed. Returns false when a signal reached the application (the run stops
// there: its handler is what the test runs next).
bool run(const uint32_t* begin, const uint32_t* end);

// Drops every built block (a cache flush).
void flush_cache();

// An asynchronous signal reaching the application between blocks.
void signal(int sig);
// The running handler returns (rt_sigreturn): the interrupted registers are
// restored.
void sigreturn();

// Operand check for tests.
bool is_immed(const opnd_t& o, ptr_int_t value, opnd_size_t size);

}  // namespace dr_double

#endif  // QRX_TESTS_DR_DOUBLE_DR_DOUBLE_H
