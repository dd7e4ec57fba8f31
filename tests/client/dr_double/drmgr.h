// Stand-in for the framework's multi-instrumentation manager (see dr_api.h).
#ifndef QRX_TESTS_DR_DOUBLE_DRMGR_H
#define QRX_TESTS_DR_DOUBLE_DRMGR_H

#include "dr_api.h"

extern "C" {

typedef dr_emit_flags_t (*drmgr_xform_cb_t)(void* drcontext, void* tag, instrlist_t* bb,
                                            bool for_trace, bool translating);
typedef struct _drmgr_priority_t drmgr_priority_t;

bool drmgr_init(void);
void drmgr_exit(void);
bool drmgr_register_thread_init_event(void (*func)(void* drcontext));
bool drmgr_register_thread_exit_event(void (*func)(void* drcontext));
bool drmgr_register_exit_event(void (*func)(void));
bool drmgr_register_bb_app2app_event(drmgr_xform_cb_t func, drmgr_priority_t* priority);
bool drmgr_unregister_bb_app2app_event(drmgr_xform_cb_t func);
int drmgr_register_tls_field(void);
bool drmgr_unregister_tls_field(int idx);
void* drmgr_get_tls_field(void* drcontext, int idx);
bool drmgr_set_tls_field(void* drcontext, int idx, void* value);
bool drmgr_insert_read_tls_field(void* drcontext, int idx, instrlist_t* ilist, instr_t* where,
                                 reg_id_t reg);

bool drmgr_register_signal_event(dr_signal_action_t (*func)(void* drcontext, dr_siginfo_t* siginfo));
bool drmgr_unregister_signal_event(dr_signal_action_t (*func)(void* drcontext, dr_siginfo_t* siginfo));
bool drmgr_register_restore_state_ex_event(bool (*func)(void* drcontext, bool restore_memory,
                                                        dr_restore_state_info_t* info));
bool drmgr_unregister_restore_state_ex_event(bool (*func)(void* drcontext, bool restore_memory,
                                                          dr_restore_state_info_t* info));
bool drmgr_register_pre_syscall_event(bool (*func)(void* drcontext, int sysnum));
bool drmgr_unregister_pre_syscall_event(bool (*func)(void* drcontext, int sysnum));

// The instruction that an emulation sequence stands for.
typedef struct _emulated_instr_t {
  size_t size;
  app_pc pc;
  instr_t* instr;
  uint flags;
} emulated_instr_t;

bool drmgr_insert_emulation_start(void* drcontext, instrlist_t* ilist, instr_t* where,
                                  emulated_instr_t* instr);
void drmgr_insert_emulation_end(void* drcontext, instrlist_t* ilist, instr_t* where);
bool drmgr_is_emulation_start(instr_t* instr);
bool drmgr_is_emulation_end(instr_t* instr);

}  // extern "C"

#endif  // QRX_TESTS_DR_DOUBLE_DRMGR_H
