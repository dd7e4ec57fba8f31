// A small stand-in for the DynamoRIO client API, for testing the QRX client
// on the build host. It declares the subset of the framework's interface
// that the client uses, with the framework's documented names and
// signatures, for a Kalt64 target. Nothing here executes code blocks: the
// instruction-creation calls build records that tests inspect, and the
// control interface in dr_double.h drives the client's events.
#ifndef QRX_TESTS_DR_DOUBLE_DR_API_H
#define QRX_TESTS_DR_DOUBLE_DR_API_H

#include <stddef.h>
#include <stdint.h>
#include <sys/types.h>

extern "C" {

typedef unsigned char byte;
typedef unsigned int uint;
typedef unsigned short ushort;
typedef byte* app_pc;
typedef uint client_id_t;
typedef intptr_t ptr_int_t;
typedef uintptr_t ptr_uint_t;
typedef ptr_uint_t reg_t;
typedef ushort reg_id_t;
typedef byte opnd_size_t;
typedef int file_t;

// The API version that this stand-in describes; a client exports it.
#define _DR_VERSION_ 1100
__attribute__((weak, visibility("default"))) int _USES_DR_VERSION_ = _DR_VERSION_;

typedef struct _instr_t instr_t;
typedef struct _instrlist_t instrlist_t;

typedef enum {
  DR_EMIT_DEFAULT = 0,
  DR_EMIT_STORE_TRANSLATIONS = 0x01,
} dr_emit_flags_t;

typedef enum {
  SPILL_SLOT_1 = 0,
  SPILL_SLOT_2 = 1,
  SPILL_SLOT_3 = 2,
  SPILL_SLOT_4 = 3,
  SPILL_SLOT_5 = 4,
  SPILL_SLOT_MAX = SPILL_SLOT_5,
} dr_spill_slot_t;

// Kalt64 registers.
enum {
  DR_REG_NULL = 0,
  DR_REG_X0, DR_REG_X1, DR_REG_X2, DR_REG_X3, DR_REG_X4, DR_REG_X5, DR_REG_X6, DR_REG_X7,
  DR_REG_X8, DR_REG_X9, DR_REG_X10, DR_REG_X11, DR_REG_X12, DR_REG_X13, DR_REG_X14, DR_REG_X15,
  DR_REG_X16, DR_REG_X17, DR_REG_X18, DR_REG_X19, DR_REG_X20, DR_REG_X21, DR_REG_X22, DR_REG_X23,
  DR_REG_X24, DR_REG_X25, DR_REG_X26, DR_REG_X27, DR_REG_X28, DR_REG_X29, DR_REG_X30,
  DR_REG_XSP, DR_REG_XZR,
  DR_REG_W0, DR_REG_W1, DR_REG_W2, DR_REG_W3, DR_REG_W4, DR_REG_W5, DR_REG_W6, DR_REG_W7,
  DR_REG_W8, DR_REG_W9, DR_REG_W10, DR_REG_W11, DR_REG_W12, DR_REG_W13, DR_REG_W14, DR_REG_W15,
  DR_REG_W16, DR_REG_W17, DR_REG_W18, DR_REG_W19, DR_REG_W20, DR_REG_W21, DR_REG_W22, DR_REG_W23,
  DR_REG_W24, DR_REG_W25, DR_REG_W26, DR_REG_W27, DR_REG_W28, DR_REG_W29, DR_REG_W30,
  DR_REG_WSP, DR_REG_WZR,
  DR_REG_Q0, DR_REG_Q1, DR_REG_Q2, DR_REG_Q3, DR_REG_Q4, DR_REG_Q5, DR_REG_Q6, DR_REG_Q7,
  DR_REG_Q8, DR_REG_Q9, DR_REG_Q10, DR_REG_Q11, DR_REG_Q12, DR_REG_Q13, DR_REG_Q14, DR_REG_Q15,
  DR_REG_Q16, DR_REG_Q17, DR_REG_Q18, DR_REG_Q19, DR_REG_Q20, DR_REG_Q21, DR_REG_Q22, DR_REG_Q23,
  DR_REG_Q24, DR_REG_Q25, DR_REG_Q26, DR_REG_Q27, DR_REG_Q28, DR_REG_Q29, DR_REG_Q30, DR_REG_Q31,
  DR_REG_NZCV, DR_REG_FPCR, DR_REG_FPSR,
  DR_REG_SP = DR_REG_XSP,
};

// Kalt64 opcodes used by the client.
enum {
  OP_INVALID = 0,
  OP_add,
  OP_ldp,
  OP_ldr,
  OP_mrs,
  OP_msr,
  OP_stp,
  OP_str,
  OP_label,
  OP_cbz,
  OP_tbnz,
  OP_ldurb,
  OP_udf,
  OP_tbz,
  OP_and,
  OP_sturb,
};

// Operand sizes.
enum {
  OPSZ_NA = 0,
  OPSZ_0,
  OPSZ_1,
  OPSZ_2,
  OPSZ_4,
  OPSZ_8,
  OPSZ_16,
  OPSZ_32,
  OPSZ_6b,
  OPSZ_12b,
};

// SIMD&FP registers of a machine context.
typedef union {
  byte b[16];
  uint32_t s[4];
  uint64_t d[2];
} dr_simd_t;

typedef enum {
  DR_MC_INTEGER = 0x01,
  DR_MC_CONTROL = 0x02,
  DR_MC_MULTIMEDIA = 0x04,
  DR_MC_ALL = DR_MC_INTEGER | DR_MC_CONTROL | DR_MC_MULTIMEDIA,
} dr_mcontext_flags_t;

#define DR_MC_GPR_(n) union { reg_t r##n; reg_t x##n; }
// An application thread's registers.
typedef struct _dr_mcontext_t {
  size_t size;
  dr_mcontext_flags_t flags;
  DR_MC_GPR_(0); DR_MC_GPR_(1); DR_MC_GPR_(2); DR_MC_GPR_(3); DR_MC_GPR_(4); DR_MC_GPR_(5);
  DR_MC_GPR_(6); DR_MC_GPR_(7); DR_MC_GPR_(8); DR_MC_GPR_(9); DR_MC_GPR_(10); DR_MC_GPR_(11);
  DR_MC_GPR_(12); DR_MC_GPR_(13); DR_MC_GPR_(14); DR_MC_GPR_(15); DR_MC_GPR_(16); DR_MC_GPR_(17);
  DR_MC_GPR_(18); DR_MC_GPR_(19); DR_MC_GPR_(20); DR_MC_GPR_(21); DR_MC_GPR_(22); DR_MC_GPR_(23);
  DR_MC_GPR_(24); DR_MC_GPR_(25); DR_MC_GPR_(26); DR_MC_GPR_(27); DR_MC_GPR_(28); DR_MC_GPR_(29);
  DR_MC_GPR_(30);
  union { reg_t r31; reg_t sp; reg_t xsp; };
  byte* pc;
  uint nzcv;
  uint fpcr;
  uint fpsr;
  dr_simd_t simd[32];
} dr_mcontext_t;
#undef DR_MC_GPR_

typedef enum {
  DR_CLEANCALL_SAVE_FLOAT = 0x0001,
  DR_CLEANCALL_NOSAVE_FLAGS = 0x0002,
  DR_CLEANCALL_NOSAVE_XMM = 0x0004,
  DR_CLEANCALL_READS_APP_CONTEXT = 0x0080,
  DR_CLEANCALL_WRITES_APP_CONTEXT = 0x0100,
  DR_CLEANCALL_ALWAYS_OUT_OF_LINE = 0x0200,
} dr_cleancall_save_t;

typedef enum {
  DR_SIGNAL_DELIVER,
  DR_SIGNAL_SUPPRESS,
  DR_SIGNAL_BYPASS,
  DR_SIGNAL_REDIRECT,
} dr_signal_action_t;

typedef struct _dr_fault_fragment_info_t {
  void* tag;
  byte* cache_start_pc;
  bool is_trace;
  bool app_code_consistent;
} dr_fault_fragment_info_t;

// A signal about to reach the application.
typedef struct _dr_siginfo_t {
  int sig;
  void* drcontext;
  dr_mcontext_t* mcontext;  // the application's state at the signal
  dr_mcontext_t* raw_mcontext;
  bool raw_mcontext_valid;
  byte* access_address;
  bool blocked;
  dr_fault_fragment_info_t fault_fragment_info;
} dr_siginfo_t;

// A code-cache state being translated back to an application state.
typedef struct _dr_restore_state_info_t {
  dr_mcontext_t* mcontext;
  bool raw_mcontext_valid;
  dr_mcontext_t* raw_mcontext;
  dr_fault_fragment_info_t fragment_info;
} dr_restore_state_info_t;

// Operands are plain values, as in the framework.
typedef struct {
  byte kind;  // dr_double::opnd_kind
  opnd_size_t size;
  reg_id_t reg;    // register operand, or base of a memory operand
  reg_id_t index;  // memory operand
  int scale;
  int disp;
  ptr_int_t immed;
  instr_t* target;  // branch target operand
} opnd_t;

typedef struct _module_data_t {
  union {
    app_pc start;
    void* handle;
  };
  app_pc end;
  app_pc entry_point;
  uint flags;
  const char* full_path;
} module_data_t;


// ----- Operands and instructions ------------------------------------------
opnd_t opnd_create_reg(reg_id_t r);
opnd_t opnd_create_base_disp(reg_id_t base_reg, reg_id_t index_reg, int scale, int disp,
                             opnd_size_t data_size);
opnd_t opnd_create_immed_int(ptr_int_t i, opnd_size_t data_size);
opnd_t opnd_create_instr(instr_t* instr);

instr_t* instr_create_1dst_1src(void* drcontext, int opcode, opnd_t dst, opnd_t src);
instr_t* instr_create_1dst_2src(void* drcontext, int opcode, opnd_t dst, opnd_t src1, opnd_t src2);
instr_t* instr_create_2dst_1src(void* drcontext, int opcode, opnd_t dst1, opnd_t dst2, opnd_t src);
instr_t* instr_create_1dst_4src(void* drcontext, int opcode, opnd_t dst, opnd_t src1, opnd_t src2,
                                opnd_t src3, opnd_t src4);
instr_t* instr_set_translation(instr_t* instr, app_pc addr);
void instr_destroy(void* drcontext, instr_t* instr);
byte* instr_get_raw_bits(instr_t* instr);
app_pc instr_get_app_pc(instr_t* instr);
instr_t* instr_get_next_app(instr_t* instr);
instr_t* instr_create_0dst_0src(void* drcontext, int opcode);
instr_t* instr_create_0dst_1src(void* drcontext, int opcode, opnd_t src);
instr_t* instr_create_0dst_2src(void* drcontext, int opcode, opnd_t src1, opnd_t src2);
instr_t* instr_create_0dst_3src(void* drcontext, int opcode, opnd_t src1, opnd_t src2, opnd_t src3);
void instr_set_meta_may_fault(instr_t* instr, bool val);
bool instr_is_app(instr_t* instr);

instr_t* instrlist_first(instrlist_t* ilist);
instr_t* instrlist_first_app(instrlist_t* ilist);
void instrlist_preinsert(instrlist_t* ilist, instr_t* where, instr_t* instr);
void instrlist_meta_preinsert(instrlist_t* ilist, instr_t* where, instr_t* instr);
void instrlist_remove(instrlist_t* ilist, instr_t* instr);

// ----- Code insertion ------------------------------------------------------
reg_id_t dr_get_stolen_reg(void);
void dr_save_reg(void* drcontext, instrlist_t* ilist, instr_t* where, reg_id_t reg,
                 dr_spill_slot_t slot);
void dr_restore_reg(void* drcontext, instrlist_t* ilist, instr_t* where, reg_id_t reg,
                    dr_spill_slot_t slot);
reg_t dr_read_saved_reg(void* drcontext, dr_spill_slot_t slot);
void dr_write_saved_reg(void* drcontext, dr_spill_slot_t slot, reg_t value);
bool dr_insert_get_stolen_reg_value(void* drcontext, instrlist_t* ilist, instr_t* instr,
                                    reg_id_t reg);
bool dr_insert_set_stolen_reg_value(void* drcontext, instrlist_t* ilist, instr_t* instr,
                                    reg_id_t reg);
void dr_insert_clean_call(void* drcontext, instrlist_t* ilist, instr_t* where, void* callee,
                          bool save_fpstate, uint num_args, ...);
void dr_insert_clean_call_ex(void* drcontext, instrlist_t* ilist, instr_t* where, void* callee,
                             dr_cleancall_save_t save_flags, uint num_args, ...);
bool dr_get_mcontext(void* drcontext, dr_mcontext_t* context);
bool dr_set_mcontext(void* drcontext, dr_mcontext_t* context);
reg_t reg_get_value(reg_id_t reg, dr_mcontext_t* mc);
bool reg_set_value(reg_id_t reg, dr_mcontext_t* mc, reg_t value);

// ----- Process, threads, modules, output -------------------------------------
bool dr_set_client_name(const char* name, const char* report_URL);
void* dr_get_current_drcontext(void);
void* dr_thread_alloc(void* drcontext, size_t size);
void dr_thread_free(void* drcontext, void* mem, size_t size);
module_data_t* dr_get_main_module(void);
module_data_t* dr_lookup_module(byte* pc);
void dr_free_module_data(module_data_t* data);
app_pc dr_fragment_app_pc(void* tag);
const char* dr_get_application_name(void);
void* dr_mutex_create(void);
void dr_mutex_destroy(void* mutex);
void dr_mutex_lock(void* mutex);
void dr_mutex_unlock(void* mutex);
void dr_register_filter_syscall_event(bool (*func)(void* drcontext, int sysnum));
bool dr_unregister_filter_syscall_event(bool (*func)(void* drcontext, int sysnum));
bool dr_safe_read(const void* base, size_t size, void* out_buf, size_t* bytes_read);
bool dr_safe_write(void* base, size_t size, const void* in_buf, size_t* bytes_written);
file_t dr_get_stderr_file(void);
#define INVALID_FILE (-1)
#define DR_FILE_WRITE_OVERWRITE 0x2
file_t dr_open_file(const char* fname, uint mode_flags);
void dr_close_file(file_t f);
ssize_t dr_write_file(file_t f, const void* buf, size_t count);
ssize_t dr_fprintf(file_t f, const char* fmt, ...) __attribute__((format(printf, 2, 3)));
void dr_log(void* drcontext, uint mask, uint level, const char* fmt, ...)
    __attribute__((format(printf, 4, 5)));
void dr_abort(void);

#define DR_EXPORT __attribute__((visibility("default")))
// The client's entry point.
DR_EXPORT void dr_client_main(client_id_t id, int argc, const char* argv[]);

}  // extern "C"

