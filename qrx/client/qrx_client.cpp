// Zorvan QRX emulation client (libqrx_stats_<bits>).
//
// Replaces every QRX instruction of the emulated modules' code blocks by a
// call into the emulator, which runs it on the thread's emulated register
// file; consecutive QRX instructions share one call. Counts the emulated
// and the other executed instructions and prints both at exit.
//
// This file: start-up, per-thread data, the exit report. Block rewriting is
// in qrx_rewrite.cpp, the emulation entry and the signal events in
// qrx_emulate.cpp.
#include "qrx/client/qrx_client.h"

#include <cstdio>
#include <cstring>
#include <string>

#include "dr_api.h"
#include "drmgr.h"
#include "drreg.h"
#include "droption.h"
#include "qrx/decode/qrx_report.h"
#include "qrx/decode/qrx_stats.h"

using ::dynamorio::droption::DROPTION_SCOPE_CLIENT;
using ::dynamorio::droption::droption_parser_t;
using ::dynamorio::droption::droption_t;

int tls_idx = -1;
module_data_t* exe = nullptr;
app_pc exe_start = nullptr;
bool emulate_all_modules = false;

namespace {

constexpr const char* kSourcePath = "qrx/client/qrx_client.cpp";
constexpr const char* kClientName = "Zorvan QRX emulation client";
constexpr const char* kSupportContact = "qrx-support@zorvan.example";
constexpr uint kLogMask = 0xffffff;  // every log category

droption_t<std::string> op_modules(DROPTION_SCOPE_CLIENT, "modules", "main",
                                   "Which modules' QRX code is emulated: main or all",
                                   "main: the main executable and code of no module; all: every "
                                   "application module (the framework and this client are never "
                                   "application code).");

droption_t<std::string> op_report(DROPTION_SCOPE_CLIENT, "report", "",
                                  "Write the hot-spot report to this file at exit (- for stderr)",
                                  "Tab-separated: one line per emulated instruction address, per "
                                  "instruction form and per family, with counts and shares.");

// Where the hot-spot report goes (INVALID_FILE: no report).
file_t report_file = INVALID_FILE;

// Live threads' data, and what ended threads executed.
void* threads_lock = nullptr;
ThreadData* live_threads = nullptr;
std::atomic<uint64_t> ended_native_executed{0};

// dr_thread_alloc returns 8-byte-aligned memory; the register file needs 16.
ThreadData* thread_data_create(void* drcontext) {
  const size_t size = sizeof(ThreadData) + alignof(ThreadData);
  void* raw = dr_thread_alloc(drcontext, size);
  const uintptr_t align = alignof(ThreadData);
  void* aligned = reinterpret_cast<void*>((reinterpret_cast<uintptr_t>(raw) + align - 1) & ~(align - 1));
  // A new thread's vector, predicate and first-fault registers start as zero,
  // and so does fpcr_extra, which library-path handlers fold into FPCR.
  std::memset(aligned, 0, sizeof(ThreadData));
  ThreadData* data = static_cast<ThreadData*>(aligned);
  data->allocation = raw;
  data->allocation_size = size;
  data->stats = qrx::thread_stats_create();
  return data;
}

void event_thread_init(void* drcontext) {
  ThreadData* data = thread_data_create(drcontext);
  bool ok = drmgr_set_tls_field(drcontext, tls_idx, data);
  CLIENT_ASSERT(ok, "drmgr_set_tls_field(drcontext, tls_idx, data)");
  dr_mutex_lock(threads_lock);
  data->next = live_threads;
  if (live_threads) live_threads->prev = data;
  live_threads = data;
  dr_mutex_unlock(threads_lock);
}

void event_thread_exit(void* drcontext) {
  ThreadData* data = thread_data(drcontext);
  CLIENT_ASSERT(data != nullptr, "data != __null");
  bool ok = drmgr_set_tls_field(drcontext, tls_idx, nullptr);
  CLIENT_ASSERT(ok, "drmgr_set_tls_field(drcontext, tls_idx, nullptr)");
  dr_mutex_lock(threads_lock);
  if (data->prev) data->prev->next = data->next;
  if (data->next) data->next->prev = data->prev;
  if (live_threads == data) live_threads = data->next;
  ended_native_executed.fetch_add(data->native_executed);
  dr_mutex_unlock(threads_lock);
  qrx::thread_stats_retire(data->stats);
  free_saved_states(drcontext, data);
  dr_thread_free(drcontext, data->allocation, data->allocation_size);
}

// The last path component, without modifying the string.
const char* base_name(const char* path) {
  const char* slash = std::strrchr(path, '/');
  return slash ? slash + 1 : path;
}

// The report's location of an instruction: its module's file name and the
// offset in it.
qrx::CodeLocation locate(void* context, const void* pc) {
  std::string* name = static_cast<std::string*>(context);
  module_data_t* mod = dr_lookup_module(static_cast<byte*>(const_cast<void*>(pc)));
  if (mod == nullptr) return {nullptr, 0};
  *name = mod->full_path ? base_name(mod->full_path) : "?";
  qrx::CodeLocation where{name->c_str(), static_cast<uint64_t>(static_cast<const byte*>(pc) - mod->start)};
  dr_free_module_data(mod);
  return where;
}

void write_report(const char* program) {
  if (report_file == INVALID_FILE) return;
  std::string module_name;
  const qrx::ReportSink sink{&module_name,
                             [](void*, const char* text, size_t n) { dr_write_file(report_file, text, n); },
                             locate};
  qrx::write_hotspot_report(sink, program);
  if (report_file != STDERR) dr_close_file(report_file);
  report_file = INVALID_FILE;
}

void event_exit() {
  dr_log(nullptr, kLogMask, 1, "QRX client exiting\n");
  const char* name = exe && exe->full_path ? base_name(exe->full_path) : dr_get_application_name();
  if (name == nullptr) name = "";
  std::fprintf(stderr, "%s: %lu QRX instructions executed\n", name,
               static_cast<unsigned long>(qrx::executed_total()));
  std::fprintf(stderr, "%s: %lu Non-QRX Kalt64 instructions executed\n", name,
               static_cast<unsigned long>(native_executed_total()));
  write_report(name);
  if (exe) {
    dr_free_module_data(exe);
    exe = nullptr;
  }
  bool ok = drmgr_unregister_bb_app2app_event(event_app2app) &&
            drmgr_unregister_signal_event(event_signal) &&
            drmgr_unregister_restore_state_ex_event(event_restore_state) &&
            drmgr_unregister_pre_syscall_event(event_pre_syscall) &&
            dr_unregister_filter_syscall_event(event_filter_syscall) && drreg_exit() == DRREG_SUCCESS;
  CLIENT_ASSERT(ok, "false");
  ok = drmgr_unregister_tls_field(tls_idx);
  CLIENT_ASSERT(ok, "drmgr_unregister_tls_field(tls_idx)");
  rewrite_exit();
  drmgr_exit();
}

}  // namespace

