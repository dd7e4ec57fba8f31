// Running application code through the client under the framework
// stand-in: registers, block sizes, failures, faults, signals and threads.
#include <signal.h>
#include <sys/mman.h>
#include <unistd.h>

#include <cstdio>
#include <thread>
#include <vector>

#include "client_fixture.h"

namespace client_test {
namespace {

app_pc pc_of(const uint32_t* word) { return reinterpret_cast<app_pc>(const_cast<uint32_t*>(word)); }

class RunTest : public ClientTest {
 protected:
  void SetUp() override {
    ClientTest::SetUp();
    start();
    dr_double::state().thread_init(&main_thread);
    for (unsigned n = 0; n < 31; ++n) (&main_thread.regs.r0)[n] = 0x1000 + n;
    main_thread.app_x28 = 0x2828;
    main_thread.regs.r28 = 0xf00d;  // the framework's own use of X28
  }
};

TEST_F(RunTest, EveryRegisterReachesTheEmulatorAndComesBack) {
  dr_double::Context& t = main_thread;
  t.regs.xsp = 0x7ff0;
  t.regs.nzcv = 0x60000000;
  t.regs.fpsr = 0x10;
  t.regs.fpcr = 0x2000000;
  for (unsigned n = 0; n < 32; ++n) t.regs.simd[n].b[0] = static_cast<byte>(n);
  const uint32_t* code = place(exe_code, {kAddsOne, kNop});
  ASSERT_TRUE(run(&t, code, 2));
  for (unsigned n = 0; n < 31; ++n) {
    if (n == 28) continue;
    EXPECT_EQ((&t.regs.r0)[n], 0x1001u + n) << "X" << n;
  }
  EXPECT_EQ(t.app_x28, 0x2829u) << "the application's X28";
  EXPECT_EQ(t.regs.r28, 0xf00du) << "the framework's X28";
  EXPECT_EQ(t.regs.xsp, 0x7ff1u);
  EXPECT_EQ(t.regs.nzcv, 0x60000001u);
  EXPECT_EQ(t.regs.fpsr, 0x11u);
  EXPECT_EQ(t.regs.fpcr, 0x2000001u);
  for (unsigned n = 0; n < 32; ++n) EXPECT_EQ(t.regs.simd[n].b[0], n + 1) << "Q" << n;
}

TEST_F(RunTest, BlocksOfAnyLengthStayUnderTheCodeLimit) {
  struct Case {
    const char* what;
    size_t qrx, natives;
    bool alternate;
  };
  const Case cases[] = {
      {"300 consecutive QRX instructions", 300, 0, false},
      {"1000 consecutive QRX instructions", 1000, 0, false},
      {"512 QRX instructions between 512 others", 512, 512, true},
  };
  for (const Case& c : cases) {
    SetUp();
    std::vector<uint32_t> words;
    for (size_t i = 0; i < c.qrx + c.natives; ++i)
      words.push_back(c.alternate ? (i % 2 ? kNop : kSucceeds) : (i < c.qrx ? kSucceeds : kNop));
    const uint32_t* code = place(exe_code, words);
    ASSERT_TRUE(run(&main_thread, code, words.size())) << c.what;
    EXPECT_LE(dr_double::state().largest_block, dr_double::kMaxBlockBytes) << c.what;
    EXPECT_EQ(qrx::executed_total(), c.qrx) << c.what;
    EXPECT_EQ(native_executed_total(), c.natives) << c.what;
    for (size_t i = 0; i < words.size(); ++i) {
      qrx::InstrStatSnapshot snap{};
      bool counted = qrx::lookup_qrx_stat(code + i, &snap);
      EXPECT_EQ(counted, words[i] == kSucceeds) << c.what << " at " << i;
      if (counted) {
        EXPECT_EQ(snap.count, 1u);
      }
    }
  }
}

// The inline code a run and each of its instructions add, as the framework
// would emit them.
TEST_F(RunTest, InlineCodePerRunAndPerInstruction) {
  auto block_size = [&](std::vector<uint32_t> words) {
    dr_double::flush_cache();
    const uint32_t* code = place(exe_code, words);
    EXPECT_TRUE(run(&main_thread, code, words.size()));
    return dr_double::block_bytes(dr_double::state().cache.at(pc_of(code)).bb);
  };
  const size_t none = block_size({kNop});
  const size_t one = block_size({kNop, kSucceeds});
  const size_t hundred = block_size(std::vector<uint32_t>(100, kSucceeds));
  const size_t per_run = one - none;
  const size_t per_instruction = (hundred - per_run) / 100;
  std::printf("inline code: %zu bytes per run, %zu per further instruction of a run\n", per_run,
              per_instruction);
  EXPECT_LE(per_run, 80u);
  EXPECT_EQ(per_instruction, 0u);
}

dr_emit_flags_t inline_calls_everywhere(void* drcontext, void*, instrlist_t* bb, bool, bool) {
  for (instr_t* in = instrlist_first_app(bb); in != nullptr; in = instr_get_next_app(in))
    dr_insert_clean_call(drcontext, bb, in, reinterpret_cast<void*>(emulate_run), false, 1,
                         opnd_create_immed_int(0, OPSZ_8));
  return DR_EMIT_DEFAULT;
}

TEST_F(RunTest, TheFrameworkEndsTheProcessForAnOversizedBlock) {
  dr_double::state().app2app = inline_calls_everywhere;  // a full save and restore per instruction
  const uint32_t* code = place(exe_code, std::vector<uint32_t>(50, kNop));
  EXPECT_THROW(run(&main_thread, code, 50), dr_double::Aborted);
  EXPECT_EQ(dr_double::state().dr_stderr, "Basic block or trace instrumentation exceeded maximum size\n");
}

TEST_F(RunTest, AFailingInstructionRaisesSigillAtItsAddress) {
  const uint32_t* code = place(exe_code, {kAddsOne, kFails, kAddsOne, kNop});
  EXPECT_FALSE(run(&main_thread, code, 4));
  ASSERT_EQ(main_thread.signals.size(), 1u);
  const dr_double::Delivered& d = main_thread.signals[0];
  EXPECT_EQ(d.sig, SIGILL);
  EXPECT_EQ(d.pc, pc_of(code + 1));
  // The registers after the instructions before it, X26 the application's.
  EXPECT_EQ(d.mc.r0, 0x1001u);
  EXPECT_EQ(d.mc.r26, 0x101bu);
  EXPECT_EQ(d.mc.r28, 0x2829u);
  char line[128];
  std::snprintf(line, sizeof line, "Error: failed to emulate QRX instruction 0x%08x at PC %p\n",
                unsigned{kFails}, static_cast<void*>(pc_of(code + 1)));
  EXPECT_EQ(dr_double::state().dr_stderr, line);
  EXPECT_EQ(qrx::executed_total(), 1u);
}

TEST_F(RunTest, AFaultingAccessReachesTheApplicationAsTheNativeFault) {
  const long page = sysconf(_SC_PAGESIZE);
  byte* pages = static_cast<byte*>(mmap(nullptr, 2 * page, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0));
  ASSERT_NE(pages, MAP_FAILED);
  ASSERT_EQ(mprotect(pages + page, page, PROT_READ), 0);
  struct Case {
    const char* what;
    uint32_t word;
    byte* at;
    byte* fault;
  };
  const Case cases[] = {
      {"load at 0x10", kLoadsAtX0, reinterpret_cast<byte*>(0x10), reinterpret_cast<byte*>(0x10)},
      {"load at 0", kLoadsAtX0, nullptr, nullptr},
      {"first element of a first-fault load", kFirstFaultAtX0, reinterpret_cast<byte*>(0x10),
       reinterpret_cast<byte*>(0x10)},
      {"store across into a read-only page", kStoresAtX0, pages + page - 2, pages + page},
  };
  for (const Case& c : cases) {
    SetUp();
    main_thread.regs.r0 = reinterpret_cast<reg_t>(c.at);
    const uint32_t* code = place(exe_code, {kSucceeds, c.word, kSucceeds});
    EXPECT_FALSE(run(&main_thread, code, 3)) << c.what;
    ASSERT_EQ(main_thread.signals.size(), 1u) << c.what;
    const dr_double::Delivered& d = main_thread.signals[0];
    EXPECT_EQ(d.sig, SIGSEGV) << c.what;
    EXPECT_EQ(d.pc, pc_of(code + 1)) << c.what;
    EXPECT_EQ(d.address, c.fault) << c.what;
    EXPECT_EQ(d.mc.r1, 0x1001u) << c.what << ": registers as before the instruction";
    EXPECT_EQ(d.mc.r26, 0x101au) << c.what;
    EXPECT_EQ(qrx::executed_total(), 1u) << c.what;
  }
  munmap(pages, 2 * page);
}

// What the memory backend avoids: a real fault inside the clean call ends
// the process with the framework's report, even with a handler in the
// application.
TEST_F(RunTest, AFaultInsideTheCleanCallIsTheFrameworksCrash) {
  main_thread.regs.r0 = 0x10;
  const uint32_t* code = place(exe_code, {kRawReadAtX0});
  EXPECT_THROW(run(&main_thread, code, 1), dr_double::Aborted);
  EXPECT_EQ(dr_double::state().dr_stderr, "Tool internal crash at PC 0x10. Program aborted.\n");
  EXPECT_TRUE(main_thread.signals.empty());
}

TEST_F(RunTest, SignalHandlersKeepTheirVectorStateApart) {
  cpu_state* s = state_of(&main_thread);
  const uint32_t* set_p5 = place(exe_code, {kP5FromX1});
  auto write_p5 = [&](reg_t value) {
    main_thread.regs.r1 = value;
    ASSERT_TRUE(run(&main_thread, set_p5, 1));
  };
  write_p5(1);
  dr_double::signal(SIGUSR1);
  write_p5(2);
  dr_double::signal(SIGUSR2);  // nested
  write_p5(3);
  dr_double::sigreturn();
  EXPECT_EQ(s->p[5][0], 2) << "the outer handler's P5";
  dr_double::sigreturn();
  EXPECT_EQ(s->p[5][0], 1) << "the interrupted code's P5";

  // Handlers that leave by longjmp keep their state, and what is kept for
  // them stays bounded.
  const int allocations = dr_double::state().allocations;
  for (int i = 0; i < 100; ++i) {
    dr_double::signal(SIGUSR1);
    write_p5(static_cast<reg_t>(10 + i));
  }
  EXPECT_EQ(s->p[5][0], 109);
  EXPECT_LE(dr_double::state().allocations - allocations, static_cast<int>(kSavedSignalDepth));
  dr_double::sigreturn();
  EXPECT_EQ(s->p[5][0], 108) << "the newest kept copy";
}

TEST_F(RunTest, EightThreadsCountExactly) {
  constexpr int kThreads = 8, kLoops = 10000;
  std::vector<uint32_t> words;
  for (int i = 0; i < 10; ++i) words.insert(words.end(), {kSucceeds, kNop});
  const uint32_t* code = place(exe_code, words);
  std::vector<dr_double::Context> contexts(kThreads);
  for (auto& ctx : contexts) dr_double::state().thread_init(&ctx);
  std::vector<std::thread> threads;
  for (int t = 0; t < kThreads; ++t)
    threads.emplace_back([&, t] {
      for (int i = 0; i < kLoops; ++i)
        if (!run(&contexts[t], code, words.size())) return;
    });
  for (auto& th : threads) th.join();
  const uint64_t total = uint64_t{kThreads} * kLoops * 10;
  // Counted while the threads live, then once they have ended.
  for (int pass = 0; pass < 2; ++pass) {
    EXPECT_EQ(qrx::executed_total(), total);
    EXPECT_EQ(native_executed_total(), total);
    qrx::InstrStatSnapshot snap{};
    ASSERT_TRUE(qrx::lookup_qrx_stat(code + 18, &snap));
    EXPECT_EQ(snap.count, total / 10);
    if (pass == 0)
      for (auto& ctx : contexts) dr_double::state().thread_exit(&ctx);
  }
  EXPECT_EQ(dr_double::state().c_library_locks.load(), 0);
}

}  // namespace
}  // namespace client_test
