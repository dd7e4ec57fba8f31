// What the client tests share: a process with a main executable and a
// library whose code lies in real memory (so that the framework stand-in can
// run it), the client started in it, and handlers standing in for real ones.
#ifndef QRX_TESTS_CLIENT_CLIENT_FIXTURE_H
#define QRX_TESTS_CLIENT_CLIENT_FIXTURE_H

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "dr_double.h"
#include "qrx/client/qrx_client.h"

namespace client_test {

constexpr uint32_t kPfalse = 0x2518e400;  // QRX: PFALSE P0
constexpr uint32_t kSetffr = 0x252c9000;  // QRX: SETFFR
constexpr uint32_t kNop = 0xd503201f;     // not QRX

// Words the test classifier maps to the stand-in handlers below (outside the
// QRX encoding space: only the classifier makes them QRX).
enum FakeWord : uint32_t {
  kSucceeds = 0xf7000001,  // does nothing
  kFails,                  // returns "not executed"
  kAddsOne,                // X0..X30, SP +1; NZCV, FPSR, FPCR, Q0..Q31 byte 0 +1
  kLoadsAtX0,              // 8-byte plain load at X0
  kStoresAtX0,             // 4-byte plain store at X0
  kFirstFaultAtX0,         // first element of a first-fault load at X0
  kP5FromX1,               // P5 byte 0 = X1
  kRawReadAtX0,            // reads X0 directly, not through the memory backend
};
kalt64_handler test_classifier(unsigned int word);

// Code arenas: the main executable's, a library's, and memory of no module.
constexpr size_t kArenaWords = 1 << 15;
extern uint32_t exe_code[kArenaWords];
extern uint32_t lib_code[kArenaWords];
extern uint32_t loose_code[kArenaWords];

class ClientTest : public ::testing::Test {
 protected:
  void SetUp() override;
  void TearDown() override;

  // Starts the client with these arguments after the program name.
  void start(std::vector<const char*> args = {});
  // The calling thread's register file.
  cpu_state* state_of(dr_double::Context* ctx);
  // Places words at the start of an arena; returns its first word.
  static uint32_t* place(uint32_t* arena, const std::vector<uint32_t>& words);
  // Runs the code [begin, begin + n) on ctx.
  bool run(dr_double::Context* ctx, const uint32_t* begin, size_t n);
  // The client's exit event, its stderr output returned.
  std::string finish();

  dr_double::Context main_thread;
};

}  // namespace client_test

#endif  // QRX_TESTS_CLIENT_CLIENT_FIXTURE_H
