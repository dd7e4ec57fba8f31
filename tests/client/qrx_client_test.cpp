#include "qrx/client/qrx_client.h"

#include <signal.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <mutex>
#include <thread>
#include <string>
#include <vector>

#include "dr_double.h"
#include "qrx/decode/qrx_stats.h"
#include "qrx/library/fault_guard.h"
#include "qrx/library/guarded_memory.h"
#include "qrx/state/cpu_state.h"

namespace {

using dr_double::Kind;

constexpr uint32_t kPfalse = 0x2518e400;  // QRX: PFALSE P0
constexpr uint32_t kSetffr = 0x252c9000;  // QRX: SETFFR
constexpr uint32_t kNop = 0xd503201f;     // not QRX

app_pc addr(uintptr_t a) { return reinterpret_cast<app_pc>(a); }
const app_pc kExeStart = addr(0x400000);
const app_pc kLibStart = addr(0x7f0000000000);

std::string reg_name(reg_id_t r) {
  if (r >= DR_REG_X0 && r <= DR_REG_X30) return "X" + std::to_string(r - DR_REG_X0);
  if (r >= DR_REG_W0 && r <= DR_REG_W30) return "W" + std::to_string(r - DR_REG_W0);
  if (r >= DR_REG_Q0 && r <= DR_REG_Q31) return "Q" + std::to_string(r - DR_REG_Q0);
  switch (r) {
    case DR_REG_XSP: return "SP";
    case DR_REG_NZCV: return "NZCV";
    case DR_REG_FPSR: return "FPSR";
    case DR_REG_FPCR: return "FPCR";
    default: return "?";
  }
}

int size_bytes(opnd_size_t s) {
  switch (s) {
    case OPSZ_4: return 4;
    case OPSZ_8: return 8;
    case OPSZ_16: return 16;
    default: return -1;
  }
}

std::string opnd_text(const opnd_t& o) {
  switch (o.kind) {
    case dr_double::KIND_REG: return reg_name(o.reg);
    case dr_double::KIND_MEM:
      if (o.index != DR_REG_NULL || o.scale != 0) return "[bad index]";
      return "[" + reg_name(o.reg) + "+" + std::to_string(o.disp) + "]/" + std::to_string(size_bytes(o.size));
    case dr_double::KIND_IMMED: return "#" + std::to_string(o.immed);
    default: return "null";
  }
}

const char* op_name(int op) {
  switch (op) {
    case OP_add: return "add";
    case OP_ldp: return "ldp";
    case OP_ldr: return "ldr";
    case OP_mrs: return "mrs";
    case OP_msr: return "msr";
    case OP_stp: return "stp";
    case OP_str: return "str";
    default: return "op?";
  }
}

// One inserted record as text. Created instructions list destinations, then
// sources; the framework's sequences name what they do.
std::string describe(const instr_t* in) {
  switch (in->kind) {
    case Kind::App: return "app";
    case Kind::SaveReg: return "save " + reg_name(in->reg) + " slot" + std::to_string(in->slot + 1);
    case Kind::RestoreReg: return "restore " + reg_name(in->reg) + " slot" + std::to_string(in->slot + 1);
    case Kind::GetStolen: return "get-stolen " + reg_name(in->reg);
    case Kind::SetStolen: return "set-stolen " + reg_name(in->reg);
    case Kind::ReadTls: return "read-tls " + reg_name(in->reg) + " field" + std::to_string(in->tls_idx);
    case Kind::CleanCall: return "call";
    case Kind::Created: break;
  }
  std::string s = op_name(in->opcode);
  for (const opnd_t& o : in->dsts) s += " " + opnd_text(o);
  s += " <-";
  for (const opnd_t& o : in->srcs) s += " " + opnd_text(o);
  return s;
}

// The sequence that replaces one QRX instruction, spelled out with the
// register file's byte offsets.
std::vector<std::string> expected_sequence(int tls) {
  const std::string tls_read = "read-tls X27 field" + std::to_string(tls);
  const int kSp = 248, kNzcv = 264, kFpsr = 272, kFpcr = 276, kZ = 288;
  const unsigned pairs[] = {0, 2, 4, 6, 8, 10, 12, 14, 16, 18, 20, 22, 24, 29};
  auto x = [](unsigned n) { return "X" + std::to_string(n); };
  auto mem = [](int off, int size) { return "[X27+" + std::to_string(off) + "]/" + std::to_string(size); };
  auto q_off = [&](unsigned n) { return kZ + static_cast<int>(n * qrx::kVectorBytes); };

  std::vector<std::string> e = {"save X26 slot1", "save X27 slot2", "get-stolen X27", "save X27 slot3",
                                tls_read, "add X26 <- SP #0 #0 #0", "str " + mem(kSp, 8) + " <- X26"};
  for (unsigned n : pairs) e.push_back("stp " + mem(8 * n, 16) + " <- " + x(n) + " " + x(n + 1));
  for (unsigned n = 0; n < 32; ++n) e.push_back("str " + mem(q_off(n), 16) + " <- Q" + std::to_string(n));
  e.insert(e.end(), {"mrs X26 <- NZCV", "str " + mem(kNzcv, 8) + " <- X26", "mrs X26 <- FPSR",
                     "str " + mem(kFpsr, 4) + " <- W26", "mrs X26 <- FPCR", "str " + mem(kFpcr, 4) + " <- W26",
                     "call", tls_read, "ldr W26 <- " + mem(kFpcr, 4), "msr FPCR <- X26",
                     "ldr W26 <- " + mem(kFpsr, 4), "msr FPSR <- X26", "ldr X26 <- " + mem(kNzcv, 8),
                     "msr NZCV <- X26"});
  for (unsigned n = 0; n < 32; ++n) e.push_back("ldr Q" + std::to_string(n) + " <- " + mem(q_off(n), 16));
  for (unsigned n : pairs) e.push_back("ldp " + x(n) + " " + x(n + 1) + " <- " + mem(8 * n, 16));
  e.insert(e.end(), {"ldr X26 <- " + mem(kSp, 8), "add SP <- X26 #0 #0 #0", "restore X27 slot3",
                     "set-stolen X27", "restore X27 slot2", "restore X26 slot1"});
  return e;
}

class ClientTest : public ::testing::Test {
 protected:
  void SetUp() override {
    release_main_module();
    dr_double::reset();
    auto& s = dr_double::state();
    s.main_module = {kExeStart, kExeStart + 0x100000, "/opt/bench/bin/prog.v2"};
    s.libraries.push_back({kLibStart, kLibStart + 0x100000, "/lib/libc.so.6"});
    dr_double::set_current(&main_thread);
  }
  void TearDown() override {
    release_main_module();
    for (instrlist_t* bb : blocks) dr_double::free_block(bb);
  }

