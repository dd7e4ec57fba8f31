// Zorvan QRX emulation client (libqrx_stats_<bits>).
//
// Replaces every QRX instruction of the main executable's code blocks by a
// clean call into the emulator: the inserted code stores the application's
// general, SIMD&FP, flag and FP status/control registers into the thread's
// emulated register file, calls emulate_instruction, and loads them back.
// Counts the emulated and the other instructions and prints both at exit.
//
// The register file's address is read from the thread's TLS field by the
// inserted code itself, so code blocks may be shared between threads.
#include "qrx/client/qrx_client.h"

#include <cstdio>
#include <cstring>
#include <string>

#include "dr_api.h"
#include "drmgr.h"
#include "drreg.h"
#include "droption.h"
#include "qrx/decode/qrx_stats.h"
#include "qrx/library/guarded_memory.h"
#include "qrx/state/cpu_state.h"

using ::dynamorio::droption::DROPTION_SCOPE_CLIENT;
using ::dynamorio::droption::droption_parser_t;

int tls_idx = -1;
module_data_t* exe = nullptr;
app_pc exe_start = nullptr;
std::atomic<uint64_t> kalt64_instr_count{0};

namespace {

constexpr const char* kClientName = "Zorvan QRX emulation client";
constexpr const char* kSupportContact = "qrx-support@zorvan.example";
constexpr const char* kSourcePath = "qrx/client/qrx_client.cpp";
constexpr uint kLogMask = 0xffffff;  // every log category

// The framework's assertion line, then abort.
void assert_failure(int line, const char* expression) {
  dr_fprintf(STDERR, "ASSERT FAILURE: %s:%d: %s (%s)\n", kSourcePath, line, expression, "");
  dr_abort();
}
#define CLIENT_ASSERT(cond, text)             \
  do {                                        \
    if (!(cond)) assert_failure(__LINE__, text); \
  } while (0)

// ----- Layout of the register file as the inserted code addresses it --------

// Scratch registers: X26 moves values, X27 holds the register file's base.
constexpr reg_id_t kValueReg = DR_REG_X26;
constexpr reg_id_t kValueRegW = DR_REG_W26;
constexpr reg_id_t kBaseReg = DR_REG_X27;

constexpr int offset_of_x(unsigned n) { return static_cast<int>(qrx::kOffsetX + 8 * n); }
constexpr int offset_of_q(unsigned n) { return static_cast<int>(qrx::kOffsetZ + n * qrx::kVectorBytes); }

// Paired stores take a signed 7-bit offset scaled by 8; Q stores an
// unsigned 12-bit offset scaled by 16; X and W stores scale by 8 and 4.
static_assert(offset_of_x(29) % 8 == 0 && offset_of_x(29) <= 504, "pair offsets in range");
static_assert(qrx::kOffsetZ % 16 == 0 && qrx::kVectorBytes % 16 == 0, "Q offsets scale by 16");
static_assert(offset_of_q(31) <= 4095 * 16, "Q offsets in range");
static_assert(qrx::kOffsetSp % 8 == 0 && qrx::kOffsetNzcv % 8 == 0, "X offsets scale by 8");
static_assert(qrx::kOffsetFpsr % 4 == 0 && qrx::kOffsetFpcr % 4 == 0, "W offsets scale by 4");
static_assert(sizeof(cpu_state::nzcv) == 8 && sizeof(cpu_state::fpsr) == 4 &&
                  sizeof(cpu_state::fpcr) == 4,
              "field widths as the inserted code stores them");

// General-register pairs stored and loaded around the call: X0/X1 ..
// X24/X25, then X29/X30. X26..X28 travel through the spill slots.
constexpr unsigned kPairFirst[] = {0, 2, 4, 6, 8, 10, 12, 14, 16, 18, 20, 22, 24, 29};

// The system registers, in store order; they are loaded back in reverse.
struct SysReg {
  reg_id_t reg;
  size_t offset;
  opnd_size_t size;
};
constexpr SysReg kSysRegs[] = {
    {DR_REG_NZCV, qrx::kOffsetNzcv, OPSZ_8},
    {DR_REG_FPSR, qrx::kOffsetFpsr, OPSZ_4},
    {DR_REG_FPCR, qrx::kOffsetFpcr, OPSZ_4},
};

reg_id_t x_reg(unsigned n) { return static_cast<reg_id_t>(DR_REG_X0 + n); }
reg_id_t q_reg(unsigned n) { return static_cast<reg_id_t>(DR_REG_Q0 + n); }
opnd_t reg(reg_id_t r) { return opnd_create_reg(r); }
opnd_t field(int offset, opnd_size_t size) {
  return opnd_create_base_disp(kBaseReg, DR_REG_NULL, 0, offset, size);
}
opnd_t zero_immediate() { return opnd_create_immed_int(0, OPSZ_12b); }

// Inserts the instructions of one rewritten QRX instruction before `where`.
struct Inserter {
  void* drcontext;
  instrlist_t* bb;
  instr_t* where;
  app_pc pc;

