// The emulation entry and the signal events.
//
// emulate_run is the clean call of a run of QRX instructions. The framework
// saves every register in its shared out-of-line routine; the call reads
// the application's registers with dr_get_mcontext (X28, the framework's
// stolen register, included), runs the handlers on the thread's register
// file, counts each instruction in the thread's own table, and writes the
// registers back with dr_set_mcontext.
//
// An instruction that cannot be executed (its handler fails, or one of its
// plain memory accesses faults) stops the run: the registers are those
// before it, and the inserted code takes a trap that raises the native
// signal (SIGILL, or the fault of a load of the faulting address); the
// restore-state event gives the signal the failing instruction's address.
//
// Signals: when one is delivered to the application, the thread's vector
// state beyond the native registers (Z upper bytes, P, FFR) is copied, and
// it is put back when the handler returns through rt_sigreturn, as the
// kernel does for the whole vector state on hardware.
#include <signal.h>
#include <sys/syscall.h>

#include <cstring>

#include "dr_api.h"
#include "drmgr.h"
#include "qrx/client/qrx_client.h"
#include "qrx/library/guarded_memory.h"

namespace {

constexpr const char* kSourcePath = "qrx/client/qrx_emulate.cpp";

constexpr size_t kSimdBytes = 16;  // the native part of each Z register

void load_registers(cpu_state* s, dr_mcontext_t* mc) {
  for (unsigned n = 0; n < 31; ++n) s->x[n] = reg_get_value(static_cast<reg_id_t>(DR_REG_X0 + n), mc);
  s->sp = reg_get_value(DR_REG_XSP, mc);
  s->nzcv = mc->nzcv;
  s->fpsr = mc->fpsr;
  s->fpcr = mc->fpcr;
  for (unsigned n = 0; n < 32; ++n) std::memcpy(s->z[n], &mc->simd[n], kSimdBytes);
}

void store_registers(dr_mcontext_t* mc, const cpu_state* s) {
  for (unsigned n = 0; n < 31; ++n) reg_set_value(static_cast<reg_id_t>(DR_REG_X0 + n), mc, s->x[n]);
  reg_set_value(DR_REG_XSP, mc, s->sp);
  mc->nzcv = static_cast<uint>(s->nzcv);
  mc->fpsr = s->fpsr;
  mc->fpcr = s->fpcr;
  for (unsigned n = 0; n < 32; ++n) std::memcpy(&mc->simd[n], s->z[n], kSimdBytes);
}

reg_t arm_trap(ThreadData* td, app_pc pc, reg_t marker) {
  td->trap_pending = true;
  td->trap_pc = pc;
  td->trap_x26 = td->state.x[26];
  td->trap_x27 = td->state.x[27];
  return marker;
}

// Runs the run's handlers; returns what the inserted code's check reads.
reg_t run_handlers(ThreadData* td, const Run* run) {
  td->run_index = 0;
  if (setjmp(td->unwind) != 0) {  // a plain access faulted: deliver_access_fault
    td->unwind_armed = false;
    return arm_trap(td, run->entries[td->run_index].pc, trap_fault_marker(td->fault_address, td->fault_is_write));
  }
  td->unwind_armed = true;
  for (uint32_t i = 0; i < run->count; ++i) {
    td->run_index = i;
    const RunEntry& e = run->entries[i];
    td->state.pc = e.pc;
    if (e.handler(&td->state, e.word) != KALT64_DECODE_OK) {
      td->unwind_armed = false;
      uint32_t word = e.word;  // the word in memory, if it can be read
      qrx::memory_backend().try_read(e.pc, &word, sizeof word);
      dr_fprintf(STDERR, "Error: failed to emulate QRX instruction 0x%08x at PC %p\n", word,
                 static_cast<void*>(e.pc));
      return arm_trap(td, e.pc, kTrapIllegal);
    }
    qrx::count_execution(td->stats, reinterpret_cast<const unsigned int*>(e.pc), e.word);
  }
  td->unwind_armed = false;
  return 0;
}

void save_vector_state(void* drcontext, ThreadData* td) {
  SavedVectorState*& slot = td->saved[td->saved_top];
  if (slot == nullptr) slot = static_cast<SavedVectorState*>(dr_thread_alloc(drcontext, sizeof(SavedVectorState)));
  std::memcpy(slot->z, td->state.z, sizeof slot->z);
  std::memcpy(slot->p, td->state.p, sizeof slot->p);
  std::memcpy(slot->ffr, td->state.ffr, sizeof slot->ffr);
  td->saved_top = (td->saved_top + 1) % kSavedSignalDepth;
  if (td->saved_count < kSavedSignalDepth) ++td->saved_count;
}

void restore_vector_state(ThreadData* td) {
  if (td->saved_count == 0) return;  // a handler whose copy was dropped
  td->saved_top = (td->saved_top + kSavedSignalDepth - 1) % kSavedSignalDepth;
  --td->saved_count;
  const SavedVectorState* slot = td->saved[td->saved_top];
  std::memcpy(td->state.z, slot->z, sizeof slot->z);
  std::memcpy(td->state.p, slot->p, sizeof slot->p);
  std::memcpy(td->state.ffr, slot->ffr, sizeof slot->ffr);
}

}  // namespace