  // The record that a client started without its exit event still holds.
  static void release_main_module() {
    if (exe != nullptr) dr_free_module_data(exe);
    exe = nullptr;
  }

  void start(std::vector<const char*> args = {"libqrx_stats_1152.so"}) {
    dr_client_main(0, static_cast<int>(args.size()), args.data());
  }

  // Builds a block and runs the client's block event on it.
  instrlist_t* build(app_pc pc, const std::vector<uint32_t>& words) {
    instrlist_t* bb = dr_double::make_block(pc, words);
    blocks.push_back(bb);
    EXPECT_EQ(dr_double::state().app2app(&main_thread, pc, bb, false, false), DR_EMIT_DEFAULT);
    return bb;
  }

  static std::vector<std::string> texts(const instrlist_t* bb) {
    std::vector<std::string> out;
    for (const instr_t* in : bb->instrs) out.push_back(describe(in));
    return out;
  }

  dr_double::Context main_thread;
  std::vector<instrlist_t*> blocks;
};

TEST_F(ClientTest, ArgumentsEndAtDoubleDash) {
  struct Case {
    std::vector<const char*> args;
    bool accepted;
  };
  const Case cases[] = {
      {{"client"}, true},
      {{"client", "--"}, true},
      {{"client", "--", "-v", "anything"}, true},
      {{"client", "-v"}, false},
      {{"client", "-v", "--"}, false},
  };
  for (const Case& c : cases) {
    SetUp();
    if (c.accepted) {
      ASSERT_NO_THROW(start(c.args));
      EXPECT_EQ(dr_double::state().dr_stderr, "");
      EXPECT_NE(dr_double::state().app2app, nullptr);
    } else {
      EXPECT_THROW(start(c.args), dr_double::Aborted);
      EXPECT_EQ(dr_double::state().dr_stderr, "Usage error: Unknown option: -v\n");
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
      "drmgr_register_exit_event", "drmgr_register_bb_app2app_event", "drmgr_register_tls_field"};
  EXPECT_EQ(s.calls, expected);
  EXPECT_EQ(s.client_name, "Zorvan QRX emulation client");
  EXPECT_EQ(s.drreg_options.struct_size, sizeof(drreg_options_t));
  EXPECT_EQ(s.drreg_options.num_spill_slots, 0u);
  EXPECT_FALSE(s.drreg_options.conservative);
  EXPECT_EQ(s.drreg_options.error_callback, nullptr);
  EXPECT_FALSE(s.drreg_options.do_not_sum_slots);
  EXPECT_EQ(s.log, "[global 0xffffff 1] QRX client initializing\n");
  EXPECT_EQ(exe_start, kExeStart);
  EXPECT_EQ(kalt64_instr_count.load(), 0u);
  EXPECT_EQ(qrx::executed_total(), 0u);
  EXPECT_EQ(_USES_DR_VERSION_, _DR_VERSION_);
}

TEST_F(ClientTest, StartUpFailuresAssert) {
  struct Case {
    const char* what;
    void (*arrange)(dr_double::State&);
    const char* expression;
  };
  const Case cases[] = {
      {"drmgr_init", [](dr_double::State& s) { s.drmgr_init_ok = false; }, "false"},
      {"drreg_init", [](dr_double::State& s) { s.drreg_init_rc = DRREG_ERROR; }, "false"},
      {"app2app", [](dr_double::State& s) { s.app2app_register_ok = false; }, "false"},
      {"tls field", [](dr_double::State& s) { s.tls_field_ok = false; }, "tls_idx != -1"},
  };
  for (const Case& c : cases) {
    SetUp();
    c.arrange(dr_double::state());
    EXPECT_THROW(start(), dr_double::Aborted) << c.what;
    const std::string& err = dr_double::state().dr_stderr;
    EXPECT_EQ(err.rfind("ASSERT FAILURE: qrx/client/qrx_client.cpp:", 0), 0u) << err;
    const std::string tail = std::string(": ") + c.expression + " ()\n";
    ASSERT_GE(err.size(), tail.size());
    EXPECT_EQ(err.substr(err.size() - tail.size()), tail) << c.what;
  }
}

TEST_F(ClientTest, EachThreadGetsAClearedRegisterFileFreedOnce) {
  start();
  auto& s = dr_double::state();
  dr_double::Context other;
  s.thread_init(&main_thread);
  s.thread_init(&other);
  auto* a = static_cast<cpu_state*>(drmgr_get_tls_field(&main_thread, tls_idx));
  auto* b = static_cast<cpu_state*>(drmgr_get_tls_field(&other, tls_idx));
  ASSERT_NE(a, nullptr);
  ASSERT_NE(b, nullptr);
  EXPECT_NE(a, b);
  EXPECT_EQ(reinterpret_cast<uintptr_t>(a) % 16, 0u) << "the register file is 16-byte aligned";
  EXPECT_EQ(reinterpret_cast<uintptr_t>(b) % 16, 0u);
  const cpu_state zero{};
  EXPECT_EQ(std::memcmp(a, &zero, sizeof zero), 0) << "the allocation is not handed over uncleared";
  EXPECT_EQ(a->fpcr_extra, 0u);
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
  const std::string& err = dr_double::state().dr_stderr;
  EXPECT_NE(err.find(": data != __null ()\n"), std::string::npos) << err;
  EXPECT_EQ(dr_double::state().frees, 0);
}

TEST_F(ClientTest, QrxInstructionBecomesSaveCallRestore) {
  start();
  const app_pc pc = kExeStart + 0x40;
  instrlist_t* bb = build(pc, {kNop, kPfalse});
  std::vector<std::string> expected = {"app"};
  const std::vector<std::string> seq = expected_sequence(tls_idx);
  expected.insert(expected.end(), seq.begin(), seq.end());
  EXPECT_EQ(texts(bb), expected);
  EXPECT_EQ(kalt64_instr_count.load(), 1u);

  for (const instr_t* in : bb->instrs) {
    if (in->kind == Kind::Created) {
      EXPECT_EQ(in->translation, pc + 4) << describe(in);
    }
    if (in->kind != Kind::CleanCall) continue;
    EXPECT_EQ(in->callee, reinterpret_cast<void*>(emulate_instruction));
    ASSERT_EQ(in->args.size(), 3u);
    EXPECT_TRUE(dr_double::is_immed(in->args[0], kPfalse, OPSZ_4));
    EXPECT_TRUE(dr_double::is_immed(in->args[1], reinterpret_cast<ptr_int_t>(pc + 4), OPSZ_8));
    EXPECT_TRUE(dr_double::is_immed(in->args[2], reinterpret_cast<ptr_int_t>(is_qrx(kPfalse)), OPSZ_8));
  }
}

TEST_F(ClientTest, ConsecutiveQrxInstructionsEachGetTheirOwnSequence) {
  start();
  instrlist_t* bb = build(kExeStart, {kPfalse, kSetffr, kNop});
  std::vector<std::string> expected;
  const std::vector<std::string> seq = expected_sequence(tls_idx);
  for (int i = 0; i < 2; ++i) expected.insert(expected.end(), seq.begin(), seq.end());
  expected.push_back("app");
  EXPECT_EQ(texts(bb), expected);
  std::vector<ptr_int_t> encodings;
  for (const instr_t* in : bb->instrs)
    if (in->kind == Kind::CleanCall) encodings.push_back(in->args[0].immed);
  EXPECT_EQ(encodings, (std::vector<ptr_int_t>{kPfalse, kSetffr}));
  EXPECT_EQ(kalt64_instr_count.load(), 1u);
}

TEST_F(ClientTest, WhichBlocksAreRewritten) {
  struct Case {
    const char* what;
    app_pc pc;
    bool rewritten;
  };
  const Case cases[] = {
      {"main executable", kExeStart + 0x1000, true},
      {"shared library", kLibStart + 0x1000, false},
      {"no module (generated code)", addr(0x10000000), true},
  };
  for (const Case& c : cases) {
    SetUp();
    start();
    instrlist_t* bb = build(c.pc, {kNop, kPfalse, kNop});
    EXPECT_EQ(bb->instrs.size() == 3, !c.rewritten) << c.what;
    EXPECT_EQ(kalt64_instr_count.load(), c.rewritten ? 2u : 0u) << c.what;
    EXPECT_EQ(dr_double::state().module_records_live, 1) << "only the main module's record stays";
  }
}

TEST_F(ClientTest, StolenRegisterOtherThanX28Asserts) {
  start();
  dr_double::state().stolen_reg = DR_REG_X27;
  EXPECT_THROW(build(kExeStart, {kPfalse}), dr_double::Aborted);
  EXPECT_NE(dr_double::state().dr_stderr.find(": dr_get_stolen_reg() == DR_REG_X28 ()\n"), std::string::npos);
}

// Handlers standing in for real ones.
kalt64_decode_rc writes_x26_to_x28(cpu_state* s, unsigned int w) {
  s->x[26] += 1;
  s->x[27] = w;
  s->x[28] = s->pc ? 0x2828 : 0;
  return KALT64_DECODE_OK;
}
kalt64_decode_rc fails(cpu_state*, unsigned int) { return KALT64_DECODE_NOT_EXECUTED; }

TEST_F(ClientTest, EmulationMovesX26ToX28ThroughSpillSlots) {
  start();
  dr_double::state().thread_init(&main_thread);
  main_thread.spill[SPILL_SLOT_1] = 0x2600;
  main_thread.spill[SPILL_SLOT_2] = 0x2700;
  main_thread.spill[SPILL_SLOT_3] = 0x2800;
  alignas(4) static unsigned char code[8] = {};
  const uint64_t before = qrx::executed_total();
  emulate_instruction(0x1234, code, writes_x26_to_x28);
  auto* st = static_cast<cpu_state*>(drmgr_get_tls_field(&main_thread, tls_idx));
  EXPECT_EQ(st->pc, code);
  EXPECT_EQ(main_thread.spill[SPILL_SLOT_1], 0x2601u);
  EXPECT_EQ(main_thread.spill[SPILL_SLOT_2], 0x1234u);
  EXPECT_EQ(main_thread.spill[SPILL_SLOT_3], 0x2828u);
  EXPECT_EQ(qrx::executed_total(), before + 1);
  qrx::InstrStatSnapshot snap;
  ASSERT_TRUE(qrx::lookup_qrx_stat(reinterpret_cast<unsigned*>(code), &snap));
  EXPECT_EQ(snap.count, 1u);
  EXPECT_EQ(snap.encoding, 0x1234u);
  dr_double::state().thread_exit(&main_thread);
}

TEST_F(ClientTest, FailedEmulationPrintsTheWordInMemoryAndCountsNothing) {
  start();
  dr_double::state().thread_init(&main_thread);
  alignas(4) static unsigned char code[4];
  const uint32_t word = 0xCAFEF00D;
  std::memcpy(code, &word, 4);
  main_thread.spill[SPILL_SLOT_2] = 77;
  const uint64_t before = qrx::executed_total();
  ::testing::internal::CaptureStderr();
  emulate_instruction(0x1111, code, fails);
  std::string err = ::testing::internal::GetCapturedStderr();
  char line[128];
  snprintf(line, sizeof line, "Error: failed to emulate QRX instruction 0xcafef00d at PC %p\n",
           static_cast<void*>(code));
  EXPECT_EQ(err, line);
  EXPECT_EQ(qrx::executed_total(), before);
  EXPECT_FALSE(qrx::lookup_qrx_stat(reinterpret_cast<unsigned*>(code), nullptr));
  EXPECT_EQ(main_thread.spill[SPILL_SLOT_2], 77u) << "registers are handed back even on failure";
  dr_double::state().thread_exit(&main_thread);
}

kalt64_decode_rc succeeds(cpu_state*, unsigned int) { return KALT64_DECODE_OK; }

TEST_F(ClientTest, EightThreadsCountExactlyWithoutCLibraryLocks) {
  start();
  constexpr int kThreads = 8, kPerThread = 100000;
  alignas(4) static unsigned char code[kThreads + 1][4];
  std::vector<dr_double::Context> contexts(kThreads);
  for (auto& ctx : contexts) dr_double::state().thread_init(&ctx);
  const uint64_t before = qrx::executed_total();
  std::vector<std::thread> threads;
  for (int t = 0; t < kThreads; ++t)
    threads.emplace_back([&, t] {
      dr_double::set_current(&contexts[t]);
      for (int i = 0; i < kPerThread; ++i) {
        dr_double::InCleanCall in_call;
        emulate_instruction(0x77, i % 2 ? code[t] : code[kThreads], succeeds);
      }
    });
  for (auto& th : threads) th.join();
  // Counted while the threads are alive, then again once they have ended.
  for (int pass = 0; pass < 2; ++pass) {
    EXPECT_EQ(qrx::executed_total(), before + uint64_t{kThreads} * kPerThread);
    qrx::InstrStatSnapshot snap{};
    ASSERT_TRUE(qrx::lookup_qrx_stat(reinterpret_cast<unsigned*>(code[kThreads]), &snap));
    EXPECT_EQ(snap.count, uint64_t{kThreads} * kPerThread / 2);
    ASSERT_TRUE(qrx::lookup_qrx_stat(reinterpret_cast<unsigned*>(code[3]), &snap));
    EXPECT_EQ(snap.count, uint64_t{kPerThread} / 2);
    if (pass == 0)
      for (auto& ctx : contexts) dr_double::state().thread_exit(&ctx);
  }
  EXPECT_EQ(dr_double::state().c_library_locks.load(), 0);
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

TEST_F(ClientTest, ExitReportUsesTheBaseNameAndShutsDown) {
  struct Case {
    bool has_main;
    const char* expected_name;
  };
  const Case cases[] = {{true, "prog.v2"}, {false, "app"}};
  for (const Case& c : cases) {
    SetUp();
    dr_double::state().has_main_module = c.has_main;
    start();
    build(kExeStart, {kNop, kNop, kPfalse});
    ::testing::internal::CaptureStderr();
    dr_double::state().process_exit();
    std::string err = ::testing::internal::GetCapturedStderr();
    const std::string name = c.expected_name;
    // Without a main module the block lies in no module and is rewritten too.
    EXPECT_EQ(err, name + ": 0 QRX instructions executed\n" + name +
                       ": 2 Non-QRX Kalt64 instructions executed\n");
    const auto& s = dr_double::state();
    EXPECT_EQ(s.module_records_live, 0);
    EXPECT_NE(s.log.find("[global 0xffffff 1] QRX client exiting\n"), std::string::npos);
    const std::vector<std::string> tail(s.calls.end() - 4, s.calls.end());
    EXPECT_EQ(tail, (std::vector<std::string>{"drmgr_unregister_bb_app2app_event", "drreg_exit",
                                              "drmgr_unregister_tls_field", "drmgr_exit"}));
    EXPECT_EQ(std::count(s.calls.begin(), s.calls.end(), "module path modified"), 0);
  }
}

TEST_F(ClientTest, ExitShutdownFailureAsserts) {
  start();
  dr_double::state().drreg_exit_rc = DRREG_ERROR;
  ::testing::internal::CaptureStderr();
  EXPECT_THROW(dr_double::state().process_exit(), dr_double::Aborted);
  ::testing::internal::GetCapturedStderr();
  EXPECT_NE(dr_double::state().dr_stderr.find(": false ()\n"), std::string::npos);
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

TEST(FrameworkBackend, GuardedReadsAndFaultsOfPlainAccesses) {
  uint64_t good = 0x1122334455667788u;
  bool fault = false;
  EXPECT_EQ(ReadMemLib8(reinterpret_cast<unsigned long>(&good), 1, &fault, nullptr), good);
  EXPECT_FALSE(fault);
  EXPECT_EQ(ReadMemLib8(8, 1, &fault, nullptr), 0u);
  EXPECT_TRUE(fault);
  EXPECT_TRUE(addr_is_readable(reinterpret_cast<volatile char*>(&good)));
  EXPECT_FALSE(addr_is_readable(nullptr));

  const std::string message =
      "ovlin's QRXSigHandler caught signal SIGSEGV from the process being emulated, "
      "passing it to the default signal handler.\n";
  struct Case {
    const char* what;
    void (*access)();
  };
  const Case cases[] = {
      {"store", [] { WriteMemLib4(1, 16, nullptr); }},
      {"plain read", [] { (void)ReadMemLib2(16, 0, nullptr, nullptr); }},
      {"first element of a first-fault load", [] {
         bool f = false;
         (void)ReadMemLib1(16, 0, &f, nullptr);
       }},
  };
  for (const Case& c : cases) {
    ::testing::internal::CaptureStderr();
    EXPECT_THROW(c.access(), dr_double::Aborted) << c.what;
    EXPECT_EQ(::testing::internal::GetCapturedStderr(), message) << c.what;
  }
}

}  // namespace
