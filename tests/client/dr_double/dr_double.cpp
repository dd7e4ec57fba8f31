#include "dr_double.h"

#include <fcntl.h>
#include <pthread.h>
#include <sched.h>
#include <unistd.h>

#include <algorithm>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <new>

#include "droption.h"
#include "drreg.h"

namespace dr_double {

namespace {

constexpr file_t kStderrFile = 2;

State& the_state() {
  static State s;
  return s;
}

thread_local Context* current_context = nullptr;
thread_local int clean_call_depth = 0;

instr_t* record(Kind kind, int opcode) {
  instr_t* in = new instr_t;
  in->kind = kind;
  in->opcode = opcode;
  return in;
}

std::string vformat(const char* fmt, va_list ap) {
  char buf[1024];
  vsnprintf(buf, sizeof buf, fmt, ap);
  return buf;
}

// Byte-wise kernel-checked copies through a pipe: a bad address answers
// EFAULT instead of faulting.
struct Pipe {
  int r = -1, w = -1;
  Pipe() {
    int fds[2];
    if (pipe2(fds, O_CLOEXEC) == 0) {
      r = fds[0];
      w = fds[1];
    }
  }
};
bool checked_copy(void* dst, const void* src, size_t n) {
  static Pipe p;
  for (size_t i = 0; i < n; ++i) {
    if (write(p.w, static_cast<const char*>(src) + i, 1) != 1) return false;
    if (read(p.r, static_cast<char*>(dst) + i, 1) != 1) {
      char drop;
      (void)!read(p.r, &drop, 1);
      return false;
    }
  }
  return true;
}

const Module* find_module(const byte* pc) {
  State& s = the_state();
  if (s.has_main_module && pc >= s.main_module.start && pc < s.main_module.end) return &s.main_module;
  for (const Module& m : s.libraries)
    if (pc >= m.start && pc < m.end) return &m;
  return nullptr;
}

module_data_t* module_record(const Module& m) {
  module_data_t* d = new module_data_t{};
  d->start = m.start;
  d->end = m.end;
  d->full_path = strdup(m.path.c_str());
  the_state().module_records_live.fetch_add(1);
  return d;
}

void insert_before(instrlist_t* ilist, instr_t* where, instr_t* in) {
  auto it = std::find(ilist->instrs.begin(), ilist->instrs.end(), where);
  in->owner = ilist;
  ilist->instrs.insert(it, in);
}

opnd_t make_opnd(OpndKind kind) {
  opnd_t o;
  std::memset(&o, 0, sizeof o);
  o.kind = kind;
  return o;
}

}  // namespace

State& state() { return the_state(); }

void reset() {
  for (auto& entry : the_state().cache) free_block(entry.second.bb);
  // The process of the previous test has ended: its thread memory goes too.
  for (auto& live : the_state().live_allocations) std::free(static_cast<char*>(live.first) - 8);
  the_state().~State();
  new (&the_state()) State();
  current_context = nullptr;
}

void set_current(Context* ctx) { current_context = ctx; }

InCleanCall::InCleanCall() { ++clean_call_depth; }
InCleanCall::~InCleanCall() { --clean_call_depth; }

instrlist_t* make_block(app_pc pc, const std::vector<uint32_t>& words) {
  instrlist_t* bb = new instrlist_t;
  for (size_t i = 0; i < words.size(); ++i) {
    instr_t* in = record(Kind::App, OP_INVALID);
    in->pc = pc + 4 * i;
    in->translation = in->pc;
    in->raw = words[i];
    in->owner = bb;
    bb->instrs.push_back(in);
  }
  return bb;
}

void free_block(instrlist_t* bb) {
  for (instr_t* in : bb->instrs) delete in;
  delete bb;
}

bool is_immed(const opnd_t& o, ptr_int_t value, opnd_size_t size) {
  return o.kind == KIND_IMMED && o.immed == value && o.size == size;
}

}  // namespace dr_double

using dr_double::Kind;
using dr_double::record;
using dr_double::the_state;