void emulate_run(const Run* run) {
  void* drcontext = dr_get_current_drcontext();
  ThreadData* td = thread_data(drcontext);
  dr_mcontext_t mc;
  std::memset(&mc, 0, sizeof mc);
  mc.size = sizeof mc;
  mc.flags = DR_MC_ALL;
  bool ok = dr_get_mcontext(drcontext, &mc);
  CLIENT_ASSERT(ok, "dr_get_mcontext(drcontext, &mc)");
  load_registers(&td->state, &mc);
  const reg_t marker = run_handlers(td, run);
  store_registers(&mc, &td->state);
  dr_write_saved_reg(drcontext, SPILL_SLOT_1, td->state.x[26]);
  reg_set_value(DR_REG_X26, &mc, marker);
  ok = dr_set_mcontext(drcontext, &mc);
  CLIENT_ASSERT(ok, "dr_set_mcontext(drcontext, &mc)");
}

void deliver_access_fault(uint64_t address, bool write) {
  ThreadData* td = thread_data(dr_get_current_drcontext());
  if (td == nullptr || !td->unwind_armed) return;
  td->fault_address = address;
  td->fault_is_write = write;
  longjmp(td->unwind, 1);
}

// A trap of the inserted code is being translated: the application sees the
// failing instruction's address and its own X26 and X27.
bool event_restore_state(void* drcontext, bool /*restore_memory*/, dr_restore_state_info_t* info) {
  ThreadData* td = thread_data(drcontext);
  if (td != nullptr && td->trap_pending) {
    info->mcontext->pc = td->trap_pc;
    reg_set_value(DR_REG_X26, info->mcontext, td->trap_x26);
    reg_set_value(DR_REG_X27, info->mcontext, td->trap_x27);
  }
  return true;
}

dr_signal_action_t event_signal(void* drcontext, dr_siginfo_t* /*info*/) {
  ThreadData* td = thread_data(drcontext);
  if (td == nullptr) return DR_SIGNAL_DELIVER;
  td->trap_pending = false;
  save_vector_state(drcontext, td);
  return DR_SIGNAL_DELIVER;
}

bool event_filter_syscall(void* /*drcontext*/, int sysnum) { return sysnum == SYS_rt_sigreturn; }

bool event_pre_syscall(void* drcontext, int sysnum) {
  if (sysnum != SYS_rt_sigreturn) return true;
  if (ThreadData* td = thread_data(drcontext)) restore_vector_state(td);
  return true;
}

void free_saved_states(void* drcontext, ThreadData* td) {
  for (SavedVectorState*& slot : td->saved) {
    if (slot) dr_thread_free(drcontext, slot, sizeof(SavedVectorState));
    slot = nullptr;
  }
}