void client_assert_failure(const char* path, int line, const char* expression) {
  dr_fprintf(STDERR, "ASSERT FAILURE: %s:%d: %s (%s)\n", path, line, expression, "");
  dr_abort();
  __builtin_unreachable();
}

uint64_t native_executed_total() {
  dr_mutex_lock(threads_lock);
  uint64_t total = ended_native_executed.load();
  for (const ThreadData* t = live_threads; t != nullptr; t = t->next) total += t->native_executed;
  dr_mutex_unlock(threads_lock);
  return total;
}

DR_EXPORT void dr_client_main(client_id_t /*id*/, int argc, const char* argv[]) {
  dr_set_client_name(kClientName, kSupportContact);

  std::string parse_error;
  if (!droption_parser_t::parse_argv(DROPTION_SCOPE_CLIENT, argc, argv, &parse_error, nullptr)) {
    dr_fprintf(STDERR, "Usage error: %s\n", parse_error.c_str());
    dr_abort();
  }
  const std::string modules = op_modules.get_value();
  if (modules != "main" && modules != "all") {
    dr_fprintf(STDERR, "Usage error: -modules takes main or all, not %s\n", modules.c_str());
    dr_abort();
  }
  emulate_all_modules = modules == "all";
  // The report's file is opened now, so that a path that cannot be written
  // is said at once rather than losing the report at exit.
  const std::string report = op_report.get_value();
  report_file = report.empty() ? INVALID_FILE : report == "-" ? STDERR : dr_open_file(report.c_str(), DR_FILE_WRITE_OVERWRITE);
  if (!report.empty() && report_file == INVALID_FILE) {
    dr_fprintf(STDERR, "Usage error: cannot write the report to %s\n", report.c_str());
    dr_abort();
  }

  drreg_options_t ops;
  std::memset(&ops, 0, sizeof ops);
  ops.struct_size = sizeof ops;
  CLIENT_ASSERT(drmgr_init() && drreg_init(&ops) == DRREG_SUCCESS, "false");

  exe = dr_get_main_module();
  exe_start = exe != nullptr ? exe->start : nullptr;
  if (threads_lock == nullptr) threads_lock = dr_mutex_create();
  live_threads = nullptr;
  ended_native_executed.store(0);
  rewrite_init();

  // drmgr forbids dr_register_exit_event to its users: the exit event goes
  // through drmgr, which runs it once at process exit.
  bool registered = drmgr_register_thread_init_event(event_thread_init) &&
                    drmgr_register_thread_exit_event(event_thread_exit) &&
                    drmgr_register_exit_event(event_exit) &&
                    drmgr_register_bb_app2app_event(event_app2app, nullptr) &&
                    drmgr_register_restore_state_ex_event(event_restore_state) &&
                    drmgr_register_signal_event(event_signal) &&
                    drmgr_register_pre_syscall_event(event_pre_syscall);
  CLIENT_ASSERT(registered, "false");
  dr_register_filter_syscall_event(event_filter_syscall);

  tls_idx = drmgr_register_tls_field();
  CLIENT_ASSERT(tls_idx != -1, "tls_idx != -1");

  qrx::stats_reset();
  dr_log(nullptr, kLogMask, 1, "QRX client initializing\n");
}
