// Block rewriting: every run of consecutive QRX instructions in a block of an
// emulated module becomes one clean call to emulate_run, followed by a short
// check that turns a failure into the native signal; the block's other
// instructions stay and are counted at block entry.
//
// Inline code (bytes of code-cache code, per block):
//   block entry       8 instructions (32 bytes + the TLS read): add the
//                     block's non-QRX instruction count to the thread's
//                     counter, through two spill slots;
//   per run           the clean call's inline part (the register save and
//                     restore are the framework's shared out-of-line
//                     routine; one 64-bit argument) and 9 instructions (36
//                     bytes): the check, a load trap, a store trap, an
//                     illegal-instruction trap, and the reload of X26;
//   per instruction   nothing beyond the emulation labels, which emit no
//                     code.
// Blocks are cut short before their estimated size passes kBlockBudget.
#include <algorithm>
#include <cstring>
#include <map>
#include <string>
#include <vector>

#include "dr_api.h"
#include "drmgr.h"
#include "qrx/client/qrx_client.h"
#include "qrx/library/guarded_memory.h"

kalt64_handler (*client_classifier)(unsigned int word) = is_qrx;

namespace {

constexpr const char* kSourcePath = "qrx/client/qrx_rewrite.cpp";

// The size estimate that decides where a block is cut: generous per run (a
// clean call's inline part is a few tens of bytes), and half the
// framework's 32 KiB limit in all.
constexpr size_t kBlockBudget = 16 * 1024;
constexpr size_t kEntryCounterBytes = 64;
constexpr size_t kRunBytes = 192;
constexpr size_t kEmulatedBytes = 4;
constexpr size_t kNativeBytes = 4;
constexpr unsigned kMaxCountPerAdd = 4095;  // an add's 12-bit immediate

constexpr reg_id_t kMarkerReg = DR_REG_X26;
constexpr reg_id_t kMarkerRegW = DR_REG_W26;
constexpr reg_id_t kCounterReg = DR_REG_X27;
constexpr reg_id_t kCounterRegW = DR_REG_W27;

// Runs built so far, by first address: a block rebuilt (for a trace, after
// a flush, for a state translation) finds its runs again, so they do not
// pile up. Freed at exit.
void* runs_lock = nullptr;
std::multimap<app_pc, Run*>* runs = nullptr;
// Libraries whose QRX code was found and not emulated (reported once each).
std::map<app_pc, bool>* reported_libraries = nullptr;

bool same_entries(const Run* run, const std::vector<RunEntry>& entries) {
  if (run->count != entries.size()) return false;
  for (uint32_t i = 0; i < run->count; ++i) {
    const RunEntry& a = run->entries[i];
    if (a.pc != entries[i].pc || a.word != entries[i].word || a.handler != entries[i].handler) return false;
  }
  return true;
}

const Run* intern_run(const std::vector<RunEntry>& entries) {
  dr_mutex_lock(runs_lock);
  const Run* found = nullptr;
  auto range = runs->equal_range(entries[0].pc);
  for (auto it = range.first; it != range.second && !found; ++it)
    if (same_entries(it->second, entries)) found = it->second;
  if (!found) {
    RunEntry* copy = new RunEntry[entries.size()];
    std::memcpy(copy, entries.data(), entries.size() * sizeof(RunEntry));
    Run* run = new Run{static_cast<uint32_t>(entries.size()), copy};
    runs->emplace(entries[0].pc, run);
    found = run;
  }
  dr_mutex_unlock(runs_lock);
  return found;
}

// The instruction's word: its raw bits, or application memory when the
// framework holds none; false when neither can be had.
bool word_of(instr_t* instr, uint32_t* word) {
  if (const byte* raw = instr_get_raw_bits(instr)) {
    std::memcpy(word, raw, sizeof *word);
    return true;
  }
  return qrx::memory_backend().try_read(instr_get_app_pc(instr), word, sizeof *word);
}

kalt64_handler classify(instr_t* instr, uint32_t* word) {
  return word_of(instr, word) ? client_classifier(*word) : nullptr;
}

// Emits the run's code before `where`: one emulation bracket per QRX
// instruction, the last holding the call and the trap check.
void insert_run(void* drcontext, instrlist_t* bb, const std::vector<instr_t*>& instrs,
                const std::vector<RunEntry>& entries) {
  const Run* run = intern_run(entries);
  instr_t* where = instrs.front();
  for (size_t i = 0; i < instrs.size(); ++i) {
    emulated_instr_t emulated;
    std::memset(&emulated, 0, sizeof emulated);
    emulated.size = sizeof emulated;
    emulated.pc = entries[i].pc;
    emulated.instr = instrs[i];
    bool ok = drmgr_insert_emulation_start(drcontext, bb, where, &emulated);
    CLIENT_ASSERT(ok, "drmgr_insert_emulation_start");
    if (i + 1 < instrs.size()) {
      drmgr_insert_emulation_end(drcontext, bb, where);
      continue;
    }
    dr_insert_clean_call_ex(drcontext, bb, where, reinterpret_cast<void*>(emulate_run),
                            static_cast<dr_cleancall_save_t>(DR_CLEANCALL_READS_APP_CONTEXT |
                                                             DR_CLEANCALL_WRITES_APP_CONTEXT |
                                                             DR_CLEANCALL_ALWAYS_OUT_OF_LINE),
                            1, opnd_create_immed_int(reinterpret_cast<ptr_int_t>(run), OPSZ_8));
    // X26 holds the call's verdict, the application's X26 is in slot 1.
    // The traps carry the last instruction's translation (the restore-state
    // event puts in the failing instruction's address, X26 and X27); so does
    // the check, which makes the block continue after the run.
    const app_pc pc = entries[i].pc;
    instr_t* ok_label = INSTR_CREATE_label(drcontext);
    instr_t* read_label = INSTR_CREATE_label(drcontext);
    instr_t* illegal_label = INSTR_CREATE_label(drcontext);
    auto app = [&](instr_t* created) { instrlist_preinsert(bb, where, instr_set_translation(created, pc)); };
    const opnd_t marker = opnd_create_reg(kMarkerReg);
    const opnd_t faulting_byte = OPND_CREATE_MEM8(kMarkerReg, -1);
    app(INSTR_CREATE_cbz(drcontext, opnd_create_instr(ok_label), marker));
    app(INSTR_CREATE_tbnz(drcontext, opnd_create_instr(illegal_label), marker, OPND_CREATE_INT(63)));
    app(INSTR_CREATE_tbz(drcontext, opnd_create_instr(read_label), marker, OPND_CREATE_INT(62)));
    // A store's fault: the byte is loaded and stored back, so that a
    // read-only page faults as a write.
    app(INSTR_CREATE_and(drcontext, marker, marker, OPND_CREATE_INT64(~kTrapWrite)));
    app(INSTR_CREATE_ldurb(drcontext, opnd_create_reg(kCounterRegW), faulting_byte));
    app(INSTR_CREATE_sturb(drcontext, faulting_byte, opnd_create_reg(kCounterRegW)));
    instrlist_meta_preinsert(bb, where, read_label);
    app(INSTR_CREATE_ldurb(drcontext, opnd_create_reg(kMarkerRegW), faulting_byte));
    instrlist_meta_preinsert(bb, where, illegal_label);
    app(INSTR_CREATE_udf(drcontext, OPND_CREATE_INT(0)));
    instrlist_meta_preinsert(bb, where, ok_label);
    dr_restore_reg(drcontext, bb, where, kMarkerReg, SPILL_SLOT_1);
    drmgr_insert_emulation_end(drcontext, bb, where);
  }
  for (instr_t* in : instrs) {
    instrlist_remove(bb, in);
    instr_destroy(drcontext, in);
  }
}

// Adds `count` to the thread's executed counter at block entry.
void insert_entry_counter(void* drcontext, instrlist_t* bb, uint64_t count) {
  instr_t* where = instrlist_first(bb);
  dr_save_reg(drcontext, bb, where, kMarkerReg, SPILL_SLOT_1);
  dr_save_reg(drcontext, bb, where, kCounterReg, SPILL_SLOT_2);
  bool ok = drmgr_insert_read_tls_field(drcontext, tls_idx, bb, where, kMarkerReg);
  CLIENT_ASSERT(ok, "drmgr_insert_read_tls_field");
  opnd_t counter =
      opnd_create_base_disp(kMarkerReg, DR_REG_NULL, 0, offsetof(ThreadData, native_executed), OPSZ_8);
  instrlist_meta_preinsert(bb, where, INSTR_CREATE_ldr(drcontext, opnd_create_reg(kCounterReg), counter));
  for (uint64_t left = count; left > 0; left -= std::min<uint64_t>(left, kMaxCountPerAdd))
    instrlist_meta_preinsert(bb, where,
                             INSTR_CREATE_add(drcontext, opnd_create_reg(kCounterReg), opnd_create_reg(kCounterReg),
                                              opnd_create_immed_int(static_cast<ptr_int_t>(std::min<uint64_t>(left, kMaxCountPerAdd)), OPSZ_12b)));
  instrlist_meta_preinsert(bb, where, INSTR_CREATE_str(drcontext, counter, opnd_create_reg(kCounterReg)));
  dr_restore_reg(drcontext, bb, where, kCounterReg, SPILL_SLOT_2);
  dr_restore_reg(drcontext, bb, where, kMarkerReg, SPILL_SLOT_1);
}

// A library block under -modules main: says once per library that its QRX
// code is not emulated.
void report_library_qrx(instrlist_t* bb, const module_data_t* mod) {
  uint32_t word;
  bool has_qrx = false;
  for (instr_t* in = instrlist_first_app(bb); in != nullptr && !has_qrx; in = instr_get_next_app(in))
    has_qrx = classify(in, &word) != nullptr;
  if (!has_qrx) return;
  dr_mutex_lock(runs_lock);
  bool first = reported_libraries->emplace(mod->start, true).second;
  dr_mutex_unlock(runs_lock);
  if (first)
    dr_fprintf(STDERR, "QRX code in %s is not emulated (only the main executable's is); run with "
               "-modules all to emulate it\n", mod->full_path ? mod->full_path : "a library");
}

// Whether the block's code is emulated; reports a library's QRX code that
// is not.
bool emulated_code(app_pc start, instrlist_t* bb, bool translating) {
  module_data_t* mod = dr_lookup_module(start);
  if (mod == nullptr) return true;  // code of no module: generated code
  bool emulated = emulate_all_modules || mod->start == exe_start;
  if (!emulated && !translating) report_library_qrx(bb, mod);
  dr_free_module_data(mod);
  return emulated;
}

}  // namespace