extern "C" {

opnd_t opnd_create_reg(reg_id_t r) {
  opnd_t o = dr_double::make_opnd(dr_double::KIND_REG);
  o.reg = r;
  return o;
}
opnd_t opnd_create_base_disp(reg_id_t base_reg, reg_id_t index_reg, int scale, int disp,
                             opnd_size_t data_size) {
  opnd_t o = dr_double::make_opnd(dr_double::KIND_MEM);
  o.reg = base_reg;
  o.index = index_reg;
  o.scale = scale;
  o.disp = disp;
  o.size = data_size;
  return o;
}
opnd_t opnd_create_immed_int(ptr_int_t i, opnd_size_t data_size) {
  opnd_t o = dr_double::make_opnd(dr_double::KIND_IMMED);
  o.immed = i;
  o.size = data_size;
  return o;
}
opnd_t opnd_create_instr(instr_t* instr) {
  opnd_t o = dr_double::make_opnd(dr_double::KIND_INSTR);
  o.target = instr;
  return o;
}

instr_t* instr_create_0dst_0src(void*, int opcode) { return record(Kind::Created, opcode); }
instr_t* instr_create_0dst_1src(void*, int opcode, opnd_t src) {
  instr_t* in = record(Kind::Created, opcode);
  in->srcs = {src};
  return in;
}
instr_t* instr_create_0dst_2src(void*, int opcode, opnd_t src1, opnd_t src2) {
  instr_t* in = record(Kind::Created, opcode);
  in->srcs = {src1, src2};
  return in;
}
instr_t* instr_create_0dst_3src(void*, int opcode, opnd_t src1, opnd_t src2, opnd_t src3) {
  instr_t* in = record(Kind::Created, opcode);
  in->srcs = {src1, src2, src3};
  return in;
}
void instr_set_meta_may_fault(instr_t* instr, bool val) { instr->meta_may_fault = val; }
bool instr_is_app(instr_t* instr) { return !instr->meta && instr->kind == Kind::App; }

instr_t* instr_create_1dst_1src(void*, int opcode, opnd_t dst, opnd_t src) {
  instr_t* in = record(Kind::Created, opcode);
  in->dsts = {dst};
  in->srcs = {src};
  return in;
}
instr_t* instr_create_1dst_2src(void*, int opcode, opnd_t dst, opnd_t src1, opnd_t src2) {
  instr_t* in = record(Kind::Created, opcode);
  in->dsts = {dst};
  in->srcs = {src1, src2};
  return in;
}
instr_t* instr_create_2dst_1src(void*, int opcode, opnd_t dst1, opnd_t dst2, opnd_t src) {
  instr_t* in = record(Kind::Created, opcode);
  in->dsts = {dst1, dst2};
  in->srcs = {src};
  return in;
}
instr_t* instr_create_1dst_4src(void*, int opcode, opnd_t dst, opnd_t src1, opnd_t src2,
                                opnd_t src3, opnd_t src4) {
  instr_t* in = record(Kind::Created, opcode);
  in->dsts = {dst};
  in->srcs = {src1, src2, src3, src4};
  return in;
}
instr_t* instr_set_translation(instr_t* instr, app_pc addr) {
  instr->translation = addr;
  return instr;
}
void instr_destroy(void*, instr_t* instr) { delete instr; }
byte* instr_get_raw_bits(instr_t* instr) { return reinterpret_cast<byte*>(&instr->raw); }
app_pc instr_get_app_pc(instr_t* instr) { return instr->pc; }

instr_t* instr_get_next_app(instr_t* instr) {
  auto& v = instr->owner->instrs;
  auto it = std::find(v.begin(), v.end(), instr);
  for (++it; it != v.end(); ++it)
    if ((*it)->kind == Kind::App) return *it;
  return nullptr;
}
instr_t* instrlist_first(instrlist_t* ilist) { return ilist->instrs.empty() ? nullptr : ilist->instrs.front(); }
instr_t* instrlist_first_app(instrlist_t* ilist) {
  for (instr_t* in : ilist->instrs)
    if (in->kind == Kind::App) return in;
  return nullptr;
}
void instrlist_preinsert(instrlist_t* ilist, instr_t* where, instr_t* instr) {
  dr_double::insert_before(ilist, where, instr);
}
void instrlist_meta_preinsert(instrlist_t* ilist, instr_t* where, instr_t* instr) {
  instr->meta = true;
  dr_double::insert_before(ilist, where, instr);
}
void instrlist_remove(instrlist_t* ilist, instr_t* instr) {
  auto& v = ilist->instrs;
  v.erase(std::remove(v.begin(), v.end(), instr), v.end());
  instr->owner = nullptr;
}

reg_id_t dr_get_stolen_reg(void) { return the_state().stolen_reg; }

static void insert_pseudo(instrlist_t* ilist, instr_t* where, Kind kind, reg_id_t reg,
                          dr_spill_slot_t slot) {
  instr_t* in = record(kind, OP_INVALID);
  in->reg = reg;
  in->slot = slot;
  in->meta = true;
  dr_double::insert_before(ilist, where, in);
}
void dr_save_reg(void*, instrlist_t* ilist, instr_t* where, reg_id_t reg, dr_spill_slot_t slot) {
  insert_pseudo(ilist, where, Kind::SaveReg, reg, slot);
}
void dr_restore_reg(void*, instrlist_t* ilist, instr_t* where, reg_id_t reg, dr_spill_slot_t slot) {
  insert_pseudo(ilist, where, Kind::RestoreReg, reg, slot);
}
reg_t dr_read_saved_reg(void* drcontext, dr_spill_slot_t slot) {
  return static_cast<dr_double::Context*>(drcontext)->spill[slot];
}
void dr_write_saved_reg(void* drcontext, dr_spill_slot_t slot, reg_t value) {
  static_cast<dr_double::Context*>(drcontext)->spill[slot] = value;
}
bool dr_insert_get_stolen_reg_value(void*, instrlist_t* ilist, instr_t* instr, reg_id_t reg) {
  insert_pseudo(ilist, instr, Kind::GetStolen, reg, SPILL_SLOT_1);
  return true;
}
bool dr_insert_set_stolen_reg_value(void*, instrlist_t* ilist, instr_t* instr, reg_id_t reg) {
  insert_pseudo(ilist, instr, Kind::SetStolen, reg, SPILL_SLOT_1);
  return true;
}
static void insert_clean_call(instrlist_t* ilist, instr_t* where, void* callee, bool ex, uint flags,
                              uint num_args, va_list ap) {
  instr_t* in = record(Kind::CleanCall, OP_INVALID);
  in->callee = callee;
  in->call_ex = ex;
  in->call_flags = flags;
  in->save_fpstate = !ex && flags != 0;
  in->meta = true;
  for (uint i = 0; i < num_args; ++i) in->args.push_back(va_arg(ap, opnd_t));
  dr_double::insert_before(ilist, where, in);
}
void dr_insert_clean_call(void*, instrlist_t* ilist, instr_t* where, void* callee,
                          bool save_fpstate, uint num_args, ...) {
  va_list ap;
  va_start(ap, num_args);
  insert_clean_call(ilist, where, callee, false, save_fpstate ? 1 : 0, num_args, ap);
  va_end(ap);
}
void dr_insert_clean_call_ex(void*, instrlist_t* ilist, instr_t* where, void* callee,
                             dr_cleancall_save_t save_flags, uint num_args, ...) {
  va_list ap;
  va_start(ap, num_args);
  insert_clean_call(ilist, where, callee, true, save_flags, num_args, ap);
  va_end(ap);
}

// Inside a clean call the application's registers are reachable only with
// the context flags; X28 is the application's value, kept apart.
bool dr_get_mcontext(void* drcontext, dr_mcontext_t* mc) {
  auto* ctx = static_cast<dr_double::Context*>(drcontext);
  if (!ctx->in_call || !(ctx->call_flags & DR_CLEANCALL_READS_APP_CONTEXT) || mc->size != sizeof *mc ||
      mc->flags != DR_MC_ALL)
    return false;
  *mc = ctx->regs;
  mc->size = sizeof *mc;
  mc->flags = DR_MC_ALL;
  mc->r28 = ctx->app_x28;
  return true;
}
bool dr_set_mcontext(void* drcontext, dr_mcontext_t* mc) {
  auto* ctx = static_cast<dr_double::Context*>(drcontext);
  if (!ctx->in_call || !(ctx->call_flags & DR_CLEANCALL_WRITES_APP_CONTEXT) || mc->size != sizeof *mc ||
      mc->flags != DR_MC_ALL)
    return false;
  const reg_t framework_x28 = ctx->regs.r28;
  byte* const pc = ctx->regs.pc;  // a clean call cannot move the pc
  ctx->regs = *mc;
  ctx->app_x28 = mc->r28;
  ctx->regs.r28 = framework_x28;
  ctx->regs.pc = pc;
  return true;
}
static reg_t* gpr_slot(reg_id_t reg, dr_mcontext_t* mc) {
  if (reg >= DR_REG_X0 && reg <= DR_REG_X30) return &mc->r0 + (reg - DR_REG_X0);
  if (reg == DR_REG_XSP) return &mc->xsp;
  return nullptr;
}
reg_t reg_get_value(reg_id_t reg, dr_mcontext_t* mc) {
  reg_t* slot = gpr_slot(reg, mc);
  return slot ? *slot : 0;
}
bool reg_set_value(reg_id_t reg, dr_mcontext_t* mc, reg_t value) {
  reg_t* slot = gpr_slot(reg, mc);
  if (slot) *slot = value;
  return slot != nullptr;
}

bool dr_set_client_name(const char* name, const char* report_URL) {
  the_state().client_name = name;
  the_state().calls.push_back(std::string("dr_set_client_name ") + (report_URL ? report_URL : ""));
  return true;
}
void* dr_get_current_drcontext(void) { return dr_double::current_context; }
void* dr_thread_alloc(void*, size_t size) {
  // Aligned to 8 bytes and never to 16, as the framework's thread heap may
  // hand it out; not cleared.
  char* block = static_cast<char*>(std::aligned_alloc(16, (size + 8 + 15) & ~size_t{15}));
  void* p = block + 8;
  std::memset(p, 0xA5, size);
  the_state().live_allocations[p] = size;
  ++the_state().allocations;
  return p;
}
void dr_thread_free(void*, void* mem, size_t size) {
  auto& live = the_state().live_allocations;
  auto it = live.find(mem);
  if (it == live.end() || it->second != size) {
    the_state().calls.push_back("bad dr_thread_free");
    return;
  }
  live.erase(it);
  ++the_state().frees;
  std::free(static_cast<char*>(mem) - 8);
}
module_data_t* dr_get_main_module(void) {
  dr_double::State& s = the_state();
  return s.has_main_module ? dr_double::module_record(s.main_module) : nullptr;
}
module_data_t* dr_lookup_module(byte* pc) {
  const dr_double::Module* m = dr_double::find_module(pc);
  return m ? dr_double::module_record(*m) : nullptr;
}
void dr_free_module_data(module_data_t* data) {
  if (!data) return;
  const dr_double::Module* m = dr_double::find_module(data->start);
  if (m && m->path != data->full_path) the_state().calls.push_back("module path modified");
  std::free(const_cast<char*>(data->full_path));
  delete data;
  the_state().module_records_live.fetch_sub(1);
}
app_pc dr_fragment_app_pc(void* tag) { return static_cast<app_pc>(tag); }
const char* dr_get_application_name(void) { return the_state().application_name.c_str(); }
// The framework's lock: never the C library's.
void* dr_mutex_create(void) { return new std::atomic<bool>(false); }
void dr_mutex_destroy(void* mutex) { delete static_cast<std::atomic<bool>*>(mutex); }
void dr_mutex_lock(void* mutex) {
  auto* held = static_cast<std::atomic<bool>*>(mutex);
  while (held->exchange(true, std::memory_order_acquire)) sched_yield();
}
void dr_mutex_unlock(void* mutex) { static_cast<std::atomic<bool>*>(mutex)->store(false, std::memory_order_release); }
void dr_register_filter_syscall_event(bool (*func)(void*, int)) {
  the_state().calls.push_back("dr_register_filter_syscall_event");
  the_state().syscall_filters.push_back(func);
}
bool dr_unregister_filter_syscall_event(bool (*func)(void*, int)) {
  auto& v = the_state().syscall_filters;
  auto it = std::find(v.begin(), v.end(), func);
  if (it == v.end()) return false;
  v.erase(it);
  return true;
}
bool dr_safe_read(const void* base, size_t size, void* out_buf, size_t* bytes_read) {
  bool ok = dr_double::checked_copy(out_buf, base, size);
  if (bytes_read) *bytes_read = ok ? size : 0;
  return ok;
}
bool dr_safe_write(void* base, size_t size, const void* in_buf, size_t* bytes_written) {
  bool ok = dr_double::checked_copy(base, in_buf, size);
  if (bytes_written) *bytes_written = ok ? size : 0;
  return ok;
}
file_t dr_get_stderr_file(void) { return dr_double::kStderrFile; }
file_t dr_open_file(const char* fname, uint mode_flags) {
  if (mode_flags != DR_FILE_WRITE_OVERWRITE) return INVALID_FILE;
  int fd = open(fname, O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
  return fd < 0 ? INVALID_FILE : fd;
}
void dr_close_file(file_t f) { close(f); }
ssize_t dr_write_file(file_t f, const void* buf, size_t count) {
  if (f == dr_double::kStderrFile) {
    the_state().dr_stderr.append(static_cast<const char*>(buf), count);
    return static_cast<ssize_t>(count);
  }
  return write(f, buf, count);
}
ssize_t dr_fprintf(file_t f, const char* fmt, ...) {
  va_list ap;
  va_start(ap, fmt);
  std::string text = dr_double::vformat(fmt, ap);
  va_end(ap);
  if (f == dr_double::kStderrFile) the_state().dr_stderr += text;
  return static_cast<ssize_t>(text.size());
}
void dr_log(void* drcontext, uint mask, uint level, const char* fmt, ...) {
  va_list ap;
  va_start(ap, fmt);
  std::string text = dr_double::vformat(fmt, ap);
  va_end(ap);
  char head[64];
  snprintf(head, sizeof head, "[%s %#x %u] ", drcontext ? "thread" : "global", mask, level);
  the_state().log += head + text;
}
void dr_abort(void) {
  the_state().calls.push_back("dr_abort");
  throw dr_double::Aborted{};
}

// ----- drmgr -------------------------------------------------------------------
bool drmgr_init(void) {
  the_state().calls.push_back("drmgr_init");
  return the_state().drmgr_init_ok;
}
void drmgr_exit(void) { the_state().calls.push_back("drmgr_exit"); }
bool drmgr_register_thread_init_event(void (*func)(void*)) {
  the_state().calls.push_back("drmgr_register_thread_init_event");
  the_state().thread_init = func;
  return true;
}
bool drmgr_register_thread_exit_event(void (*func)(void*)) {
  the_state().calls.push_back("drmgr_register_thread_exit_event");
  the_state().thread_exit = func;
  return true;
}
bool drmgr_register_exit_event(void (*func)(void)) {
  the_state().calls.push_back("drmgr_register_exit_event");
  the_state().process_exit = func;
  return true;
}
bool drmgr_register_bb_app2app_event(drmgr_xform_cb_t func, drmgr_priority_t* priority) {
  the_state().calls.push_back(priority ? "drmgr_register_bb_app2app_event priority"
                                       : "drmgr_register_bb_app2app_event");
  if (!the_state().app2app_register_ok) return false;
  the_state().app2app = func;
  return true;
}
bool drmgr_unregister_bb_app2app_event(drmgr_xform_cb_t func) {
  the_state().calls.push_back("drmgr_unregister_bb_app2app_event");
  if (!the_state().app2app_unregister_ok || func != the_state().app2app) return false;
  the_state().app2app = nullptr;
  return true;
}
int drmgr_register_tls_field(void) {
  the_state().calls.push_back("drmgr_register_tls_field");
  return the_state().tls_field_ok ? the_state().tls_fields++ : -1;
}
bool drmgr_unregister_tls_field(int idx) {
  the_state().calls.push_back("drmgr_unregister_tls_field");
  return idx >= 0 && idx < the_state().tls_fields;
}
void* drmgr_get_tls_field(void* drcontext, int idx) {
  auto& tls = static_cast<dr_double::Context*>(drcontext)->tls;
  auto it = tls.find(idx);
  return it == tls.end() ? nullptr : it->second;
}
bool drmgr_set_tls_field(void* drcontext, int idx, void* value) {
  if (!the_state().set_tls_ok) return false;
  static_cast<dr_double::Context*>(drcontext)->tls[idx] = value;
  return true;
}
bool drmgr_insert_read_tls_field(void*, int idx, instrlist_t* ilist, instr_t* where, reg_id_t reg) {
  instr_t* in = record(Kind::ReadTls, OP_INVALID);
  in->reg = reg;
  in->tls_idx = idx;
  in->meta = true;
  dr_double::insert_before(ilist, where, in);
  return true;
}

}  // extern "C"

template <typename F>
static bool add_event(std::vector<F>& events, F func, const char* name) {
  the_state().calls.push_back(name);
  events.push_back(func);
  return true;
}
template <typename F>
static bool remove_event(std::vector<F>& events, F func, const char* name) {
  the_state().calls.push_back(name);
  auto it = std::find(events.begin(), events.end(), func);
  if (it == events.end()) return false;
  events.erase(it);
  return true;
}

extern "C" {

bool drmgr_register_signal_event(dr_signal_action_t (*func)(void*, dr_siginfo_t*)) {
  return add_event(the_state().signal_events, func, "drmgr_register_signal_event");
}
bool drmgr_unregister_signal_event(dr_signal_action_t (*func)(void*, dr_siginfo_t*)) {
  return remove_event(the_state().signal_events, func, "drmgr_unregister_signal_event");
}
bool drmgr_register_restore_state_ex_event(bool (*func)(void*, bool, dr_restore_state_info_t*)) {
  return add_event(the_state().restore_state_events, func, "drmgr_register_restore_state_ex_event");
}
bool drmgr_unregister_restore_state_ex_event(bool (*func)(void*, bool, dr_restore_state_info_t*)) {
  return remove_event(the_state().restore_state_events, func, "drmgr_unregister_restore_state_ex_event");
}
bool drmgr_register_pre_syscall_event(bool (*func)(void*, int)) {
  return add_event(the_state().pre_syscall_events, func, "drmgr_register_pre_syscall_event");
}
bool drmgr_unregister_pre_syscall_event(bool (*func)(void*, int)) {
  return remove_event(the_state().pre_syscall_events, func, "drmgr_unregister_pre_syscall_event");
}
static void insert_emulation_label(instrlist_t* ilist, instr_t* where, Kind kind, const instr_t* emulated) {
  instr_t* label = record(kind, OP_label);
  label->meta = true;
  if (emulated) {  // the emulated instruction is copied, as the framework clones it
    label->pc = emulated->pc;
    label->raw = emulated->raw;
  }
  dr_double::insert_before(ilist, where, label);
}
bool drmgr_insert_emulation_start(void*, instrlist_t* ilist, instr_t* where, emulated_instr_t* instr) {
  if (instr->size < sizeof(emulated_instr_t) || instr->instr == nullptr || instr->pc != instr->instr->pc)
    return false;
  insert_emulation_label(ilist, where, Kind::EmulationStart, instr->instr);
  return true;
}
void drmgr_insert_emulation_end(void*, instrlist_t* ilist, instr_t* where) {
  insert_emulation_label(ilist, where, Kind::EmulationEnd, nullptr);
}
bool drmgr_is_emulation_start(instr_t* instr) { return instr->kind == Kind::EmulationStart; }
bool drmgr_is_emulation_end(instr_t* instr) { return instr->kind == Kind::EmulationEnd; }

// ----- drreg ---------------------------------------------------------------------
drreg_status_t drreg_init(drreg_options_t* ops) {
  the_state().calls.push_back("drreg_init");
  the_state().drreg_options = *ops;
  return the_state().drreg_init_rc;
}
drreg_status_t drreg_exit(void) {
  the_state().calls.push_back("drreg_exit");
  return the_state().drreg_exit_rc;
}

}  // extern "C"

// ----- droption ------------------------------------------------------------------
namespace dynamorio {
namespace droption {

std::vector<droption_parser_t::Declared>& droption_parser_t::declared() {
  static std::vector<Declared> options;
  return options;
}

bool droption_parser_t::parse_argv(droption_scope_t, int argc, const char* argv[],
                                   std::string* error_msg, int* last_index) {
  for (const Declared& d : declared()) d.option->reset_value();
  int i = 1;
  for (; i < argc; ++i) {
    if (std::strcmp(argv[i], "--") == 0) break;
    auto it = std::find_if(declared().begin(), declared().end(),
                           [&](const Declared& d) { return argv[i] == "-" + d.name; });
    bool ok = it != declared().end() && i + 1 < argc;
    if (ok) ok = it->option->take_value(argv[++i]);
    if (!ok) {
      if (error_msg)
        *error_msg = it == declared().end() ? std::string("Unknown option: ") + argv[i]
                                            : std::string("Missing value for option: ") + argv[i];
      if (last_index) *last_index = i;
      return false;
    }
  }
  if (last_index) *last_index = i;
  return true;
}

}  // namespace droption
}  // namespace dynamorio

// The client's private C library takes a mutex with a plain store and never
// wakes a waiter: any use from inside a clean call is recorded, so that a
// test fails on it. (The test program is linked with
// --wrap=pthread_mutex_lock.)
extern "C" int __real_pthread_mutex_lock(pthread_mutex_t* m);
extern "C" int __wrap_pthread_mutex_lock(pthread_mutex_t* m) {
  if (dr_double::clean_call_depth > 0) dr_double::the_state().c_library_locks.fetch_add(1);
  return __real_pthread_mutex_lock(m);
}
