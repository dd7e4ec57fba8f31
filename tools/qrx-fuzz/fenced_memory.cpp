#include "fenced_memory.h"

#include <setjmp.h>
#include <sys/mman.h>

#include <cstring>
#include <mutex>

#include "qrx/decode/qrx_utils.h"
#include "qrx/library/guarded_memory.h"

namespace qrx {
namespace fuzz {

namespace {

// Offsets within a window.
constexpr size_t kStateSpan = (sizeof(cpu_state) + kFenceBytes - 1) / kFenceBytes * kFenceBytes;
constexpr size_t kRegionAt = kFenceBytes;
constexpr size_t kLowAt = kRegionAt + kRegionBytes + kFenceBytes;
constexpr size_t kHighAt = kLowAt + kStateSpan + kFenceBytes;
constexpr size_t kCodeAt = kHighAt + kStateSpan + kFenceBytes;
constexpr size_t kWindowUsed = kCodeAt + kFenceBytes;
static_assert(kRegionBytes % 4096 == 0, "the region is whole pages");
static_assert(kWindowUsed <= kWindowStride, "a window fits its stride");

std::mutex map_lock;
Window windows[kMaxWindows];
bool mapped[kMaxWindows];

const MemoryBackend* host_backend;  // the backend in force before ours

thread_local const Window* t_window;
thread_local sigjmp_buf t_fault;
thread_local bool t_faulted;

uint64_t region_base() { return reinterpret_cast<uint64_t>(t_window->region); }

// [a, a + n) within [lo, lo + size).
bool within(uint64_t a, size_t n, uint64_t lo, size_t size) { return a >= lo && a - lo <= size && n <= size - (a - lo); }

bool in_region(const void* a, size_t n) {
  return t_window && within(reinterpret_cast<uint64_t>(a), n, region_base(), kRegionBytes);
}

// The region and its two fences.
bool in_reach(const void* a, size_t n) {
  return t_window && within(reinterpret_cast<uint64_t>(a), n, region_base() - kFenceBytes, kRegionBytes + 2 * kFenceBytes);
}

[[noreturn]] void deliver_fault() {
  t_faulted = true;
  siglongjmp(t_fault, 1);
}

const MemoryBackend kFencedBackend = {
    "fenced windows",
    [](const void* a, void* out, size_t n) { return in_reach(a, n) && host_backend->try_read(a, out, n); },
    [](const void* a) { return in_reach(a, 1) && host_backend->readable(a); },
    confined_read<in_region, deliver_fault>,
    confined_write<in_region, deliver_fault>,
    nullptr,
};

bool make_usable(uint8_t* at, size_t n) { return mprotect(at, n, PROT_READ | PROT_WRITE) == 0; }

}  // namespace

const Window* map_window(unsigned n, std::string* error) {
  std::lock_guard<std::mutex> hold(map_lock);
  if (n >= kMaxWindows) {
    *error = "no window " + std::to_string(n);
    return nullptr;
  }
  if (mapped[n]) return &windows[n];
  void* want = reinterpret_cast<void*>(kWindowBase + n * kWindowStride);
  void* got = mmap(want, kWindowStride, PROT_NONE, MAP_PRIVATE | MAP_ANONYMOUS | MAP_NORESERVE, -1, 0);
  if (got != want) {
    if (got != MAP_FAILED) munmap(got, kWindowStride);
    *error = "cannot map fuzz window " + std::to_string(n) + " at its fixed address";
    return nullptr;
  }
  uint8_t* base = static_cast<uint8_t*>(got);
  if (!make_usable(base + kRegionAt, kRegionBytes) || !make_usable(base + kLowAt, kStateSpan) ||
      !make_usable(base + kHighAt, kStateSpan) || !make_usable(base + kCodeAt, kFenceBytes)) {
    munmap(got, kWindowStride);
    *error = "cannot make fuzz window " + std::to_string(n) + " usable";
    return nullptr;
  }
  Window& w = windows[n];
  w.index = n;
  w.region = base + kRegionAt;
  w.low = reinterpret_cast<cpu_state*>(base + kLowAt);
  w.high = reinterpret_cast<cpu_state*>(base + kHighAt + kStateSpan - sizeof(cpu_state));
  w.code = reinterpret_cast<unsigned int*>(base + kCodeAt);
  mapped[n] = true;
  return &w;
}

void enter_window(const Window* w) { t_window = w; }

void install_fenced_backend() {
  std::lock_guard<std::mutex> hold(map_lock);
  if (&memory_backend() == &kFencedBackend) return;
  host_backend = &memory_backend();
  set_memory_backend(&kFencedBackend);
}

// Out of line, so that nothing of the caller's lives across the jump back.
__attribute__((noinline)) kalt64_decode_rc execute_fenced(cpu_state* s, bool* faulted) {
  volatile kalt64_decode_rc rc = KALT64_DECODE_NOT_EXECUTED;
  t_faulted = false;
  if (sigsetjmp(t_fault, 0) == 0) rc = execute_qrx_instruction(s);
  *faulted = t_faulted;
  return rc;
}

}  // namespace fuzz
}  // namespace qrx
