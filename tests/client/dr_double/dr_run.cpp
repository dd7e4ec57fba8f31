// The stand-in's processor and code cache: builds blocks through the
// client's events, measures them, and executes their records.
#include <setjmp.h>
#include <signal.h>
#include <sys/syscall.h>

#include <algorithm>
#include <cstring>
#include <stdexcept>

#include "dr_double.h"
#include "qrx/decode/decode_tables.h"

namespace dr_double {

namespace {

Context* current() { return static_cast<Context*>(dr_get_current_drcontext()); }

reg_t* gpr(Context* ctx, reg_id_t r) {
  if (r >= DR_REG_X0 && r <= DR_REG_X30) return &ctx->regs.r0 + (r - DR_REG_X0);
  if (r >= DR_REG_W0 && r <= DR_REG_W30) return &ctx->regs.r0 + (r - DR_REG_W0);
  throw std::logic_error("register not modelled");
}
reg_t get(Context* ctx, const opnd_t& o) {
  reg_t v = *gpr(ctx, o.reg);
  return o.reg >= DR_REG_W0 && o.reg <= DR_REG_W30 ? v & 0xffffffffu : v;
}
void set(Context* ctx, const opnd_t& o, reg_t v) {
  *gpr(ctx, o.reg) = o.reg >= DR_REG_W0 && o.reg <= DR_REG_W30 ? v & 0xffffffffu : v;
}
byte* address(Context* ctx, const opnd_t& mem) { return reinterpret_cast<byte*>(*gpr(ctx, mem.reg) + mem.disp); }

// The application's view of the processor's registers.
dr_mcontext_t app_state(Context* ctx, app_pc pc) {
  dr_mcontext_t mc = ctx->regs;
  mc.size = sizeof mc;
  mc.flags = DR_MC_ALL;
  mc.r28 = ctx->app_x28;
  mc.pc = pc;
  return mc;
}

// A signal reaches the application at `at` (null: between blocks, pc as
// given): translation through the restore-state events for inserted code,
// then the signal events. Returns true when the application's handler runs.
bool deliver(Context* ctx, int sig, byte* addr, const instr_t* at, app_pc pc) {
  dr_mcontext_t mc = app_state(ctx, pc);
  dr_mcontext_t raw = ctx->regs;
  if (at != nullptr && at->kind != Kind::App) {
    dr_restore_state_info_t info{&mc, true, &raw, {nullptr, nullptr, false, true}};
    for (auto* cb : state().restore_state_events) cb(ctx, true, &info);
  }
  dr_siginfo_t si{sig, ctx, &mc, &raw, true, addr, false, {nullptr, nullptr, false, true}};
  dr_signal_action_t action = DR_SIGNAL_DELIVER;
  for (auto* cb : state().signal_events) {
    dr_signal_action_t a = cb(ctx, &si);
    if (a != DR_SIGNAL_DELIVER) action = a;
  }
  if (action != DR_SIGNAL_DELIVER) throw std::logic_error("only delivery is modelled");
  ctx->frames.push_back(app_state(ctx, pc));
  ctx->signals.push_back({sig, mc.pc, addr, mc});
  return true;
}

// A fault inside a clean call is the framework's crash: it never reaches the
// application, whatever handler the application has.
thread_local sigjmp_buf* crash_jump = nullptr;
thread_local void* crash_address = nullptr;
void on_client_fault(int sig, siginfo_t* info, void*) {
  if (crash_jump == nullptr) {
    ::signal(sig, SIG_DFL);
    return;
  }
  crash_address = info->si_addr;
  siglongjmp(*crash_jump, 1);
}
void catch_client_faults() {
  static const bool installed = [] {
    struct sigaction a;
    std::memset(&a, 0, sizeof a);
    a.sa_sigaction = on_client_fault;
    a.sa_flags = SA_SIGINFO | SA_NODEFER;
    sigemptyset(&a.sa_mask);
    return sigaction(SIGSEGV, &a, nullptr) == 0 && sigaction(SIGBUS, &a, nullptr) == 0;
  }();
  (void)installed;
}

void call(Context* ctx, const instr_t* in) {
  if (!in->call_ex) throw std::logic_error("only dr_insert_clean_call_ex is modelled at run time");
  std::vector<ptr_int_t> a;
  for (const opnd_t& o : in->args) a.push_back(o.immed);
  catch_client_faults();
  sigjmp_buf jump;
  if (sigsetjmp(jump, 1) != 0) {
    crash_jump = nullptr;
    ctx->in_call = false;
    dr_fprintf(STDERR, "Tool internal crash at PC %p. Program aborted.\n", crash_address);
    dr_abort();
  }
  crash_jump = &jump;
  InCleanCall scope;
  ctx->in_call = true;
  ctx->call_flags = in->call_flags;
  switch (a.size()) {
    case 0: reinterpret_cast<void (*)()>(in->callee)(); break;
    case 1: reinterpret_cast<void (*)(ptr_int_t)>(in->callee)(a[0]); break;
    case 2: reinterpret_cast<void (*)(ptr_int_t, ptr_int_t)>(in->callee)(a[0], a[1]); break;
    default: throw std::logic_error("clean call arity not modelled");
  }
  crash_jump = nullptr;
  ctx->in_call = false;
  ctx->call_flags = 0;
}

size_t index_of(const instrlist_t* bb, const instr_t* target) {
  auto it = std::find(bb->instrs.begin(), bb->instrs.end(), target);
  if (it == bb->instrs.end()) throw std::logic_error("branch target outside the block");
  return static_cast<size_t>(it - bb->instrs.begin());
}

// A fault of an inserted instruction: the application's only when the
// instruction carries a translation; otherwise the framework's crash.
bool fault(Context* ctx, int sig, byte* addr, const instr_t* in) {
  if (in->meta && !in->meta_may_fault) {
    dr_fprintf(STDERR, "Tool internal crash at PC %p. Program aborted.\n", static_cast<void*>(addr));
    dr_abort();
  }
  return deliver(ctx, sig, addr, in, in->translation);
}

// Executes one block; false when a signal reached the application.
bool execute(Context* ctx, const instrlist_t* bb) {
  const auto& v = bb->instrs;
  for (size_t i = 0; i < v.size(); ++i) {
    const instr_t* in = v[i];
    switch (in->kind) {
      case Kind::App:
        if (is_qrx(in->raw) != nullptr) return !deliver(ctx, SIGILL, in->pc, in, in->pc);
        break;  // every other application instruction is a no-op here
      case Kind::SaveReg: ctx->spill[in->slot] = *gpr(ctx, in->reg); break;
      case Kind::RestoreReg: *gpr(ctx, in->reg) = ctx->spill[in->slot]; break;
      case Kind::GetStolen: *gpr(ctx, in->reg) = ctx->app_x28; break;
      case Kind::SetStolen: ctx->app_x28 = *gpr(ctx, in->reg); break;
      case Kind::ReadTls: *gpr(ctx, in->reg) = reinterpret_cast<reg_t>(drmgr_get_tls_field(ctx, in->tls_idx)); break;
      case Kind::CleanCall: call(ctx, in); break;
      case Kind::EmulationStart:
      case Kind::EmulationEnd: break;
      case Kind::Created:
        switch (in->opcode) {
          case OP_label: break;
          case OP_ldr: {
            reg_t value;
            std::memcpy(&value, address(ctx, in->srcs[0]), sizeof value);
            set(ctx, in->dsts[0], value);
            break;
          }
          case OP_str: {
            reg_t value = get(ctx, in->srcs[0]);
            std::memcpy(address(ctx, in->dsts[0]), &value, sizeof value);
            break;
          }
          case OP_add: set(ctx, in->dsts[0], get(ctx, in->srcs[0]) + static_cast<reg_t>(in->srcs[1].immed)); break;
          case OP_cbz:
            if (get(ctx, in->srcs[1]) == 0) i = index_of(bb, in->srcs[0].target);
            break;
          case OP_tbnz:
          case OP_tbz:
            if (((get(ctx, in->srcs[1]) >> in->srcs[2].immed) & 1) == (in->opcode == OP_tbnz ? 1u : 0u))
              i = index_of(bb, in->srcs[0].target);
            break;
          case OP_and:
            set(ctx, in->dsts[0], get(ctx, in->srcs[0]) & static_cast<reg_t>(in->srcs[1].immed));
            break;
          case OP_sturb: {
            byte* a = address(ctx, in->dsts[0]);
            byte value = static_cast<byte>(get(ctx, in->srcs[0]));
            if (!dr_safe_write(a, 1, &value, nullptr)) return !fault(ctx, SIGSEGV, a, in);
            break;
          }
          case OP_ldurb: {
            byte* a = address(ctx, in->srcs[0]);
            byte value;
            if (!dr_safe_read(a, 1, &value, nullptr)) return !fault(ctx, SIGSEGV, a, in);
            set(ctx, in->dsts[0], value);
            break;
          }
          case OP_udf: return !fault(ctx, SIGILL, in->translation, in);
          default: throw std::logic_error("instruction not modelled");
        }
        break;
    }
  }
  return true;
}

// The application address after the block: past the last instruction that
// is the application's (its own, or inserted with a translation).
app_pc block_end(const instrlist_t* bb) {
  app_pc end = nullptr;
  for (const instr_t* in : bb->instrs) {
    if (in->kind == Kind::App) end = std::max(end, in->pc + 4);
    else if (in->kind == Kind::Created && !in->meta && in->translation) end = std::max(end, in->translation + 4);
  }
  return end;
}

const Fragment& fragment(Context* ctx, app_pc pc, const uint32_t* limit) {
  std::lock_guard<std::mutex> hold(state().cache_lock);
  auto it = state().cache.find(pc);
  if (it != state().cache.end()) return it->second;
  const uint32_t* words = reinterpret_cast<const uint32_t*>(pc);
  size_t n = std::min<size_t>(kMaxBlockInstrs, static_cast<size_t>(limit - words));
  instrlist_t* bb = make_block(pc, std::vector<uint32_t>(words, words + n));
  if (state().app2app) state().app2app(ctx, pc, bb, false, false);
  Fragment f{bb, block_end(bb), block_bytes(bb)};
  if (f.end == nullptr) throw std::logic_error("block without application instructions");
  state().largest_block = std::max(state().largest_block, f.bytes);
  ++state().blocks_built;
  if (f.bytes > kMaxBlockBytes) {
    dr_fprintf(STDERR, "Basic block or trace instrumentation exceeded maximum size\n");
    free_block(bb);
    dr_abort();
  }
  return state().cache.emplace(pc, f).first->second;
}

}  // namespace

size_t encoded_size(const instr_t* in) {
  switch (in->kind) {
    case Kind::EmulationStart:
    case Kind::EmulationEnd: return 0;
    case Kind::ReadTls: return 8;  // TLS base, then the field
    case Kind::CleanCall: {
      // A 64-bit immediate argument takes four moves. Without the
      // out-of-line flag every register is saved and restored inline.
      size_t args = 16 * in->args.size();
      bool out_of_line = in->call_ex && (in->call_flags & DR_CLEANCALL_ALWAYS_OUT_OF_LINE);
      return (out_of_line ? 24 : 800) + args;
    }
    case Kind::Created: return in->opcode == OP_label ? 0 : 4;
    default: return 4;
  }
}

size_t block_bytes(const instrlist_t* bb) {
  size_t total = 0;
  for (const instr_t* in : bb->instrs) total += encoded_size(in);
  return total;
}

bool run(const uint32_t* begin, const uint32_t* end) {
  Context* ctx = current();
  app_pc pc = reinterpret_cast<app_pc>(const_cast<uint32_t*>(begin));
  while (pc < reinterpret_cast<const byte*>(end)) {
    const Fragment& f = fragment(ctx, pc, end);
    if (!execute(ctx, f.bb)) return false;
    pc = f.end;
  }
  return true;
}

void flush_cache() {
  std::lock_guard<std::mutex> hold(state().cache_lock);
  for (auto& entry : state().cache) free_block(entry.second.bb);
  state().cache.clear();
}

void signal(int sig) {
  Context* ctx = current();
  deliver(ctx, sig, nullptr, nullptr, ctx->regs.pc);
}

void sigreturn() {
  Context* ctx = current();
  const int sysnum = SYS_rt_sigreturn;
  bool wanted = false;
  for (auto* filter : state().syscall_filters) wanted = filter(ctx, sysnum) || wanted;
  if (wanted)
    for (auto* cb : state().pre_syscall_events) cb(ctx, sysnum);
  if (ctx->frames.empty()) throw std::logic_error("no handler is running");
  ctx->regs = ctx->frames.back();
  ctx->app_x28 = ctx->regs.r28;
  ctx->frames.pop_back();
}

}  // namespace dr_double
