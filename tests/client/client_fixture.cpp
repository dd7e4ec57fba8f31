#include "client_fixture.h"

#include "qrx/library/guarded_memory.h"

namespace client_test {

alignas(4096) uint32_t exe_code[kArenaWords];
alignas(4096) uint32_t lib_code[kArenaWords];
alignas(4096) uint32_t loose_code[kArenaWords];

namespace {

kalt64_decode_rc succeeds(cpu_state*, unsigned int) { return KALT64_DECODE_OK; }
kalt64_decode_rc fails(cpu_state*, unsigned int) { return KALT64_DECODE_NOT_EXECUTED; }
kalt64_decode_rc adds_one(cpu_state* s, unsigned int) {
  for (uint64_t& x : s->x) ++x;
  ++s->sp;
  ++s->nzcv;
  ++s->fpsr;
  ++s->fpcr;
  for (auto& z : s->z) ++z[0];
  return KALT64_DECODE_OK;
}
kalt64_decode_rc loads_at_x0(cpu_state* s, unsigned int) {
  s->x[1] = qrx::load_app<uint64_t>(s->x[0]);
  return KALT64_DECODE_OK;
}
kalt64_decode_rc stores_at_x0(cpu_state* s, unsigned int) {
  qrx::store_app<uint32_t>(s->x[0], 0x5a5a5a5a);
  return KALT64_DECODE_OK;
}
kalt64_decode_rc first_fault_at_x0(cpu_state* s, unsigned int) {
  bool fault = false;
  s->x[1] = ReadMemLib1(s->x[0], 0, &fault, nullptr);
  return KALT64_DECODE_OK;
}
kalt64_decode_rc raw_read_at_x0(cpu_state* s, unsigned int) {
  s->x[1] = *reinterpret_cast<volatile uint64_t*>(s->x[0]);
  return KALT64_DECODE_OK;
}
kalt64_decode_rc p5_from_x1(cpu_state* s, unsigned int) {
  s->p[5][0] = static_cast<uint8_t>(s->x[1]);
  return KALT64_DECODE_OK;
}

app_pc begin_of(uint32_t* arena) { return reinterpret_cast<app_pc>(arena); }
app_pc end_of(uint32_t* arena) { return reinterpret_cast<app_pc>(arena + kArenaWords); }

}  // namespace

kalt64_handler test_classifier(unsigned int word) {
  switch (word) {
    case kSucceeds: return succeeds;
    case kFails: return fails;
    case kAddsOne: return adds_one;
    case kLoadsAtX0: return loads_at_x0;
    case kStoresAtX0: return stores_at_x0;
    case kFirstFaultAtX0: return first_fault_at_x0;
    case kP5FromX1: return p5_from_x1;
    case kRawReadAtX0: return raw_read_at_x0;
    default: return is_qrx(word);
  }
}

void ClientTest::SetUp() {
  if (exe != nullptr) dr_free_module_data(exe);  // a client started without its exit event
  exe = nullptr;
  dr_double::reset();
  main_thread = dr_double::Context{};
  auto& s = dr_double::state();
  s.main_module = {begin_of(exe_code), end_of(exe_code), "/opt/bench/bin/prog.v2"};
  s.libraries.push_back({begin_of(lib_code), end_of(lib_code), "/usr/lib/libvec.so.1"});
  dr_double::set_current(&main_thread);
  client_classifier = test_classifier;
}

void ClientTest::TearDown() {
  if (exe != nullptr) dr_free_module_data(exe);
  exe = nullptr;
  client_classifier = is_qrx;
  dr_double::reset();  // the blocks and thread memory of this test's process
}

void ClientTest::start(std::vector<const char*> args) {
  args.insert(args.begin(), "libqrx_stats_1152.so");
  dr_client_main(0, static_cast<int>(args.size()), args.data());
}

cpu_state* ClientTest::state_of(dr_double::Context* ctx) {
  ThreadData* data = thread_data(ctx);
  return data ? &data->state : nullptr;
}

uint32_t* ClientTest::place(uint32_t* arena, const std::vector<uint32_t>& words) {
  std::memcpy(arena, words.data(), words.size() * sizeof(uint32_t));
  return arena;
}

bool ClientTest::run(dr_double::Context* ctx, const uint32_t* begin, size_t n) {
  dr_double::set_current(ctx);
  return dr_double::run(begin, begin + n);
}

std::string ClientTest::finish() {
  ::testing::internal::CaptureStderr();
  try {
    dr_double::state().process_exit();
  } catch (...) {
    ::testing::internal::GetCapturedStderr();
    throw;
  }
  return ::testing::internal::GetCapturedStderr();
}

}  // namespace client_test