#define STDERR (dr_get_stderr_file())
#define DR_LOG_ALL 0x00ffffff

// Instruction-creation macros of the Kalt64 target.
#define INSTR_CREATE_str(dc, mem, rt) instr_create_1dst_1src((dc), OP_str, (mem), (rt))
#define INSTR_CREATE_ldr(dc, rt, mem) instr_create_1dst_1src((dc), OP_ldr, (rt), (mem))
#define INSTR_CREATE_stp(dc, mem, rt1, rt2) instr_create_1dst_2src((dc), OP_stp, (mem), (rt1), (rt2))
#define INSTR_CREATE_ldp(dc, rt1, rt2, mem) instr_create_2dst_1src((dc), OP_ldp, (rt1), (rt2), (mem))
#define INSTR_CREATE_mrs(dc, xt, sysreg) instr_create_1dst_1src((dc), OP_mrs, (xt), (sysreg))
#define INSTR_CREATE_msr(dc, sysreg, xt) instr_create_1dst_1src((dc), OP_msr, (sysreg), (xt))
#define INSTR_CREATE_label(dc) instr_create_0dst_0src((dc), OP_label)
#define INSTR_CREATE_cbz(dc, pc, reg) instr_create_0dst_2src((dc), OP_cbz, (pc), (reg))
#define INSTR_CREATE_tbnz(dc, pc, reg, imm) instr_create_0dst_3src((dc), OP_tbnz, (pc), (reg), (imm))
#define INSTR_CREATE_ldurb(dc, rt, mem) instr_create_1dst_1src((dc), OP_ldurb, (rt), (mem))
#define INSTR_CREATE_sturb(dc, mem, rt) instr_create_1dst_1src((dc), OP_sturb, (mem), (rt))
#define INSTR_CREATE_tbz(dc, pc, reg, imm) instr_create_0dst_3src((dc), OP_tbz, (pc), (reg), (imm))
#define INSTR_CREATE_and(dc, rd, rn, imm) instr_create_1dst_2src((dc), OP_and, (rd), (rn), (imm))
#define OPND_CREATE_INT64(val) opnd_create_immed_int((ptr_int_t)(val), OPSZ_8)
#define INSTR_CREATE_udf(dc, imm) instr_create_0dst_1src((dc), OP_udf, (imm))
#define OPND_CREATE_INT(val) opnd_create_immed_int((ptr_int_t)(val), OPSZ_12b)
#define OPND_CREATE_MEM8(base, disp) opnd_create_base_disp((base), DR_REG_NULL, 0, (disp), OPSZ_1)
#define OPND_CREATE_LSL() opnd_create_immed_int(0, OPSZ_2)
#define INSTR_CREATE_add(dc, rd, rn, imm) \
  instr_create_1dst_4src((dc), OP_add, (rd), (rn), (imm), OPND_CREATE_LSL(), opnd_create_immed_int(0, OPSZ_6b))
#define XINST_CREATE_add_2src(dc, d, s1, s2) INSTR_CREATE_add((dc), (d), (s1), (s2))
#define XINST_CREATE_load(dc, r, m) INSTR_CREATE_ldr((dc), (r), (m))
#define XINST_CREATE_store(dc, m, r) INSTR_CREATE_str((dc), (m), (r))

#endif  // QRX_TESTS_DR_DOUBLE_DR_API_H
