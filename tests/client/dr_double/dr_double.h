// Control side of the framework stand-in: lets tests set up the process the
// client sees (modules, stolen register, failing calls), drive its events,
// and inspect what it inserted, instruction by instruction.
#ifndef QRX_TESTS_DR_DOUBLE_DR_DOUBLE_H
#define QRX_TESTS_DR_DOUBLE_DR_DOUBLE_H

#include <atomic>
#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include "dr_api.h"
#include "drmgr.h"
#include "drreg.h"

namespace dr_double {

enum OpndKind : unsigned char { KIND_NULL = 0, KIND_REG, KIND_MEM, KIND_IMMED };

// What an inserted record stands for: an instruction made by the client
// (Created), the application's own instruction (App), or a sequence that one
// of the framework's insertion routines emits.
enum class Kind { App, Created, SaveReg, RestoreReg, GetStolen, SetStolen, CleanCall, ReadTls };

// Raised by dr_abort, so that a test can see what happened before it.
struct Aborted {};

}  // namespace dr_double

struct _instr_t {
  dr_double::Kind kind = dr_double::Kind::Created;
  int opcode = OP_INVALID;
  std::vector<opnd_t> dsts, srcs;
  app_pc translation = nullptr;
  app_pc pc = nullptr;                 // application instructions
  uint32_t raw = 0;
  reg_id_t reg = DR_REG_NULL;          // SaveReg..ReadTls
  dr_spill_slot_t slot = SPILL_SLOT_1; // SaveReg, RestoreReg
  int tls_idx = -1;                    // ReadTls
  void* callee = nullptr;              // CleanCall
  bool save_fpstate = false;
  std::vector<opnd_t> args;
  instrlist_t* owner = nullptr;
};

struct _instrlist_t {
  std::vector<instr_t*> instrs;
};

namespace dr_double {

// One application thread as the framework sees it.
struct Context {
  std::map<int, void*> tls;
  reg_t spill[SPILL_SLOT_MAX + 1] = {};
};

struct Module {
  app_pc start;
  app_pc end;
  std::string path;
};

struct State {
  // Set-up.
  bool drmgr_init_ok = true;
  drreg_status_t drreg_init_rc = DRREG_SUCCESS;
  drreg_status_t drreg_exit_rc = DRREG_SUCCESS;
  bool app2app_register_ok = true;
  bool app2app_unregister_ok = true;
  bool tls_field_ok = true;
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
  drreg_options_t drreg_options{};
  int tls_fields = 0;
  std::map<void*, size_t> live_allocations;
  int allocations = 0;
  int frees = 0;
  int module_records_live = 0;
  Context* current = nullptr;
  // pthread_mutex_lock calls made from inside a clean call.
  std::atomic<int> c_library_locks{0};
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

// Operand check for tests.
bool is_immed(const opnd_t& o, ptr_int_t value, opnd_size_t size);

}  // namespace dr_double

#endif  // QRX_TESTS_DR_DOUBLE_DR_DOUBLE_H