  void add(instr_t* created) { instrlist_preinsert(bb, where, instr_set_translation(created, pc)); }

  void save_registers() {
    add(INSTR_CREATE_add(drcontext, reg(kValueReg), reg(DR_REG_XSP), zero_immediate()));
    add(INSTR_CREATE_str(drcontext, field(qrx::kOffsetSp, OPSZ_8), reg(kValueReg)));
    for (unsigned n : kPairFirst)
      add(INSTR_CREATE_stp(drcontext, field(offset_of_x(n), OPSZ_16), reg(x_reg(n)), reg(x_reg(n + 1))));
    for (unsigned n = 0; n < 32; ++n)
      add(INSTR_CREATE_str(drcontext, field(offset_of_q(n), OPSZ_16), reg(q_reg(n))));
    for (const SysReg& s : kSysRegs) {
      add(INSTR_CREATE_mrs(drcontext, reg(kValueReg), reg(s.reg)));
      add(INSTR_CREATE_str(drcontext, field(s.offset, s.size),
                           reg(s.size == OPSZ_4 ? kValueRegW : kValueReg)));
    }
  }

  void load_registers() {
    for (size_t i = sizeof kSysRegs / sizeof kSysRegs[0]; i-- > 0;) {
      const SysReg& s = kSysRegs[i];
      add(INSTR_CREATE_ldr(drcontext, reg(s.size == OPSZ_4 ? kValueRegW : kValueReg),
                           field(s.offset, s.size)));
      add(INSTR_CREATE_msr(drcontext, reg(s.reg), reg(kValueReg)));
    }
    for (unsigned n = 0; n < 32; ++n)
      add(INSTR_CREATE_ldr(drcontext, reg(q_reg(n)), field(offset_of_q(n), OPSZ_16)));
    for (unsigned n : kPairFirst)
      add(INSTR_CREATE_ldp(drcontext, reg(x_reg(n)), reg(x_reg(n + 1)), field(offset_of_x(n), OPSZ_16)));
    add(INSTR_CREATE_ldr(drcontext, reg(kValueReg), field(qrx::kOffsetSp, OPSZ_8)));
    add(INSTR_CREATE_add(drcontext, reg(DR_REG_XSP), reg(kValueReg), zero_immediate()));
  }

