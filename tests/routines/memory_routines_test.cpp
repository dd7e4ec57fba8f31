// Contiguous loads and stores where the reference comparison cannot reach:
// every offset before an unreadable page, PROT_NONE and SIGBUS memory,
// single reads, delivered faults, threads. Instruction results in ordinary
// memory are the reference comparison's job.
#include "qrx/routines/memory_routines.h"

#include <fcntl.h>
#include <setjmp.h>
#include <signal.h>
#include <sys/mman.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <atomic>
#include <cstring>
#include <string>
#include <thread>
#include <vector>

#include "qrx/decode/qrx_utils.h"
#include "qrx/handlers/handler_support.h"
#include "qrx/library/guarded_memory.h"
#include "qrx/decode/library_memory.h"

namespace {

using qrx::kPredicateBytes;
using qrx::kVectorBytes;

constexpr unsigned kZt = 3, kPg = 2;

// A readable page filled with a byte pattern, then `after` (PROT_NONE or
// unmapped).
enum class after { prot_none, unmapped };
struct EdgePage {
  uint8_t* base;
  size_t page;
  explicit EdgePage(after kind) {
    page = static_cast<size_t>(sysconf(_SC_PAGESIZE));
    base = static_cast<uint8_t*>(mmap(nullptr, 2 * page, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0));
    for (size_t i = 0; i < page; ++i) base[i] = static_cast<uint8_t>(i * 7 + 0x85);
    if (kind == after::prot_none)
      mprotect(base + page, page, PROT_NONE);
    else
      munmap(base + page, page);
  }
  ~EdgePage() { munmap(base, 2 * page); }
  uint64_t edge() const { return reinterpret_cast<uint64_t>(base + page); }
};

// A first-fault or non-fault form, run with its block at addr.
struct SpeculativeForm {
  const char* name;
  unsigned msize, esize;
  bool sign, first_fault;
  void (*run)(cpu_state*, uint64_t addr);
};

template <kalt64_decode_rc (*R)(cpu_state*, kalt64_z_reg, kalt64_p_reg, kalt64_i_rsp_reg, kalt64_i_reg)>
void run_zprr(cpu_state* s, uint64_t addr) {
  s->x[1] = addr;
  R(s, z_operand(kZt, 0), p_operand(kPg, kalt64_p_reg::ZEROING), rsp_operand(1), i_operand(31, kalt64_i_reg::W64));
}
template <kalt64_decode_rc (*R)(cpu_state*, kalt64_z_reg, kalt64_p_reg, kalt64_i_rsp_reg, int)>
void run_zpri(cpu_state* s, uint64_t addr) {
  s->x[1] = addr;
  R(s, z_operand(kZt, 0), p_operand(kPg, kalt64_p_reg::ZEROING), rsp_operand(1), 0);
}
template <VecValue (*F)(PredV, uint64_t, uint64_t, CpuContext*)>
void run_lib(cpu_state* s, uint64_t addr) {
  qrx::library_path(s, [&](CpuContext* ctx) { qrx::write_vec(s, kZt, F(qrx::read_pred(s, kPg), addr, 0, ctx)); });
}

#define FF_ROUTINE(n, m, e, sg) {#n, m, e, sg, true, run_zprr<qrx_##n##_scaled_zprr>}
#define NF_ROUTINE(n, m, e, sg) {#n, m, e, sg, false, run_zpri<qrx_##n##_zpri>}
#define FF_LIBRARY(n, m, e, sg) {#n, m, e, sg, true, run_lib<n>}
const SpeculativeForm kSpeculative[] = {
    FF_ROUTINE(ldff1b, 1, 1, false), FF_ROUTINE(ldff1b_h, 1, 2, false), FF_ROUTINE(ldff1b_s, 1, 4, false),
    FF_ROUTINE(ldff1b_d, 1, 8, false), FF_ROUTINE(ldff1w, 4, 4, false), FF_ROUTINE(ldff1w_d, 4, 8, false),
    FF_ROUTINE(ldff1d, 8, 8, false),
    FF_LIBRARY(VecU16CLoadFF2LSSZ, 2, 2, false), FF_LIBRARY(VecU32CLoadFF2LSSZ, 2, 4, false),
    FF_LIBRARY(VecU64CLoadFF2LSSZ, 2, 8, false), FF_LIBRARY(VecS16CLoadFF1LSSZ, 1, 2, true),
    FF_LIBRARY(VecS32CLoadFF1LSSZ, 1, 4, true), FF_LIBRARY(VecS64CLoadFF1LSSZ, 1, 8, true),
    FF_LIBRARY(VecS32CLoadFF2LSSZ, 2, 4, true), FF_LIBRARY(VecS64CLoadFF2LSSZ, 2, 8, true),
    FF_LIBRARY(VecS64CLoadFF4LSSZ, 4, 8, true),
    NF_ROUTINE(ldnf1b, 1, 1, false), NF_ROUTINE(ldnf1b_h, 1, 2, false), NF_ROUTINE(ldnf1b_s, 1, 4, false),
    NF_ROUTINE(ldnf1b_d, 1, 8, false), NF_ROUTINE(ldnf1sb_h, 1, 2, true), NF_ROUTINE(ldnf1sb_s, 1, 4, true),
    NF_ROUTINE(ldnf1sb_d, 1, 8, true), NF_ROUTINE(ldnf1h, 2, 2, false), NF_ROUTINE(ldnf1h_s, 2, 4, false),
    NF_ROUTINE(ldnf1h_d, 2, 8, false), NF_ROUTINE(ldnf1sh_s, 2, 4, true), NF_ROUTINE(ldnf1sh_d, 2, 8, true),
    NF_ROUTINE(ldnf1w, 4, 4, false), NF_ROUTINE(ldnf1w_d, 4, 8, false), NF_ROUTINE(ldnf1sw_d, 4, 8, true),
    NF_ROUTINE(ldnf1d, 8, 8, false),
};
#undef FF_ROUTINE
#undef NF_ROUTINE
#undef FF_LIBRARY

// The architectural rule, element by element: the first active element and
// every later active element whose M bytes all lie before `readable` bytes
// are loaded; at the first active element that does not, the first-fault
// register is cleared from that element on and nothing more is loaded. Every
// element not loaded is zero.
void expected_speculative(const SpeculativeForm& f, const uint8_t* mem, size_t readable, const uint8_t* pred,
                          uint8_t* z, uint8_t* ffr) {
  const unsigned n = kVectorBytes / f.esize;
  std::memset(z, 0, kVectorBytes);
  std::memset(ffr, 1, kPredicateBytes);
  for (unsigned i = 0; i < n; ++i) {
    if (!(pred[i * f.esize] & 1)) continue;
    if ((i + 1) * f.msize > readable) {
      std::memset(ffr + i * f.esize, 0, kPredicateBytes - i * f.esize);
      return;
    }
    uint64_t v = 0;
    for (unsigned b = 0; b < f.msize; ++b) v |= uint64_t{mem[i * f.msize + b]} << (8 * b);
    if (f.sign && (v >> (8 * f.msize - 1)) & 1) v |= ~uint64_t{0} << (8 * f.msize);
    for (unsigned b = 0; b < f.esize; ++b) z[i * f.esize + b] = static_cast<uint8_t>(v >> (8 * b));
  }
}

// Predicates with the first active element at `first`: every later element
// active, or every third one.
void make_predicate(unsigned esize, unsigned first, bool sparse, uint8_t* pred) {
  std::memset(pred, 0, kPredicateBytes);
  for (unsigned i = first, k = 0; i < kVectorBytes / esize; ++i, ++k)
    if (!sparse || k % 3 == 0) pred[i * esize] = 1;
}

TEST(PageEdgeMatrix, FirstFaultAndNonFaultLoadsStopAtTheFirstUnreadableElement) {
  for (after kind : {after::unmapped, after::prot_none}) {
    EdgePage page(kind);
    static cpu_state s;
    uint8_t want_z[kVectorBytes], want_ffr[kPredicateBytes];
    unsigned checked = 0;
    for (const SpeculativeForm& f : kSpeculative) {
      const unsigned n = kVectorBytes / f.esize;
      for (unsigned first : {0u, 1u, 5u, n / 2, n - 1}) {
        for (bool sparse : {false, true}) {
          for (size_t before = 1; before <= kVectorBytes; ++before) {
            // The first active element must be readable for a first-fault
            // load (its fault is delivered; the death tests cover it).
            if (f.first_fault && f.msize > before) continue;
            uint64_t addr = page.edge() - before - first * f.msize;
            std::memset(&s, 0xEE, sizeof s);
            make_predicate(f.esize, first, sparse, s.p[kPg]);
            std::memset(s.ffr, 1, kPredicateBytes);
            f.run(&s, addr);
            size_t readable = page.edge() - addr;
            expected_speculative(f, reinterpret_cast<const uint8_t*>(addr), readable, s.p[kPg], want_z, want_ffr);
            ASSERT_EQ(0, std::memcmp(s.z[kZt], want_z, kVectorBytes))
                << f.name << " first " << first << " sparse " << sparse << " bytes before the edge " << before;
            ASSERT_EQ(0, std::memcmp(s.ffr, want_ffr, kPredicateBytes))
                << f.name << " first " << first << " sparse " << sparse << " bytes before the edge " << before;
            ++checked;
          }
        }
      }
    }
    EXPECT_GT(checked, 200u * kVectorBytes);
  }
}

TEST(PageEdgeMatrix, NamedCases) {
  // LDFF1B {Z.D} 2 bytes before an unmapped page loads elements 0 and 1;
  // with 20 bytes left 20 or all; LDFF1D 12 bytes before: element 0 only;
  // LDNF1D 4 bytes before (element 0 straddles): nothing, and no fault.
  EdgePage page(after::unmapped);
  struct Case {
    size_t form;
    size_t before;
    unsigned loaded;
  };
  auto index_of = [](const char* name) {
    for (size_t i = 0; i < sizeof kSpeculative / sizeof kSpeculative[0]; ++i)
      if (std::strcmp(kSpeculative[i].name, name) == 0) return i;
    return size_t{0};
  };
  auto at_most = [](unsigned n, unsigned elements) { return n < elements ? n : elements; };
  const unsigned d = kPredicateBytes / 8, h = kPredicateBytes / 2;
  const Case cases[] = {{index_of("ldff1b_d"), 2, 2},  {index_of("ldff1b_d"), 20, at_most(20, d)}, {index_of("ldff1d"), 12, 1},
                        {index_of("ldff1d"), 20, 2},   {index_of("ldnf1d"), 4, 0},     {index_of("ldnf1d"), 16, 2},
                        {index_of("ldnf1d"), 140, at_most(17, d)}, {index_of("ldnf1b_h"), 100, at_most(100, h)}};
  static cpu_state s;
  for (const Case& c : cases) {
    const SpeculativeForm& f = kSpeculative[c.form];
    std::memset(&s, 0, sizeof s);
    make_predicate(f.esize, 0, false, s.p[kPg]);
    std::memset(s.ffr, 1, kPredicateBytes);
    f.run(&s, page.edge() - c.before);
    unsigned n = kVectorBytes / f.esize, ffr_true = 0;
    for (unsigned i = 0; i < n; ++i) ffr_true += s.ffr[i * f.esize];
    EXPECT_EQ(ffr_true, c.loaded) << f.name << " " << c.before;
  }
}

TEST(SpeculativeLoads, PastTheEndOfAMappedFileIsUnreadable) {
  char path[] = "/tmp/qrx_mem_XXXXXX";
  int fd = mkstemp(path);
  ASSERT_GE(fd, 0);
  size_t page = static_cast<size_t>(sysconf(_SC_PAGESIZE));
  ASSERT_EQ(ftruncate(fd, static_cast<off_t>(page)), 0);
  void* m = mmap(nullptr, 2 * page, PROT_READ, MAP_SHARED, fd, 0);  // the second page raises SIGBUS
  ASSERT_NE(m, MAP_FAILED);
  uint64_t edge = reinterpret_cast<uint64_t>(m) + page;
  static cpu_state s;
  for (const SpeculativeForm& f : kSpeculative) {
    std::memset(&s, 0, sizeof s);
    make_predicate(f.esize, 0, false, s.p[kPg]);
    std::memset(s.ffr, 1, kPredicateBytes);
    const unsigned n = kVectorBytes / f.esize, fit = n > 8 ? 8 : n - 1;  // elements before the edge
    f.run(&s, edge - fit * f.msize);
    unsigned ffr_true = 0;
    for (unsigned i = 0; i < n; ++i) ffr_true += s.ffr[i * f.esize];
    EXPECT_EQ(ffr_true, fit) << f.name;
  }
  munmap(m, 2 * page);
  close(fd);
  unlink(path);
}

// A backend over the host's that counts plain reads.
std::atomic<int> g_plain_reads{0};
const qrx::MemoryBackend& host() {
  static const qrx::MemoryBackend& h = qrx::memory_backend();
  return h;
}
const qrx::MemoryBackend kCounting = {
    "counting",
    [](const void* a, void* o, size_t n) { return host().try_read(a, o, n); },
    [](const void* a) { return host().readable(a); },
    [](const void* a, void* o, size_t n) {
      ++g_plain_reads;
      host().read(a, o, n);
    },
    [](void* a, const void* i, size_t n) { host().write(a, i, n); },
    nullptr,
};

TEST(LoadReplicate, ReadsMemoryOnceAndBroadcastsIt) {
  (void)host();
  uint64_t value = 0x8877665544332211ull;
  static cpu_state s;
  std::memset(&s, 0, sizeof s);
  make_predicate(8, 0, true, s.p[kPg]);
  s.x[1] = reinterpret_cast<uint64_t>(&value);
  qrx::set_memory_backend(&kCounting);
  g_plain_reads = 0;
  qrx_ld1rsb_d_zpri(&s, z_operand(kZt, 0), p_operand(kPg, kalt64_p_reg::ZEROING), rsp_operand(1), 1);
  EXPECT_EQ(g_plain_reads.load(), 1);
  for (unsigned i = 0; i < qrx::kDwordElems; ++i) EXPECT_EQ(s.z[kZt][8 * i], i % 3 == 0 ? 0x22 : 0) << i;
  g_plain_reads = 0;
  std::memset(s.p[kPg], 0, kPredicateBytes);
  qrx_ld1rw_zpri(&s, z_operand(kZt, 0), p_operand(kPg, kalt64_p_reg::ZEROING), rsp_operand(1), 0);
  EXPECT_EQ(g_plain_reads.load(), 0) << "no active element: no access";
  qrx::set_memory_backend(nullptr);
  for (unsigned i = 0; i < kVectorBytes; ++i) EXPECT_EQ(s.z[kZt][i], 0) << i;
}

TEST(FillSpill, PredicateRoundTripKeepsBitZeroOnly) {
  static cpu_state s;
  std::memset(&s, 0, sizeof s);
  for (unsigned j = 0; j < kPredicateBytes; ++j) s.p[5][j] = static_cast<uint8_t>((j * 5) % 3);  // 0, 2, 1, ...
  uint8_t mem[kPredicateBytes / 8 + 2] = {};
  s.x[1] = reinterpret_cast<uint64_t>(mem) + kPredicateBytes / 8;  // the spill goes one register below
  qrx_str_pri(&s, p_operand(5, 0), rsp_operand(1), -1);
  qrx_ldr_pri(&s, p_operand(6, 0), rsp_operand(1), -1);
  for (unsigned j = 0; j < kPredicateBytes; ++j) EXPECT_EQ(s.p[6][j], s.p[5][j] & 1) << j;
  EXPECT_EQ(mem[kPredicateBytes / 8], 0) << "nothing written past the predicate's bytes";
}

// ----- Delivered faults ---------------------------------------------------------

TEST(DeliveredFaultDeathTest, PlainAccessesEndTheProcessBySignal) {
#if defined(__SANITIZE_ADDRESS__)
  GTEST_SKIP() << "AddressSanitizer handles SIGSEGV itself";
#endif
  // Forked, not re-executed: re-executing the test binary fails where it runs
  // under a processor model, as the cross build's tests do.
  ::testing::FLAGS_gtest_death_test_style = "fast";
  (void)is_qrx(0);  // links in the core's load-time initialiser, which installs the fault handler
  EdgePage page(after::unmapped);
  const uint64_t edge = page.edge();
  static cpu_state s;
  std::memset(&s, 0, sizeof s);
  make_predicate(1, 0, false, s.p[kPg]);
  auto zt = z_operand(kZt, 0);
  auto pg = p_operand(kPg, kalt64_p_reg::ZEROING);
  auto x1 = rsp_operand(1);
  auto xzr = i_operand(31, kalt64_i_reg::W64);
  struct Case {
    const char* what;
    uint64_t addr;
    void (*run)(cpu_state*, kalt64_z_reg, kalt64_p_reg, kalt64_i_rsp_reg, kalt64_i_reg);
  };
  const Case cases[] = {
      {"ld1d crossing", edge - 8, [](cpu_state* c, kalt64_z_reg z, kalt64_p_reg p, kalt64_i_rsp_reg x, kalt64_i_reg m) {
         qrx_ld1d_scaled_zprr(c, z, p, x, m);
       }},
      {"ld1d, a later element straddling", edge - 12,
       [](cpu_state* c, kalt64_z_reg z, kalt64_p_reg p, kalt64_i_rsp_reg x, kalt64_i_reg m) {
         qrx_ld1d_scaled_zprr(c, z, p, x, m);
       }},
      {"st1b crossing", edge - kVectorBytes / 2, [](cpu_state* c, kalt64_z_reg z, kalt64_p_reg p, kalt64_i_rsp_reg x, kalt64_i_reg m) {
         qrx_st1b_scaled_zprr(c, z, p, x, m);
       }},
      {"ldff1d first element straddles", edge - 4,
       [](cpu_state* c, kalt64_z_reg z, kalt64_p_reg p, kalt64_i_rsp_reg x, kalt64_i_reg m) {
         qrx_ldff1d_scaled_zprr(c, z, p, x, m);
       }},
      {"ldr z", edge - kVectorBytes / 2, [](cpu_state* c, kalt64_z_reg z, kalt64_p_reg, kalt64_i_rsp_reg x, kalt64_i_reg) {
         qrx_ldr_zri(c, z, x, 0);
       }},
      {"str p", edge - kPredicateBytes / 16, [](cpu_state* c, kalt64_z_reg, kalt64_p_reg, kalt64_i_rsp_reg x, kalt64_i_reg) {
         qrx_str_pri(c, p_operand(1, 0), x, 0);
       }},
      {"ld1rqd", edge - 8, [](cpu_state* c, kalt64_z_reg, kalt64_p_reg, kalt64_i_rsp_reg x, kalt64_i_reg) {
         PredV all{};
         all.w[0] = ~uint64_t{0};
         CpuContext ctx{};
         VecU64LoadDup8QSSZ(all, c->x[x.num], 0, &ctx);
       }},
  };
  for (const Case& c : cases) {
    s.x[1] = c.addr;
    EXPECT_EXIT(c.run(&s, zt, pg, x1, xzr), ::testing::KilledBySignal(SIGSEGV), "caught signal SIGSEGV") << c.what;
  }
}

TEST(DeliveredFaultDeathTest, AStoreIntoAnUnmappedPageWritesNothing) {
#if defined(__SANITIZE_ADDRESS__)
  GTEST_SKIP() << "AddressSanitizer handles SIGSEGV itself";
#endif
  // A shared file mapping keeps what the dying child stored.
  char path[] = "/tmp/qrx_store_XXXXXX";
  int fd = mkstemp(path);
  ASSERT_GE(fd, 0);
  size_t page = static_cast<size_t>(sysconf(_SC_PAGESIZE));
  ASSERT_EQ(ftruncate(fd, static_cast<off_t>(page)), 0);
  uint8_t* m = static_cast<uint8_t*>(mmap(nullptr, 2 * page, PROT_READ | PROT_WRITE, MAP_SHARED, fd, 0));
  ASSERT_NE(m, MAP_FAILED);
  munmap(m + page, page);
  static cpu_state s;
  std::memset(&s, 0, sizeof s);
  make_predicate(8, 0, false, s.p[kPg]);
  for (unsigned i = 0; i < kVectorBytes; ++i) s.z[kZt][i] = static_cast<uint8_t>(i + 1);
  // 5 elements fit before the unmapped page (fewer in a short vector).
  const unsigned fit = 8 * (qrx::kDwordElems > 5 ? 5 : qrx::kDwordElems - 1);
  s.x[1] = reinterpret_cast<uint64_t>(m + page - fit);
  EXPECT_EXIT(qrx_st1d_zpri(&s, z_operand(kZt, 0), p_operand(kPg, kalt64_p_reg::ZEROING), rsp_operand(1), 0),
              ::testing::KilledBySignal(SIGSEGV), "");
  for (unsigned i = 0; i < fit; ++i) EXPECT_EQ(m[page - fit + i], 0) << i;
  // Only the elements before the unmapped page active: they are stored.
  std::memset(s.p[kPg] + fit, 0, kPredicateBytes - fit);
  qrx_st1d_zpri(&s, z_operand(kZt, 0), p_operand(kPg, kalt64_p_reg::ZEROING), rsp_operand(1), 0);
  EXPECT_EQ(0, std::memcmp(m + page - fit, s.z[kZt], fit));
  munmap(m, page);
  close(fd);
  unlink(path);
}

// ----- Threads --------------------------------------------------------------------

sigjmp_buf t_resume;
volatile sig_atomic_t t_caught;
void own_segv_handler(int) {
  ++t_caught;
  siglongjmp(t_resume, 1);
}

TEST(Threads, SpeculativeLoadsBesideAThreadHandlingItsOwnFaults) {
  EdgePage page(after::unmapped);
  struct sigaction own {}, previous {};
  own.sa_handler = own_segv_handler;
  sigemptyset(&own.sa_mask);
  own.sa_flags = SA_NODEFER;
  sigaction(SIGSEGV, &own, &previous);
  std::atomic<bool> stop{false};
  std::atomic<int> wrong{0};
  // Two threads load at page ends, each expecting its own answer.
  auto loader = [&](size_t form_index, size_t before) {
    const SpeculativeForm& f = kSpeculative[form_index];
    cpu_state* s = new cpu_state();
    uint8_t want_z[kVectorBytes], want_ffr[kPredicateBytes];
    for (unsigned k = 0; k < 3000; ++k) {
      make_predicate(f.esize, 0, false, s->p[kPg]);
      std::memset(s->ffr, 1, kPredicateBytes);
      uint64_t addr = page.edge() - before - (k % 3) * f.msize;
      f.run(s, addr);
      expected_speculative(f, reinterpret_cast<const uint8_t*>(addr), page.edge() - addr, s->p[kPg], want_z, want_ffr);
      if (std::memcmp(s->z[kZt], want_z, kVectorBytes) || std::memcmp(s->ffr, want_ffr, kPredicateBytes)) ++wrong;
    }
    delete s;
  };
  // The third takes SIGSEGVs and handles them itself.
  int handled = 0;
  std::thread faulter([&] {
    while (!stop.load()) {
      if (sigsetjmp(t_resume, 1) == 0) *reinterpret_cast<volatile char*>(page.edge()) = 1;
      ++handled;
    }
  });
  std::thread a(loader, 6, 20);                                 // ldff1d, 20 bytes left
  std::thread b(loader, sizeof kSpeculative / sizeof kSpeculative[0] - 1, 12);  // ldnf1d, straddling
  a.join();
  b.join();
  stop = true;
  faulter.join();
  sigaction(SIGSEGV, &previous, nullptr);
  EXPECT_EQ(wrong.load(), 0);
  EXPECT_GT(handled, 0);
  EXPECT_EQ(t_caught, handled);
}

}  // namespace
