#include "qrx/library/guarded_memory.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/mman.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <atomic>
#include <cstdlib>
#include <cstring>
#include <thread>
#include <vector>

#include "qrx/decode/qrx_utils.h"
#include "qrx/library/fault_guard.h"
#include "qrx/library/skeletons.h"

namespace {

// Two pages: the first readable and filled with 0x11, 0x22, ..., the second
// made inaccessible.
struct EdgePages {
  unsigned char* base = nullptr;
  size_t page = 0;
  EdgePages() {
    page = static_cast<size_t>(sysconf(_SC_PAGESIZE));
    void* m = mmap(nullptr, 2 * page, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    base = static_cast<unsigned char*>(m);
    for (size_t i = 0; i < page; ++i) base[i] = static_cast<unsigned char>(0x11 * (i % 15 + 1));
    mprotect(base + page, page, PROT_NONE);
  }
  ~EdgePages() { munmap(base, 2 * page); }
  unsigned long edge() const { return reinterpret_cast<unsigned long>(base + page); }
  unsigned long at(size_t i) const { return reinterpret_cast<unsigned long>(base + i); }
};

using ReadFn = unsigned long (*)(unsigned long, int, bool*, CpuContext*);
struct SizedRead {
  ReadFn fn;
  unsigned size;
};
const SizedRead kReads[] = {{ReadMemLib1, 1}, {ReadMemLib2, 2}, {ReadMemLib4, 4}, {ReadMemLib8, 8}};

unsigned long expected_le(const unsigned char* p, unsigned n) {
  unsigned long v = 0;
  for (unsigned i = n; i-- > 0;) v = (v << 8) | p[i];
  return v;
}

TEST(GuardedRead, LastByteInUnmappedPageFaultsAndReturnsZero) {
  EdgePages pages;
  for (const SizedRead& r : kReads) {
    // The access starts in the readable page and ends one byte into the
    // inaccessible one (a 1-byte access lies wholly inside it).
    unsigned long address = pages.edge() - r.size + 1;
    bool fault = false;
    EXPECT_EQ(r.fn(address, 1, &fault, nullptr), 0u) << r.size;
    EXPECT_TRUE(fault) << r.size;
  }
}

TEST(GuardedRead, ReadableAddressReturnsValueAndLeavesFlag) {
  EdgePages pages;
  for (const SizedRead& r : kReads) {
    for (bool preset : {false, true}) {
      unsigned long address = pages.edge() - r.size;  // last bytes of the good page
      bool fault = preset;
      EXPECT_EQ(r.fn(address, 1, &fault, nullptr), expected_le(pages.base + pages.page - r.size, r.size));
      EXPECT_EQ(fault, preset) << "the flag is never cleared or set on success";
      // Unaligned, and the same through the plain path.
      EXPECT_EQ(r.fn(pages.at(3), 0, nullptr, nullptr), expected_le(pages.base + 3, r.size));
    }
  }
}

TEST(GuardedRead, BeyondEndOfMappedFileIsAFault) {
  // A file of one byte mapped over two pages: the second page raises SIGBUS.
  char path[] = "/tmp/qrx_guard_XXXXXX";
  int fd = mkstemp(path);
  ASSERT_GE(fd, 0);
  ASSERT_EQ(write(fd, "x", 1), 1);
  size_t page = static_cast<size_t>(sysconf(_SC_PAGESIZE));
  void* m = mmap(nullptr, 2 * page, PROT_READ, MAP_SHARED, fd, 0);
  ASSERT_NE(m, MAP_FAILED);
  unsigned long second = reinterpret_cast<unsigned long>(m) + page;
  bool fault = false;
  EXPECT_EQ(ReadMemLib8(second - 4, 1, &fault, nullptr), 0u);
  EXPECT_TRUE(fault);
  EXPECT_FALSE(addr_is_readable(reinterpret_cast<volatile char*>(second)));
  EXPECT_EQ(qrx::readable_bytes(second - 24, 144), 24u) << "past the file's end counts as unreadable";
  EXPECT_TRUE(addr_is_readable(static_cast<volatile char*>(m)));
  munmap(m, 2 * page);
  close(fd);
  unlink(path);
}

TEST(Probe, MappedAndUnmappedPages) {
  EdgePages pages;
  size_t page = pages.page;
  void* ro = mmap(nullptr, page, PROT_READ, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
  void* gone = mmap(nullptr, page, PROT_READ, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
  munmap(gone, page);
  struct Case {
    const void* address;
    bool readable;
  };
  const Case cases[] = {
      {pages.base, true},
      {pages.base + page - 1, true},
      {pages.base + page, false},          // PROT_NONE
      {ro, true},                          // read-only is readable
      {gone, false},                       // unmapped
      {nullptr, false},
  };
  struct sigaction before, after;
  sigaction(SIGSEGV, nullptr, &before);
  for (const Case& c : cases) {
    EXPECT_EQ(addr_is_readable(static_cast<volatile char*>(const_cast<void*>(c.address))), c.readable)
        << c.address;
    sigaction(SIGSEGV, nullptr, &after);
    EXPECT_EQ(after.sa_sigaction, before.sa_sigaction) << "the probe leaves the SIGSEGV action alone";
  }
  munmap(ro, page);
}

TEST(Probe, StaysRightPastThePipesCapacity) {
  // The probe's pipe is drained only when full: more probes than it holds.
  EdgePages pages;
  int wrong = 0;
  for (unsigned i = 0; i < 70000; ++i) {
    wrong += !addr_is_readable(reinterpret_cast<volatile char*>(pages.base + i % pages.page));
    if (i % 1000 == 0) wrong += addr_is_readable(reinterpret_cast<volatile char*>(pages.edge()));
  }
  EXPECT_EQ(wrong, 0);
}

TEST(ReadableBytes, StopsAtTheFirstUnreadablePage) {
  EdgePages pages;
  size_t page = pages.page;
  void* gone = mmap(nullptr, page, PROT_READ, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
  munmap(gone, page);
  const uint64_t edge = pages.edge(), unmapped = reinterpret_cast<uint64_t>(gone);
  struct Case {
    uint64_t addr;
    size_t n, readable;
  };
  const Case cases[] = {
      {edge - 144, 144, 144},             // ends exactly at the edge
      {edge - 100, 144, 100},             // runs 44 bytes into the PROT_NONE page
      {edge - 1, 8, 1},
      {edge, 16, 0},
      {edge - page, 2 * page, page},      // a whole readable page, then none
      {edge - 10, 0, 0},
      {unmapped - 0, 144, 0},
      {reinterpret_cast<uint64_t>(pages.base) + 5, 3000, 3000},
  };
  for (const Case& c : cases)
    EXPECT_EQ(qrx::readable_bytes(c.addr, c.n), c.readable) << std::hex << c.addr << " " << c.n;
  EXPECT_EQ(qrx::readable_granule(), page);
}

TEST(FaultGuard, InstalledAtLoadForBothSignals) {
  // Referring to the classifier links in the core's load-time initialiser,
  // which ran before main.
  EXPECT_EQ(is_qrx(0), nullptr);
  EXPECT_EQ(QRXInitialize(), 1);
  EXPECT_EQ(QRXInitialize(), 1);
  EXPECT_EQ(ctxt, &cpu_ctxt);
  EXPECT_EQ(cpu_ctxt.VL, 2u);
  EXPECT_EQ(page_size, static_cast<uint32_t>(sysconf(_SC_PAGESIZE)));
  for (int sig : {SIGSEGV, SIGBUS}) {
    struct sigaction a;
    sigaction(sig, nullptr, &a);
    EXPECT_EQ(a.sa_sigaction, &QRXSigHandler) << sig;
    EXPECT_TRUE(a.sa_flags & SA_SIGINFO);
  }
}

TEST(FaultGuard, TwoThreadsGuardAndProbeAtOnce) {
  EdgePages pages;
  std::atomic<int> wrong{0};
  std::atomic<bool> go{false};
  auto worker = [&](unsigned salt) {
    while (!go.load()) {
    }
    for (unsigned i = 0; i < 2000; ++i) {
      bool bad = ((i + salt) % 3) == 0;
      unsigned long address = bad ? pages.edge() - 2 : pages.at(8 * (i % 64));
      bool fault = false;
      unsigned long v = ReadMemLib4(address, 1, &fault, nullptr);
      if (fault != bad || (!bad && v != expected_le(pages.base + 8 * (i % 64), 4))) ++wrong;
      if (addr_is_readable(reinterpret_cast<volatile char*>(address + 2)) == bad) ++wrong;
    }
  };
  std::thread a(worker, 0), b(worker, 1);
  go = true;
  a.join();
  b.join();
  EXPECT_EQ(wrong.load(), 0);
}

// A backend that records which kind of access the library asked for.
struct Recorder {
  int guarded = 0, plain_reads = 0, writes = 0;
  unsigned char last_written[8] = {};
  size_t last_size = 0;
};
Recorder rec;
const qrx::MemoryBackend kRecording = {
    "recording",
    [](const void*, void* out, size_t n) {
      ++rec.guarded;
      std::memset(out, 0xAB, n);
      return false;
    },
    [](const void*) { return false; },
    [](const void*, void* out, size_t n) {
      ++rec.plain_reads;
      std::memset(out, 0xCD, n);
    },
    [](void*, const void* in, size_t n) {
      ++rec.writes;
      rec.last_size = n;
      std::memcpy(rec.last_written, in, n);
    },
    nullptr,
};

TEST(MemoryBackend, LibraryReadsGuardOnlyWithFlagAndPermission) {
  struct Case {
    bool with_flag;
    int suppress;
    bool guarded;
  };
  const Case cases[] = {{false, 0, false}, {false, 1, false}, {true, 0, false}, {true, 1, true}};
  qrx::set_memory_backend(&kRecording);
  for (const Case& c : cases) {
    rec = Recorder{};
    bool fault = false;
    unsigned long v = ReadMemLib2(0x1000, c.suppress, c.with_flag ? &fault : nullptr, nullptr);
    EXPECT_EQ(rec.guarded, c.guarded ? 1 : 0);
    EXPECT_EQ(rec.plain_reads, c.guarded ? 0 : 1);
    EXPECT_EQ(v, c.guarded ? 0u : 0xCDCDu);
    EXPECT_EQ(fault, c.guarded);
  }
  rec = Recorder{};
  WriteMemLib4(0x01020304u, 0x2000, nullptr);
  EXPECT_EQ(rec.writes, 1);
  ASSERT_EQ(rec.last_size, 4u);
  EXPECT_EQ(rec.last_written[0], 0x04);
  EXPECT_EQ(rec.last_written[3], 0x01);
  EXPECT_FALSE(addr_is_readable(reinterpret_cast<volatile char*>(&rec)));
  qrx::set_memory_backend(nullptr);
  EXPECT_STREQ(qrx::memory_backend().name, "host");
}

// The span skeletons make one backend access per span, of the right kind.
TEST(MemoryBackend, SpansAreOneAccessEach) {
  qrx::set_memory_backend(&kRecording);
  rec = Recorder{};
  unsigned char buf[144] = {};
  qrx::read_span(0x1000, buf, sizeof buf);
  EXPECT_EQ(rec.plain_reads, 1);
  EXPECT_EQ(buf[143], 0xCD);
  EXPECT_FALSE(qrx::try_read_span(0x1000, buf, sizeof buf));
  EXPECT_EQ(rec.guarded, 1);
  qrx::write_span(0x2000, buf, 8);
  EXPECT_EQ(rec.writes, 1);
  EXPECT_EQ(rec.last_size, 8u);
  EXPECT_EQ(rec.plain_reads + rec.guarded + rec.writes, 3);
  qrx::set_memory_backend(nullptr);
}

TEST(MemoryBackend, PlainStoresAndLoadsReachMemory) {
  unsigned char buf[16] = {};
  unsigned long at = reinterpret_cast<unsigned long>(buf);
  WriteMemLib1(0x7F, at, nullptr);
  WriteMemLib2(0xBEEF, at + 1, nullptr);  // unaligned
  WriteMemLib4(0xDEADBEEFu, at + 3, nullptr);
  WriteMemLib8(0x0123456789ABCDEFul, at + 7, nullptr);
  EXPECT_EQ(ReadMemLib1(at, 0, nullptr, nullptr), 0x7Fu);
  EXPECT_EQ(ReadMemLib2(at + 1, 0, nullptr, nullptr), 0xBEEFu);
  EXPECT_EQ(ReadMemLib4(at + 3, 0, nullptr, nullptr), 0xDEADBEEFu);
  EXPECT_EQ(ReadMemLib8(at + 7, 0, nullptr, nullptr), 0x0123456789ABCDEFul);
}

using FaultDeathTest = ::testing::Test;

TEST(FaultDeathTest, UnguardedAccessFaultEndsTheProcessBySignal) {
#if defined(__SANITIZE_ADDRESS__)
  GTEST_SKIP() << "AddressSanitizer reports wild accesses and handles SIGSEGV itself";
#endif
  const char* kMessage =
      "ovlin's QRXSigHandler caught signal SIGSEGV from the process being emulated, "
      "passing it to the default signal handler.";
  EXPECT_EXIT(WriteMemLib8(1, 0, nullptr), ::testing::KilledBySignal(SIGSEGV), kMessage);
  EXPECT_EXIT(qrx::store_app<uint32_t>(0, 5), ::testing::KilledBySignal(SIGSEGV), kMessage);
  // First element of a first-fault load: a fault flag but no permission.
  EXPECT_EXIT(
      {
        bool fault = false;
        ReadMemLib4(8, 0, &fault, nullptr);
      },
      ::testing::KilledBySignal(SIGSEGV), kMessage);
}

}  // namespace