  void load_register_file_base() {
    bool ok = drmgr_insert_read_tls_field(drcontext, tls_idx, bb, where, kBaseReg);
    CLIENT_ASSERT(ok, "drmgr_insert_read_tls_field");
  }
};

void rewrite(void* drcontext, instrlist_t* bb, instr_t* instr, unsigned int encoding,
             kalt64_handler handler) {
  CLIENT_ASSERT(dr_get_stolen_reg() == DR_REG_X28, "dr_get_stolen_reg() == DR_REG_X28");
  Inserter in{drcontext, bb, instr, instr_get_app_pc(instr)};

  dr_save_reg(drcontext, bb, instr, kValueReg, SPILL_SLOT_1);
  dr_save_reg(drcontext, bb, instr, kBaseReg, SPILL_SLOT_2);
  dr_insert_get_stolen_reg_value(drcontext, bb, instr, kBaseReg);
  dr_save_reg(drcontext, bb, instr, kBaseReg, SPILL_SLOT_3);
  in.load_register_file_base();
  in.save_registers();

  dr_insert_clean_call(drcontext, bb, instr, reinterpret_cast<void*>(emulate_instruction), false, 3,
                       opnd_create_immed_int(static_cast<ptr_int_t>(encoding), OPSZ_4),
                       opnd_create_immed_int(reinterpret_cast<ptr_int_t>(in.pc), OPSZ_8),
                       opnd_create_immed_int(reinterpret_cast<ptr_int_t>(handler), OPSZ_8));

  in.load_register_file_base();
  in.load_registers();
  dr_restore_reg(drcontext, bb, instr, kBaseReg, SPILL_SLOT_3);
  dr_insert_set_stolen_reg_value(drcontext, bb, instr, kBaseReg);
  dr_restore_reg(drcontext, bb, instr, kBaseReg, SPILL_SLOT_2);
  dr_restore_reg(drcontext, bb, instr, kValueReg, SPILL_SLOT_1);

  instrlist_remove(bb, instr);
  instr_destroy(drcontext, instr);
}

// The instruction's word: its raw bits, or application memory when the
// framework holds none.
unsigned int word_of(instr_t* instr) {
  unsigned int word = 0;
  if (const byte* raw = instr_get_raw_bits(instr))
    std::memcpy(&word, raw, sizeof word);
  else
    qrx::memory_backend().try_read(instr_get_app_pc(instr), &word, sizeof word);
  return word;
}

dr_emit_flags_t event_instruction_change(void* drcontext, void* tag, instrlist_t* bb,
                                         bool /*for_trace*/, bool /*translating*/) {
  // Only the main executable and code of no known module are rewritten.
  if (module_data_t* mod = dr_lookup_module(dr_fragment_app_pc(tag))) {
    app_pc start = mod->start;
    dr_free_module_data(mod);
    if (start != exe_start) return DR_EMIT_DEFAULT;
  }
  instr_t* next = nullptr;
  for (instr_t* instr = instrlist_first_app(bb); instr != nullptr; instr = next) {
    next = instr_get_next_app(instr);
    unsigned int encoding = word_of(instr);
    kalt64_handler handler = is_qrx(encoding);
    if (handler == nullptr) {
      kalt64_instr_count.fetch_add(1, std::memory_order_relaxed);
      continue;
    }
    rewrite(drcontext, bb, instr, encoding, handler);
  }
  return DR_EMIT_DEFAULT;
}

// dr_thread_alloc returns 8-byte-aligned memory; the register file needs 16.
ThreadData* thread_data_create(void* drcontext) {
  const size_t size = sizeof(ThreadData) + alignof(ThreadData);
  void* raw = dr_thread_alloc(drcontext, size);
  uintptr_t aligned = (reinterpret_cast<uintptr_t>(raw) + alignof(ThreadData) - 1) & ~uintptr_t{alignof(ThreadData) - 1};
  // A new thread's vector, predicate and first-fault registers start as zero,
  // and so does fpcr_extra, which library-path handlers fold into FPCR.
  std::memset(reinterpret_cast<void*>(aligned), 0, sizeof(ThreadData));
  ThreadData* data = reinterpret_cast<ThreadData*>(aligned);
  data->allocation = raw;
  data->allocation_size = size;
  data->stats = qrx::thread_stats_create();
  return data;
}

void event_thread_init(void* drcontext) {
  ThreadData* data = thread_data_create(drcontext);
  bool ok = drmgr_set_tls_field(drcontext, tls_idx, data);
  CLIENT_ASSERT(ok, "drmgr_set_tls_field");
}

void event_thread_exit(void* drcontext) {
  ThreadData* data = thread_data(drcontext);
  CLIENT_ASSERT(data != nullptr, "data != __null");
  bool ok = drmgr_set_tls_field(drcontext, tls_idx, nullptr);
  CLIENT_ASSERT(ok, "drmgr_set_tls_field");
  qrx::thread_stats_retire(data->stats);
  dr_thread_free(drcontext, data->allocation, data->allocation_size);
}

// The last path component, without modifying the string.
const char* base_name(const char* path) {
  const char* slash = std::strrchr(path, '/');
  return slash ? slash + 1 : path;
}

void event_exit() {
  dr_log(nullptr, kLogMask, 1, "QRX client exiting\n");
  const char* name = exe && exe->full_path ? base_name(exe->full_path) : dr_get_application_name();
  if (name == nullptr) name = "";
  std::fprintf(stderr, "%s: %lu QRX instructions executed\n", name,
               static_cast<unsigned long>(qrx::executed_total()));
  std::fprintf(stderr, "%s: %lu Non-QRX Kalt64 instructions executed\n", name,
               static_cast<unsigned long>(kalt64_instr_count.load()));
  if (exe) {
    dr_free_module_data(exe);
    exe = nullptr;
  }
  bool ok = drmgr_unregister_bb_app2app_event(event_instruction_change) && drreg_exit() == DRREG_SUCCESS;
  CLIENT_ASSERT(ok, "false");
  ok = drmgr_unregister_tls_field(tls_idx);
  CLIENT_ASSERT(ok, "drmgr_unregister_tls_field");
  drmgr_exit();
}

}  // namespace

