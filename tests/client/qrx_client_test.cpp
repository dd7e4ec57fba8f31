// Start-up, threads, options, module selection, the inserted code's shape,
// and the exit report.
#include <signal.h>

#include <algorithm>
#include <mutex>
#include <string>
#include <vector>

#include "client_fixture.h"
#include "qrx/library/fault_guard.h"
#include "qrx/library/guarded_memory.h"

namespace client_test {
namespace {

using dr_double::Kind;

TEST_F(ClientTest, Arguments) {
  struct Case {
    std::vector<const char*> args;
    const char* error;  // null: accepted
    bool all_modules;
  };
  const Case cases[] = {
      {{}, nullptr, false},
      {{"--"}, nullptr, false},
      {{"--", "-v", "anything"}, nullptr, false},
      {{"-modules", "all"}, nullptr, true},
      {{"-modules", "main", "--", "-x"}, nullptr, false},
      {{"-v"}, "Usage error: Unknown option: -v\n", false},
      {{"-v", "--"}, "Usage error: Unknown option: -v\n", false},
      {{"-modules", "some"}, "Usage error: -modules takes main or all, not some\n", false},
      {{"-modules"}, "Usage error: Missing value for option: -modules\n", false},
  };
  for (const Case& c : cases) {
    SetUp();
    if (c.error == nullptr) {
      ASSERT_NO_THROW(start(c.args));
      EXPECT_EQ(dr_double::state().dr_stderr, "");
      EXPECT_EQ(emulate_all_modules, c.all_modules);
    } else {
      EXPECT_THROW(start(c.args), dr_double::Aborted);
      EXPECT_EQ(dr_double::state().dr_stderr, c.error);
      // Nothing but the client name happened before the abort.
      ASSERT_EQ(dr_double::state().calls.size(), 2u);
      EXPECT_EQ(dr_double::state().calls[1], "dr_abort");
    }
  }
}

TEST_F(ClientTest, StartUpOrderAndSettings) {
  start();
  const auto& s = dr_double::state();
  const std::vector<std::string> expected = {
      "dr_set_client_name qrx-support@zorvan.example", "drmgr_init", "drreg_init",
      "drmgr_register_thread_init_event", "drmgr_register_thread_exit_event",
      "drmgr_register_exit_event", "drmgr_register_bb_app2app_event",
      "drmgr_register_restore_state_ex_event", "drmgr_register_signal_event",
      "drmgr_register_pre_syscall_event", "dr_register_filter_syscall_event", "drmgr_register_tls_field"};
  EXPECT_EQ(s.calls, expected);
  EXPECT_EQ(s.client_name, "Zorvan QRX emulation client");
  EXPECT_EQ(s.drreg_options.struct_size, sizeof(drreg_options_t));
  EXPECT_EQ(s.drreg_options.num_spill_slots, 0u);
  EXPECT_EQ(s.log, "[global 0xffffff 1] QRX client initializing\n");
  EXPECT_EQ(exe_start, reinterpret_cast<app_pc>(exe_code));
  EXPECT_EQ(qrx::executed_total(), 0u);
  EXPECT_EQ(native_executed_total(), 0u);
  EXPECT_EQ(_USES_DR_VERSION_, _DR_VERSION_);
}

TEST_F(ClientTest, FrameworkFailuresAssert) {
  struct Case {
    const char* what;
    void (*arrange)(dr_double::State&);
    bool at_thread_init;
    const char* expression;
  };
  const Case cases[] = {
      {"drmgr_init", [](dr_double::State& s) { s.drmgr_init_ok = false; }, false, "false"},
      {"drreg_init", [](dr_double::State& s) { s.drreg_init_rc = DRREG_ERROR; }, false, "false"},
      {"app2app", [](dr_double::State& s) { s.app2app_register_ok = false; }, false, "false"},
      {"tls field", [](dr_double::State& s) { s.tls_field_ok = false; }, false, "tls_idx != -1"},
      {"set tls", [](dr_double::State& s) { s.set_tls_ok = false; }, true,
       "drmgr_set_tls_field(drcontext, tls_idx, data)"},
  };
  for (const Case& c : cases) {
    SetUp();
    c.arrange(dr_double::state());
    if (c.at_thread_init) {
      start();
      EXPECT_THROW(dr_double::state().thread_init(&main_thread), dr_double::Aborted) << c.what;
    } else {
      EXPECT_THROW(start(), dr_double::Aborted) << c.what;
    }
    const std::string& err = dr_double::state().dr_stderr;
    EXPECT_EQ(err.rfind("ASSERT FAILURE: qrx/client/qrx_client.cpp:", 0), 0u) << err;
    const std::string tail = std::string(": ") + c.expression + " ()\n";
    ASSERT_GE(err.size(), tail.size());
    EXPECT_EQ(err.substr(err.size() - tail.size()), tail) << c.what;
  }
}

TEST_F(ClientTest, EachThreadGetsAClearedAlignedRegisterFileFreedOnce) {
  start();
  auto& s = dr_double::state();
  dr_double::Context other;
  s.thread_init(&main_thread);
  s.thread_init(&other);
  cpu_state* a = state_of(&main_thread);
  cpu_state* b = state_of(&other);
  ASSERT_NE(a, nullptr);
  ASSERT_NE(b, nullptr);
  EXPECT_NE(a, b);
  // The framework's thread heap hands out 8-byte-aligned memory.
  EXPECT_EQ(reinterpret_cast<uintptr_t>(a) % 16, 0u);
  EXPECT_EQ(reinterpret_cast<uintptr_t>(b) % 16, 0u);
  const cpu_state zero{};
  EXPECT_EQ(std::memcmp(a, &zero, sizeof zero), 0) << "the allocation is not handed over uncleared";
  s.thread_exit(&other);
  s.thread_exit(&main_thread);
  EXPECT_EQ(s.allocations, 2);
  EXPECT_EQ(s.frees, 2);
  EXPECT_TRUE(s.live_allocations.empty());
  EXPECT_EQ(std::count(s.calls.begin(), s.calls.end(), "bad dr_thread_free"), 0);
}

TEST_F(ClientTest, ThreadExitWithEmptySlotAsserts) {
  start();
  dr_double::Context never_started;
  EXPECT_THROW(dr_double::state().thread_exit(&never_started), dr_double::Aborted);
  EXPECT_NE(dr_double::state().dr_stderr.find(": data != __null ()\n"), std::string::npos);
  EXPECT_EQ(dr_double::state().frees, 0);
}

// One record of a built block as text.
std::string describe(const instr_t* in) {
  auto x = [](reg_id_t r) { return "X" + std::to_string(r - DR_REG_X0); };
  switch (in->kind) {
    case Kind::App: return "app";
    case Kind::SaveReg: return "save " + x(in->reg) + " slot" + std::to_string(in->slot + 1);
    case Kind::RestoreReg: return "restore " + x(in->reg) + " slot" + std::to_string(in->slot + 1);
    case Kind::ReadTls: return "read-tls " + x(in->reg);
    case Kind::CleanCall: return "call";
    case Kind::EmulationStart: return "emulate " + std::to_string(in->pc - reinterpret_cast<app_pc>(exe_code));
    case Kind::EmulationEnd: return "end";
    default: break;
  }
  switch (in->opcode) {
    case OP_label: return "label";
    case OP_ldr: return "ldr";
    case OP_add: return "add #" + std::to_string(in->srcs[1].immed);
    case OP_str: return "str";
    case OP_cbz: return "cbz";
    case OP_tbnz: return "tbnz";
    case OP_ldurb: return "ldurb";
    case OP_sturb: return "sturb";
    case OP_tbz: return "tbz";
    case OP_and: return "and";
    case OP_udf: return "udf";
    default: return "?";
  }
}

TEST_F(ClientTest, ARunIsOneOutOfLineCallInsideEmulationLabels) {
  start();
  dr_double::state().thread_init(&main_thread);
  const uint32_t* code = place(exe_code, {kNop, kPfalse, kSetffr, kNop});
  ASSERT_TRUE(run(&main_thread, code, 4));
  const dr_double::Fragment& f = dr_double::state().cache.at(reinterpret_cast<app_pc>(exe_code));
  std::vector<std::string> texts;
  for (const instr_t* in : f.bb->instrs) texts.push_back(describe(in));
  const std::vector<std::string> expected = {
      "save X26 slot1", "save X27 slot2", "read-tls X26", "ldr", "add #2", "str", "restore X27 slot2",
      "restore X26 slot1", "app", "emulate 4", "end", "emulate 8", "call", "cbz", "tbnz", "tbz", "and",
      "ldurb", "sturb", "label", "ldurb", "label", "udf", "label", "restore X26 slot1", "end", "app"};
  EXPECT_EQ(texts, expected);
  for (const instr_t* in : f.bb->instrs) {
    if (in->kind == Kind::Created && !in->meta) {
      EXPECT_EQ(in->translation, reinterpret_cast<app_pc>(exe_code + 2)) << describe(in);
    }
    if (in->kind != Kind::CleanCall) continue;
    EXPECT_EQ(in->callee, reinterpret_cast<void*>(emulate_run));
    EXPECT_EQ(in->call_flags, unsigned{DR_CLEANCALL_READS_APP_CONTEXT | DR_CLEANCALL_WRITES_APP_CONTEXT |
                                       DR_CLEANCALL_ALWAYS_OUT_OF_LINE});
    ASSERT_EQ(in->args.size(), 1u);
    const ::Run* r = reinterpret_cast<const ::Run*>(in->args[0].immed);
    ASSERT_EQ(r->count, 2u);
    EXPECT_EQ(r->entries[0].pc, reinterpret_cast<app_pc>(exe_code + 1));
    EXPECT_EQ(r->entries[1].word, kSetffr);
    EXPECT_EQ(r->entries[1].handler, is_qrx(kSetffr));
  }
  EXPECT_EQ(qrx::executed_total(), 2u);
  EXPECT_EQ(native_executed_total(), 2u);
}

TEST_F(ClientTest, WhichModulesAreEmulated) {
  struct Case {
    const char* modules;
    uint32_t* arena;
    bool emulated;
    bool reported;
  };
  const Case cases[] = {
      {"main", exe_code, true, false},   {"main", loose_code, true, false},
      {"main", lib_code, false, true},   {"all", lib_code, true, false},
      {"all", exe_code, true, false},
  };
  for (const Case& c : cases) {
    SetUp();
    start({"-modules", c.modules});
    dr_double::state().thread_init(&main_thread);
    const uint32_t* code = place(c.arena, {kNop, kPfalse, kNop});
    const std::string what = std::string(c.modules) + (c.arena == lib_code ? " lib" : " exe/loose");
    // A library's QRX instruction left alone raises SIGILL, as natively.
    for (int pass = 0; pass < 2; ++pass) {
      main_thread.signals.clear();
      EXPECT_EQ(run(&main_thread, code, 3), c.emulated) << what;
      if (!c.emulated) {
        ASSERT_EQ(main_thread.signals.size(), 1u);
        EXPECT_EQ(main_thread.signals[0].sig, SIGILL);
        EXPECT_EQ(main_thread.signals[0].pc, reinterpret_cast<const byte*>(code + 1));
        dr_double::flush_cache();  // built again: reported only once
      }
    }
    EXPECT_EQ(qrx::executed_total(), c.emulated ? 2u : 0u) << what;
    EXPECT_EQ(native_executed_total(), c.emulated ? 4u : 0u) << what;
    const std::string report =
        "QRX code in /usr/lib/libvec.so.1 is not emulated (only the main executable's is); run with "
        "-modules all to emulate it\n";
    EXPECT_EQ(dr_double::state().dr_stderr, c.reported ? report : "") << what;
    EXPECT_EQ(dr_double::state().module_records_live.load(), 1) << "only the main module's record stays";
  }
}

TEST_F(ClientTest, ExitReportCountsExecutionsAndShutsDown) {
  struct Case {
    bool has_main;
    const char* expected_name;
  };
  const Case cases[] = {{true, "prog.v2"}, {false, "app"}};
  for (const Case& c : cases) {
    SetUp();
    dr_double::state().has_main_module = c.has_main;
    start();
    dr_double::state().thread_init(&main_thread);
    const uint32_t* code = place(exe_code, {kNop, kNop, kPfalse, kNop});
    for (int i = 0; i < 10; ++i) ASSERT_TRUE(run(&main_thread, code, 4));
    EXPECT_EQ(dr_double::state().blocks_built.load(), 1);
    const std::string name = c.expected_name;
    // Executions, not block builds: 10 runs of one block.
    EXPECT_EQ(finish(), name + ": 10 QRX instructions executed\n" + name +
                            ": 30 Non-QRX Kalt64 instructions executed\n");
    const auto& s = dr_double::state();
    EXPECT_EQ(s.module_records_live.load(), 0);
    EXPECT_NE(s.log.find("[global 0xffffff 1] QRX client exiting\n"), std::string::npos);
    const std::vector<std::string> tail(s.calls.end() - 7, s.calls.end());
    EXPECT_EQ(tail, (std::vector<std::string>{"drmgr_unregister_bb_app2app_event", "drmgr_unregister_signal_event",
                                              "drmgr_unregister_restore_state_ex_event",
                                              "drmgr_unregister_pre_syscall_event", "drreg_exit",
                                              "drmgr_unregister_tls_field", "drmgr_exit"}));
    EXPECT_EQ(std::count(s.calls.begin(), s.calls.end(), "module path modified"), 0);
  }
}

TEST_F(ClientTest, ExitShutdownFailureAsserts) {
  start();
  dr_double::state().drreg_exit_rc = DRREG_ERROR;
  EXPECT_THROW(finish(), dr_double::Aborted);
  EXPECT_NE(dr_double::state().dr_stderr.find(": false ()\n"), std::string::npos);
}

TEST(FrameworkDouble, NoticesACLibraryLockInsideACleanCall) {
  std::mutex m;
  const int before = dr_double::state().c_library_locks.load();
  { std::lock_guard<std::mutex> outside(m); }
  EXPECT_EQ(dr_double::state().c_library_locks.load(), before);
  {
    dr_double::InCleanCall in_call;
    std::lock_guard<std::mutex> inside(m);
  }
  EXPECT_EQ(dr_double::state().c_library_locks.load(), before + 1);
}

TEST(FrameworkBackend, InForceAndNoSignalHandlerInstalled) {
  EXPECT_STREQ(qrx::memory_backend().name, "dynamorio");
  EXPECT_EQ(QRXInitialize(), 1);
  struct sigaction a;
  sigaction(SIGSEGV, nullptr, &a);
  EXPECT_NE(a.sa_sigaction, &QRXSigHandler);
  sigaction(SIGBUS, nullptr, &a);
  EXPECT_NE(a.sa_sigaction, &QRXSigHandler);
}

TEST(FrameworkBackend, GuardedReadsAndFaultsOutsideAnInstruction) {
  dr_double::set_current(nullptr);
  uint64_t good = 0x1122334455667788u;
  bool fault = false;
  EXPECT_EQ(ReadMemLib8(reinterpret_cast<unsigned long>(&good), 1, &fault, nullptr), good);
  EXPECT_FALSE(fault);
  EXPECT_EQ(ReadMemLib8(8, 1, &fault, nullptr), 0u);
  EXPECT_TRUE(fault);
  EXPECT_TRUE(addr_is_readable(reinterpret_cast<volatile char*>(&good)));
  EXPECT_FALSE(addr_is_readable(nullptr));
  // No emulated instruction to blame: the fault line, and the process ends.
  ::testing::internal::CaptureStderr();
  EXPECT_THROW(WriteMemLib4(1, 16, nullptr), dr_double::Aborted);
  EXPECT_EQ(::testing::internal::GetCapturedStderr(),
            "ovlin's QRXSigHandler caught signal SIGSEGV from the process being emulated, "
            "passing it to the default signal handler.\n");
}

}  // namespace
}  // namespace client_test

