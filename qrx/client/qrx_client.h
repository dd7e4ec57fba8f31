// The QRX client: what its start-up, block rewriting and emulation entry
// share.
#ifndef QRX_CLIENT_QRX_CLIENT_H
#define QRX_CLIENT_QRX_CLIENT_H

#include <setjmp.h>

#include <atomic>
#include <cstddef>
#include <cstdint>

#include "dr_api.h"
#include "drmgr.h"
#include "qrx/decode/decode_tables.h"
#include "qrx/decode/qrx_stats.h"
#include "qrx/state/cpu_state.h"

// The framework's assertion line, then abort. `path` names the source file.
[[noreturn]] void client_assert_failure(const char* path, int line, const char* expression);
#define CLIENT_ASSERT(cond, text)                                     \
  do {                                                                \
    if (!(cond)) client_assert_failure(kSourcePath, __LINE__, text); \
  } while (0)

// drmgr TLS field whose slot holds the thread's ThreadData.
extern int tls_idx;
// The main executable's record (may be null) and its start address.
extern module_data_t* exe;
extern app_pc exe_start;
// Whether every application module is emulated (-modules all), or only the
// main executable and code of no module (-modules main).
extern bool emulate_all_modules;
// The classifier block building uses: is_qrx (tests substitute their own).
extern kalt64_handler (*client_classifier)(unsigned int word);

// The application's vector state beyond the registers the kernel saves
// itself: kept when a signal is delivered, put back when the handler returns.
struct SavedVectorState {
  uint8_t z[32][qrx::kVectorBytes];
  uint8_t p[16][qrx::kPredicateBytes];
  uint8_t ffr[qrx::kPredicateBytes];
};
// Handlers in progress whose vector state is kept; deeper nesting (or
// handlers left by longjmp) drops the oldest copies.
constexpr unsigned kSavedSignalDepth = 8;

// What the client keeps per application thread, in its TLS field.
struct ThreadData {
  cpu_state state;             // first: 16-byte aligned
  uint64_t native_executed;    // non-QRX instructions run; the inserted code adds to it
  qrx::ThreadStats* stats;
  // A run of QRX instructions being emulated: where a plain access that
  // faults jumps back to, and which instruction it belonged to.
  jmp_buf unwind;
  bool unwind_armed;
  uint32_t run_index;
  uint64_t fault_address;
  bool fault_is_write;
  // A failure handed to the inserted code's trap: the instruction's address
  // and the application's X26 and X27, which the trap itself uses.
  bool trap_pending;
  app_pc trap_pc;
  reg_t trap_x26;
  reg_t trap_x27;
  // Vector state saved per delivered signal, a ring of the newest copies.
  SavedVectorState* saved[kSavedSignalDepth];
  unsigned saved_top;    // where the next copy goes
  unsigned saved_count;  // copies held
  ThreadData* next;      // live threads
  ThreadData* prev;
  void* allocation;      // as dr_thread_alloc returned it
  size_t allocation_size;
};
static_assert(offsetof(ThreadData, state) == 0, "the register file is at the base");

// The calling thread's data (null before its thread-init event).
inline ThreadData* thread_data(void* drcontext) {
  return drcontext ? static_cast<ThreadData*>(drmgr_get_tls_field(drcontext, tls_idx)) : nullptr;
}

// One emulated instruction of a run, as block building found it.
struct RunEntry {
  app_pc pc;
  uint32_t word;
  kalt64_handler handler;
};
// Consecutive QRX instructions that share one entry into the emulator.
struct Run {
  uint32_t count;
  const RunEntry* entries;
};

// What the clean call hands the inserted code in X26: 0 when every
// instruction of the run executed; otherwise the trap to take.
constexpr reg_t kTrapIllegal = reg_t{1} << 63;  // SIGILL
constexpr reg_t kTrapWrite = reg_t{1} << 62;
// A plain access faulted at address A: the trap loads the byte at A (and,
// for a store, stores it back).
inline reg_t trap_fault_marker(uint64_t address, bool write) { return (address + 1) | (write ? kTrapWrite : 0); }

// Clean-call target: emulates the run on the calling thread's register file.
void emulate_run(const Run* run);

// Block rewriting (qrx_rewrite.cpp).
dr_emit_flags_t event_app2app(void* drcontext, void* tag, instrlist_t* bb, bool for_trace,
                              bool translating);
void rewrite_init();
void rewrite_exit();

// Signal events (qrx_emulate.cpp).
dr_signal_action_t event_signal(void* drcontext, dr_siginfo_t* info);
bool event_restore_state(void* drcontext, bool restore_memory, dr_restore_state_info_t* info);
bool event_filter_syscall(void* drcontext, int sysnum);
bool event_pre_syscall(void* drcontext, int sysnum);
// Frees the thread's saved vector states.
void free_saved_states(void* drcontext, ThreadData* data);

// Non-QRX instructions executed, all threads.
uint64_t native_executed_total();

// A plain access of the emulated instruction faulted at `address`: hands
// the fault to the application if a run is being emulated on this thread
// (does not return then); returns otherwise.
void deliver_access_fault(uint64_t address, bool write);

#endif  // QRX_CLIENT_QRX_CLIENT_H