dr_emit_flags_t event_app2app(void* drcontext, void* tag, instrlist_t* bb, bool /*for_trace*/,
                              bool translating) {
  if (!emulated_code(dr_fragment_app_pc(tag), bb, translating)) return DR_EMIT_DEFAULT;
  size_t estimate = kEntryCounterBytes;
  uint64_t natives = 0;
  std::vector<instr_t*> run;
  std::vector<RunEntry> entries;
  auto flush = [&]() {
    if (run.empty()) return;
    insert_run(drcontext, bb, run, entries);
    run.clear();
    entries.clear();
  };
  instr_t* next = nullptr;
  for (instr_t* instr = instrlist_first_app(bb); instr != nullptr; instr = next) {
    next = instr_get_next_app(instr);
    uint32_t word = 0;
    kalt64_handler handler = classify(instr, &word);
    const size_t cost = handler ? (run.empty() ? kRunBytes : 0) + kEmulatedBytes : kNativeBytes;
    if (estimate + cost > kBlockBudget && estimate > kEntryCounterBytes) {
      // Cut the block here: the rest becomes the next block.
      for (instr_t* rest = instr; rest != nullptr; rest = next) {
        next = instr_get_next_app(rest);
        instrlist_remove(bb, rest);
        instr_destroy(drcontext, rest);
      }
      break;
    }
    estimate += cost;
    if (handler) {
      run.push_back(instr);
      entries.push_back({instr_get_app_pc(instr), word, handler});
      continue;
    }
    flush();
    ++natives;
  }
  flush();
  if (natives > 0) insert_entry_counter(drcontext, bb, natives);
  return DR_EMIT_DEFAULT;
}

void rewrite_init() {
  if (runs_lock == nullptr) runs_lock = dr_mutex_create();
  if (runs == nullptr) runs = new std::multimap<app_pc, Run*>;
  if (reported_libraries == nullptr) reported_libraries = new std::map<app_pc, bool>;
  reported_libraries->clear();
}

void rewrite_exit() {
  dr_mutex_lock(runs_lock);
  for (auto& entry : *runs) {
    delete[] entry.second->entries;
    delete entry.second;
  }
  runs->clear();
  dr_mutex_unlock(runs_lock);
}