namespace client_test {
namespace {

std::vector<std::vector<std::string>> tsv_lines(const std::string& text) {
  std::vector<std::vector<std::string>> lines;
  size_t pos = 0;
  while (pos < text.size()) {
    size_t nl = text.find('\n', pos);
    std::string line = text.substr(pos, nl - pos);
    pos = nl + 1;
    std::vector<std::string> cols;
    for (size_t c = 0;;) {
      size_t tab = line.find('\t', c);
      cols.push_back(line.substr(c, tab - c));
      if (tab == std::string::npos) break;
      c = tab + 1;
    }
    lines.push_back(cols);
  }
  return lines;
}

TEST_F(ClientTest, HotSpotReportOfAKnownLoop) {
  const std::string path = ::testing::TempDir() + "qrx_hotspots.tsv";
  start({"-report", path.c_str()});
  dr_double::state().thread_init(&main_thread);
  const uint32_t* code = place(exe_code, {kNop, kPfalse, kSetffr, kNop, kPfalse});
  for (int i = 0; i < 10; ++i) ASSERT_TRUE(run(&main_thread, code, 5));
  place(exe_code + 8, {kPfalse});
  ASSERT_TRUE(run(&main_thread, exe_code + 8, 1));
  finish();
  FILE* f = std::fopen(path.c_str(), "r");
  ASSERT_NE(f, nullptr);
  std::string text;
  for (int c; (c = std::fgetc(f)) != EOF;) text += static_cast<char>(c);
  std::fclose(f);
  const auto lines = tsv_lines(text);
  const std::string pfalse = qrx::find_entry(kPfalse)->name, setffr = qrx::find_entry(kSetffr)->name;
  const std::string family = qrx::find_entry(kPfalse)->family;
  using Row = std::vector<std::string>;
  const std::vector<Row> expected = {
      {"#program=prog.v2", "vector_bits=" + std::to_string(qrx::kVectorBits), "qrx_executed=31", "instructions=4"},
      {"kind", "address", "module", "offset", "word", "handler", "family", "count", "share"},
      {"insn", "", "prog.v2", "0x4", "0x2518e400", pfalse, family, "10", "0.3226"},
      {"insn", "", "prog.v2", "0x8", "0x252c9000", setffr, qrx::find_entry(kSetffr)->family, "10", "0.3226"},
      {"insn", "", "prog.v2", "0x10", "0x2518e400", pfalse, family, "10", "0.3226"},
      {"insn", "", "prog.v2", "0x20", "0x2518e400", pfalse, family, "1", "0.0323"},
  };
  ASSERT_GE(lines.size(), expected.size());
  for (size_t i = 0; i < expected.size(); ++i) {
    Row got = lines[i];
    if (i >= 2) got[1] = "";  // absolute addresses vary
    EXPECT_EQ(got, expected[i]) << "line " << i;
  }
  // The forms and families follow, with their sums.
  EXPECT_NE(text.find("form\t-\t-\t-\t-\t" + pfalse + "\t" + family + "\t21\t0.6774\n"), std::string::npos) << text;
  EXPECT_NE(text.find("form\t-\t-\t-\t-\t" + setffr + "\t"), std::string::npos) << text;
  EXPECT_NE(text.find("family\t-\t-\t-\t-\t-\t" + family + "\t"), std::string::npos) << text;
  std::remove(path.c_str());
}

TEST_F(ClientTest, AnUnwritableReportPathIsSaidAtStartUp) {
  EXPECT_THROW(start({"-report", "/nonexistent-dir/report.tsv"}), dr_double::Aborted);
  EXPECT_EQ(dr_double::state().dr_stderr, "Usage error: cannot write the report to /nonexistent-dir/report.tsv\n");
  SetUp();
  start({"-report", "-"});
  EXPECT_EQ(finish(), "prog.v2: 0 QRX instructions executed\nprog.v2: 0 Non-QRX Kalt64 instructions executed\n");
  EXPECT_EQ(dr_double::state().dr_stderr.rfind("#program=prog.v2\t", 0), 0u) << "- is standard error";
}

}  // namespace
}  // namespace client_test
