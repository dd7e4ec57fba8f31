#include "qrx/library/guarded_memory.h"

#include <errno.h>
#include <fcntl.h>
#include <unistd.h>

#include <atomic>
#include <cstring>

#include "qrx/library/fault_guard.h"

namespace {

// ----- Host backend ---------------------------------------------------------

// The probe hands one byte to the kernel through a pipe: the kernel checks
// the address and answers EFAULT instead of raising a signal, so a probe
// neither faults nor touches any signal action. The bytes are never looked
// at, so the pipe is drained only when it is full (by whichever thread
// finds it full, in one large read): one system call per probe.
struct ProbePipe {
  int read_end = -1;
  int write_end = -1;
};

const ProbePipe& probe_pipe() {
  static const ProbePipe pipe_ends = [] {
    ProbePipe p;
    int fds[2];
    if (pipe2(fds, O_CLOEXEC | O_NONBLOCK) == 0) {
      p.read_end = fds[0];
      p.write_end = fds[1];
    }
    return p;
  }();
  return pipe_ends;
}

void drain(const ProbePipe& p) {
  unsigned char sink[4096];
  while (read(p.read_end, sink, sizeof sink) > 0 || errno == EINTR) {
  }
}

bool host_readable(const void* addr) {
  const ProbePipe& p = probe_pipe();
  if (p.write_end < 0) {
    // No descriptors left: fall back to the thread's fault guard.
    unsigned char byte;
    return qrx::host_guarded_copy(addr, &byte, 1);
  }
  for (;;) {
    ssize_t n = write(p.write_end, addr, 1);
    if (n == 1) return true;
    if (n < 0 && errno == EINTR) continue;
    if (n < 0 && errno == EAGAIN) {
      drain(p);
      continue;
    }
    return false;  // EFAULT: the byte cannot be read
  }
}

void host_read(const void* addr, void* out, size_t n) { std::memcpy(out, addr, n); }
void host_write(void* addr, const void* in, size_t n) { std::memcpy(addr, in, n); }

const qrx::MemoryBackend kHostBackend = {
    "host", qrx::host_guarded_copy, host_readable, host_read, host_write,
    qrx::install_host_fault_handler,
};

std::atomic<const qrx::MemoryBackend*> current_backend{&kHostBackend};

// ----- Library reads ----------------------------------------------------------

template <typename T>
unsigned long read_mem_lib(unsigned long address, int suppress, bool* fault) {
  if (fault && suppress) {
    T v;
    if (!qrx::load_app_guarded(address, &v)) {
      *fault = true;
      return 0;
    }
    return v;
  }
  return qrx::load_app<T>(address);
}

}  // namespace

namespace qrx {

namespace {

// Bytes from addr to the end of its page, at most n.
size_t in_page(uint64_t addr, size_t n, size_t granule) {
  size_t left = granule - static_cast<size_t>(addr & (granule - 1));
  return left < n ? left : n;
}

}  // namespace

size_t readable_granule() {
  static const size_t fallback = static_cast<size_t>(sysconf(_SC_PAGESIZE));
  return page_size ? page_size : fallback;
}

size_t readable_bytes(uint64_t addr, size_t n) {
  const size_t granule = readable_granule();
  const MemoryBackend& backend = memory_backend();
  size_t done = 0;
  while (done < n) {
    uint64_t at = addr + done;
    if (!backend.readable(reinterpret_cast<const void*>(at))) break;
    done += in_page(at, n - done, granule);
  }
  return done;
}

size_t read_leading(uint64_t addr, void* out, size_t n, size_t required) {
  const size_t granule = readable_granule();
  const MemoryBackend& backend = memory_backend();
  unsigned char* dst = static_cast<unsigned char*>(out);
  size_t done = 0;
  while (done < n) {
    const uint64_t at = addr + done;
    if (done >= required && !backend.readable(reinterpret_cast<const void*>(at))) break;
    size_t chunk = in_page(at, n - done, granule);
    backend.read(reinterpret_cast<const void*>(at), dst + done, chunk);
    done += chunk;
  }
  return done;
}

void fault_unless_later_pages_readable(uint64_t addr, size_t n) {
  const size_t first = in_page(addr, n, readable_granule());
  if (first == n) return;
  size_t readable = first + readable_bytes(addr + first, n - first);
  if (readable < n) {
    unsigned char byte;
    memory_backend().read(reinterpret_cast<const void*>(addr + readable), &byte, 1);  // faults, does not return
  }
}

void write_ascending(uint64_t addr, const void* in, size_t n, size_t unit) {
  const size_t granule = readable_granule();
  const MemoryBackend& backend = memory_backend();
  const unsigned char* src = static_cast<const unsigned char*>(in);
  for (size_t done = 0; done < n;) {
    size_t chunk = in_page(addr + done, n - done, granule);
    if (chunk < n - done) chunk -= chunk % unit;      // whole units before the boundary
    if (chunk == 0) chunk = unit < n - done ? unit : n - done;  // the straddling unit alone
    backend.write(reinterpret_cast<void*>(addr + done), src + done, chunk);
    done += chunk;
  }
}

const MemoryBackend& memory_backend() {
  return *current_backend.load(std::memory_order_acquire);
}

void set_memory_backend(const MemoryBackend* backend) {
  current_backend.store(backend ? backend : &kHostBackend, std::memory_order_release);
}

}  // namespace qrx

extern "C" {

bool addr_is_readable(volatile char* address) {
  return qrx::memory_backend().readable(const_cast<const char*>(address));
}

unsigned long ReadMemLib1(unsigned long address, int suppress, bool* fault, CpuContext*) {
  return read_mem_lib<uint8_t>(address, suppress, fault);
}
unsigned long ReadMemLib2(unsigned long address, int suppress, bool* fault, CpuContext*) {
  return read_mem_lib<uint16_t>(address, suppress, fault);
}
unsigned long ReadMemLib4(unsigned long address, int suppress, bool* fault, CpuContext*) {
  return read_mem_lib<uint32_t>(address, suppress, fault);
}
unsigned long ReadMemLib8(unsigned long address, int suppress, bool* fault, CpuContext*) {
  return read_mem_lib<uint64_t>(address, suppress, fault);
}

void WriteMemLib1(unsigned char value, unsigned long address, CpuContext*) {
  qrx::store_app(address, value);
}
void WriteMemLib2(unsigned short value, unsigned long address, CpuContext*) {
  qrx::store_app(address, value);
}
void WriteMemLib4(unsigned int value, unsigned long address, CpuContext*) {
  qrx::store_app(address, value);
}
void WriteMemLib8(unsigned long value, unsigned long address, CpuContext*) {
  qrx::store_app(address, value);
}

}  // extern "C"
