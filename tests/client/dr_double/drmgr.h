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

}  // extern "C"

#endif  // QRX_TESTS_DR_DOUBLE_DRMGR_H