void emulate_instruction(unsigned int encoding, unsigned char* pc, kalt64_handler handler) {
  void* drcontext = dr_get_current_drcontext();
  ThreadData* data = thread_data(drcontext);
  cpu_state* state = &data->state;
  state->pc = pc;
  state->x[26] = dr_read_saved_reg(drcontext, SPILL_SLOT_1);
  state->x[27] = dr_read_saved_reg(drcontext, SPILL_SLOT_2);
  state->x[28] = dr_read_saved_reg(drcontext, SPILL_SLOT_3);
  if (handler(state, encoding) != KALT64_DECODE_OK) {
    std::fprintf(stderr, "Error: failed to emulate QRX instruction 0x%08x at PC %p\n",
                 qrx::load_app<uint32_t>(reinterpret_cast<uint64_t>(pc)), static_cast<void*>(pc));
  } else {
    qrx::count_execution(data->stats, reinterpret_cast<unsigned int*>(pc), encoding);
  }
  dr_write_saved_reg(drcontext, SPILL_SLOT_1, state->x[26]);
  dr_write_saved_reg(drcontext, SPILL_SLOT_2, state->x[27]);
  dr_write_saved_reg(drcontext, SPILL_SLOT_3, state->x[28]);
}

DR_EXPORT void dr_client_main(client_id_t /*id*/, int argc, const char* argv[]) {
  dr_set_client_name(kClientName, kSupportContact);

  std::string parse_error;
  if (!droption_parser_t::parse_argv(DROPTION_SCOPE_CLIENT, argc, argv, &parse_error, nullptr)) {
    dr_fprintf(STDERR, "Usage error: %s\n", parse_error.c_str());
    dr_abort();
  }

  drreg_options_t ops;
  std::memset(&ops, 0, sizeof ops);
  ops.struct_size = sizeof ops;
  CLIENT_ASSERT(drmgr_init() && drreg_init(&ops) == DRREG_SUCCESS, "false");

  exe = dr_get_main_module();
  if (exe != nullptr) exe_start = exe->start;

  // drmgr forbids dr_register_exit_event to its users: the exit event goes
  // through drmgr, which runs it once at process exit.
  bool registered = drmgr_register_thread_init_event(event_thread_init) &&
                    drmgr_register_thread_exit_event(event_thread_exit) &&
                    drmgr_register_exit_event(event_exit) &&
                    drmgr_register_bb_app2app_event(event_instruction_change, nullptr);
  CLIENT_ASSERT(registered, "false");

  tls_idx = drmgr_register_tls_field();
  CLIENT_ASSERT(tls_idx != -1, "tls_idx != -1");

  qrx::stats_reset();
  kalt64_instr_count.store(0);
  dr_log(nullptr, kLogMask, 1, "QRX client initializing\n");
}
