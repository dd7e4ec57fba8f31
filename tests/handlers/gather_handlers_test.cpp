// Gathers, scatters and structure loads and stores on encoded words,
// aimed at what the reference comparison rarely reaches: offset extension
// at the 32-bit boundary, address wrap, a destination equal to the offset
// or base vector, duplicate scatter addresses, no active element, register
// lists that wrap past Z31, untouched inactive bytes, and first-fault
// gathers at a page edge.
#include <fcntl.h>
#include <signal.h>
#include <sys/mman.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <vector>

#include "handler_machine.h"

namespace {

using qrx::kPredicateBytes;
using qrx::kVectorBytes;
constexpr unsigned kDwords = kVectorBytes / 8;

constexpr unsigned kPg = 1;

uint64_t addr_of(const void* p) { return reinterpret_cast<uint64_t>(p); }

// Bytes i of a buffer = pattern(i), never 0 and never 0xEE.
uint8_t pattern(size_t i) { return static_cast<uint8_t>(0x81 + i * 37 % 97); }

uint64_t load_value(const uint8_t* at, unsigned msize, bool sign) {
  uint64_t v = 0;
  std::memcpy(&v, at, msize);
  if (sign && msize < 8 && (v >> (8 * msize - 1)) & 1) v |= ~uint64_t{0} << (8 * msize);
  return v;
}

// ----- Gathers and scatters by addressing form -----

// A buffer of pattern bytes with 4 KiB on either side of its middle.
struct Buffer {
  std::vector<uint8_t> bytes = std::vector<uint8_t>(8192);
  Buffer() {
    for (size_t i = 0; i < bytes.size(); ++i) bytes[i] = pattern(i);
  }
  uint8_t* mid() { return bytes.data() + 4096; }
};

// Element i's lane of the offset or base vector is lane0 + i * lane_step
// (plus the buffer's middle for a vector base); its memory element is at
// the middle + delta0 + i * delta_step. Every third element is inactive.
struct AccessCase {
  uint32_t word;
  const char* form;
  unsigned vec;  // the register holding the lanes
  unsigned esize, msize;
  bool sign, vector_base;
  uint64_t lane0, lane_step;
  int64_t delta0, delta_step;
};

bool case_active(unsigned i) { return i % 3 != 1; }

void set_lanes(qrx_test::Machine& m, const AccessCase& c, uint64_t mid) {
  for (unsigned i = 0; i < kVectorBytes / c.esize; ++i) {
    uint64_t lane = c.lane0 + i * c.lane_step + (c.vector_base ? mid : 0);
    std::memcpy(m.s->z[c.vec] + i * c.esize, &lane, c.esize);
  }
  std::memset(m.s->p[kPg], 0, kPredicateBytes);
  for (unsigned i = 0; i < kVectorBytes / c.esize; ++i) m.s->p[kPg][i * c.esize] = case_active(i);
  m.s->x[1] = mid;
}

const AccessCase kGathers[] = {
    // ld1w {z3.d}, p1/z, [x1, z4.d, sxtw]: low word -4, the high word ignored.
    {0xc5444423, "VecU64Load4XVSZ", 4, 8, 4, false, false, 0xDEAD0000FFFFFFFCull, 0x100000004ull, -4, 4},
    // ld1w {z3.d}, p1/z, [x1, z4.d, uxtw]: the high word ignored.
    {0xc5044423, "VecU64Load4YVSZ", 4, 8, 4, false, false, 0xFFFFFFFF00000008ull, 4, 8, 4},
    // ld1d {z3.d}, p1/z, [x1, z3.d, lsl #3]: Zt = Zm; offsets 0, -1, -2 ... wrap.
    {0xc5e3c423, "VecU64Load8SVZ", 3, 8, 8, false, false, 0, ~uint64_t{0}, 0, -8},
    // ld1d {z3.d}, p1/z, [z3.d, #8]: Zt = Zn, imm5 = 1 element past each base.
    {0xc5a1c463, "VecU64Load8VIZ", 3, 8, 8, false, true, 0, 24, 8, 24},
    // ld1sb {z3.d}, p1/z, [z4.d, #3]: sign-extending, one address for all.
    {0xc4238483, "VecS64Load1VIZ", 4, 8, 1, true, true, 5, 0, 8, 0},
    // ld1sh {z3.s}, p1/z, [x1, z3.s, sxtw #1]: Zt = Zm, negative offsets.
    {0x84e30423, "VecS32Load2XSVZ", 3, 4, 2, true, false, 0xFFFFFFFDu, 0xFFFFFFFFu, -6, -2},
    // ld1h {z3.s}, p1/z, [x1, z3.s, uxtw #1]
    {0x84a34423, "VecU32Load2SVZ", 3, 4, 2, false, false, 5, 1, 10, 2},
};

TEST(GatherLoads, AddressFormsExtendScaleAndWrap) {
  for (const AccessCase& c : kGathers) {
    Buffer buf;
    qrx_test::Machine m;
    set_lanes(m, c, addr_of(buf.mid()));
    ASSERT_EQ(m.run(c.word, c.form), KALT64_DECODE_OK);
    for (unsigned i = 0; i < kVectorBytes / c.esize; ++i) {
      uint64_t want = 0;
      if (case_active(i)) want = load_value(buf.mid() + c.delta0 + int64_t{i} * c.delta_step, c.msize, c.sign);
      if (c.esize == 4) want &= 0xFFFFFFFFu;
      ASSERT_EQ(m.element(3, i, c.esize), want) << c.form << " element " << i;
    }
  }
}

TEST(GatherLoads, NoActiveElementTouchesNoMemory) {
  // ld1d {z3.d}, p1/z, [x1, z4.d, lsl #3] and ldff1d {z3.d}, p1/z, [x1, z4.d]
  // with X1 = 0: no access, Zt zero, FFR unchanged.
  for (auto [word, form] : {std::pair<uint32_t, const char*>{0xc5e4c423, "VecU64Load8SVZ"},
                            {0xc5c4e423, "VecU64LoadFF8VSZ"}}) {
    qrx_test::Machine m;
    m.fill<uint64_t>(3, 0x1234);
    std::memset(m.s->ffr, 1, kPredicateBytes);
    ASSERT_EQ(m.run(word, form), KALT64_DECODE_OK);
    for (unsigned i = 0; i < kVectorBytes / 8; ++i) ASSERT_EQ(m.get<uint64_t>(3, i), 0u) << form;
    for (unsigned i = 0; i < kPredicateBytes; ++i) ASSERT_EQ(m.s->ffr[i], 1) << form;
  }
}

const AccessCase kScatters[] = {
    // st1d {z3.d}, p1, [x1, z4.d]: every element at one address.
    {0xe584a423, "VecU64Store8VSZ", 4, 8, 8, false, false, 16, 0, 16, 0},
    // st1w {z3.s}, p1, [x1, z3.s, uxtw]: Zt = Zm.
    {0xe5438423, "VecU32Store4VSZ", 3, 4, 4, false, false, 8, 4, 8, 4},
    // st1b {z3.d}, p1, [z4.d, #1]: the low byte of each element.
    {0xe441a483, "VecU64Store1VIZ", 4, 8, 1, false, true, ~uint64_t{0} - 200, 3, -200, 3},
};

TEST(Scatters, AscendingOrderAndUntouchedInactiveBytes) {
  for (const AccessCase& c : kScatters) {
    Buffer buf;
    std::memset(buf.bytes.data(), 0xEE, buf.bytes.size());
    qrx_test::Machine m;
    if (c.vec != 3)
      for (unsigned i = 0; i < kVectorBytes; ++i) m.s->z[3][i] = pattern(i);
    set_lanes(m, c, addr_of(buf.mid()));
    std::vector<uint8_t> want = buf.bytes;
    const uint8_t* zt = m.s->z[3];
    for (unsigned i = 0; i < kVectorBytes / c.esize; ++i)
      if (case_active(i)) std::memcpy(want.data() + 4096 + c.delta0 + int64_t{i} * c.delta_step, zt + i * c.esize, c.msize);
    ASSERT_EQ(m.run(c.word, c.form), KALT64_DECODE_OK);
    EXPECT_EQ(buf.bytes, want) << c.form;
  }
}

TEST(ScattersDeathTest, AScatterThatFaultsWritesNothing) {
#if defined(__SANITIZE_ADDRESS__)
  GTEST_SKIP() << "AddressSanitizer handles SIGSEGV itself";
#endif
  ::testing::FLAGS_gtest_death_test_style = "fast";
  // A shared file mapping keeps what the dying child stored; its second page
  // is unmapped. st1d {z3.d}, p1, [x1, z4.d]: every element but the last in
  // the first page, the last in the second.
  char path[] = "/tmp/qrx_scatter_XXXXXX";
  int fd = mkstemp(path);
  ASSERT_GE(fd, 0);
  const size_t page = static_cast<size_t>(sysconf(_SC_PAGESIZE));
  ASSERT_EQ(ftruncate(fd, static_cast<off_t>(page)), 0);
  auto* mem = static_cast<uint8_t*>(mmap(nullptr, 2 * page, PROT_READ | PROT_WRITE, MAP_SHARED, fd, 0));
  ASSERT_NE(mem, MAP_FAILED);
  munmap(mem + page, page);
  qrx_test::Machine m;
  m.fill<uint64_t>(3, 0x0123456789ABCDEFull);
  for (unsigned i = 0; i < kDwords; ++i) m.set<uint64_t>(4, i, i + 1 < kDwords ? 8 * i : page + 8);
  m.all_true(kPg, 8);
  m.s->x[1] = addr_of(mem);
  EXPECT_EXIT(m.run(0xe584a423, "VecU64Store8VSZ"), ::testing::KilledBySignal(SIGSEGV), "");
  for (unsigned i = 0; i < (kDwords - 1) * 8; ++i) EXPECT_EQ(mem[i], 0) << i;
  munmap(mem, page);
  close(fd);
  unlink(path);
}

// ----- Structure loads and stores -----

struct StructureCase {
  uint32_t word;
  const char* form;
  unsigned n, esize, zt;
  bool load;
  uint64_t x2;
  int64_t start;  // the block's start from X1
};
const StructureCase kStructures[] = {
    // ld3w {z30.s, z31.s, z0.s}, p1/z, [x1, #-3, mul vl]
    {0xa54fe43e, "VecU32E3Load4SIZ", 3, 4, 30, true, 0, -3 * int64_t{kVectorBytes}},
    // ld2d {z4.d, z5.d}, p1/z, [x1, x2, lsl #3]
    {0xa5a2c424, "VecU64E2Load8LSSZ", 2, 8, 4, true, 5, 40},
    // ld4b {z4.b-z7.b}, p1/z, [x1, x2]
    {0xa462c424, "VecU8E4Load1LSSZ", 4, 1, 4, true, 3, 3},
    // st2b {z4.b, z5.b}, p1, [x1]
    {0xe430e424, "VecU8E2Store1SIZ", 2, 1, 4, false, 0, 0},
    // st3h {z31.h, z0.h, z1.h}, p1, [x1, x2, lsl #1]
    {0xe4c2643f, "VecU16E3Store2LSSZ", 3, 2, 31, false, ~uint64_t{0} - 99, -200},
    // st4d {z4.d-z7.d}, p1, [x1, #4, mul vl]: one block of four registers on.
    {0xe5f1e424, "VecU64E4Store8SIZ", 4, 8, 4, false, 0, 4 * int64_t{kVectorBytes}},
};

TEST(Structures, RegisterListsWrapAndInactiveElementsAreZeroOrUntouched) {
  for (const StructureCase& c : kStructures) {
    Buffer buf;
    if (!c.load) std::memset(buf.bytes.data(), 0xEE, buf.bytes.size());
    qrx_test::Machine m;
    for (unsigned z = 0; z < 32; ++z)
      for (unsigned i = 0; i < kVectorBytes; ++i) m.s->z[z][i] = pattern(z * 7 + i);
    const unsigned count = kVectorBytes / c.esize;
    std::memset(m.s->p[kPg], 0, kPredicateBytes);
    for (unsigned i = 0; i < count; ++i) m.s->p[kPg][i * c.esize] = case_active(i);
    m.s->x[1] = addr_of(buf.mid());
    m.s->x[2] = c.x2;
    std::vector<uint8_t> want = buf.bytes;
    cpu_state before = *m.s;
    ASSERT_EQ(m.run(c.word, c.form), KALT64_DECODE_OK);
    for (unsigned r = 0; r < c.n; ++r) {
      const unsigned z = (c.zt + r) % 32;
      for (unsigned i = 0; i < count; ++i) {
        uint8_t* at = want.data() + 4096 + c.start + int64_t{(i * c.n + r) * c.esize};
        if (c.load) {
          uint64_t v = case_active(i) ? load_value(at, c.esize, false) : 0;
          ASSERT_EQ(m.element(z, i, c.esize), v) << c.form << " z" << z << " element " << i;
        } else if (case_active(i)) {
          std::memcpy(at, before.z[z] + i * c.esize, c.esize);
        }
      }
    }
    if (c.load) {
      EXPECT_EQ(std::memcmp(m.s->z[(c.zt + c.n) % 32], before.z[(c.zt + c.n) % 32], kVectorBytes), 0) << c.form;
    } else {
      EXPECT_EQ(buf.bytes, want) << c.form;
    }
  }
}

// ----- First-fault gathers at a page edge -----

// Two readable pages of pattern bytes followed by an unreadable one:
// unmapped, PROT_NONE, or a shared file mapping past the file's end (SIGBUS).
enum class after { unmapped, prot_none, past_eof };
struct EdgePage {
  uint8_t* base = nullptr;
  size_t page = static_cast<size_t>(sysconf(_SC_PAGESIZE));
  int fd = -1;
  char path[32] = "/tmp/qrx_gather_XXXXXX";
  explicit EdgePage(after kind) {
    if (kind == after::past_eof) {
      fd = mkstemp(path);
      if (fd < 0 || ftruncate(fd, static_cast<off_t>(2 * page)) != 0) return;
      base = static_cast<uint8_t*>(mmap(nullptr, 3 * page, PROT_READ | PROT_WRITE, MAP_SHARED, fd, 0));
    } else {
      base = static_cast<uint8_t*>(mmap(nullptr, 3 * page, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0));
    }
    if (base == MAP_FAILED) {
      base = nullptr;
      return;
    }
    for (size_t i = 0; i < 2 * page; ++i) base[i] = pattern(i);
    if (kind == after::prot_none) mprotect(base + 2 * page, page, PROT_NONE);
    if (kind == after::unmapped) munmap(base + 2 * page, page);
  }
  ~EdgePage() {
    if (base) munmap(base, 3 * page);
    if (fd >= 0) {
      close(fd);
      unlink(path);
    }
  }
  uint8_t* edge() const { return base + 2 * page; }
};

// ldff1d {z3.d}, p1/z, [x1, z4.d] with X1 = the edge: element i at the edge
// plus offset[i] (the last offset repeats), active where `active` has bit i.
// Elements from `stop` on (when the vector has that many) are zero and their
// FFR bytes cleared; the FFR bytes below it keep their values (element 1's
// starts at 0).
constexpr int64_t kAcrossPages = INT64_MIN;  // 4 bytes before the boundary of the two readable pages
struct FirstFaultCase {
  const char* what;
  std::vector<int64_t> offset;
  uint64_t active;  // bit i: element i (up to 64 elements, 2048 bits of D)
  unsigned stop;
};
constexpr uint64_t kAllActive = ~uint64_t{0};
constexpr unsigned kNoStop = ~0u;
static_assert(kDwords <= 64, "one mask bit per element");
const FirstFaultCase kFirstFault[] = {
    {"ascending into the next page", {-40, -32, -24, -16, -8, 0, 8}, kAllActive, 5},
    {"an element straddling the edge", {-12, -4, -20}, kAllActive, 1},
    {"a readable element after an unreadable one", {-8, 64, -16}, kAllActive, 1},
    {"unreadable inactive elements before the first active", {100, 100, 100, -8, 0}, ~uint64_t{7}, 4},
    {"only inactive elements unreadable", {-8, 0, -16, 0, -24}, 0x15, kNoStop},
    {"an element across two readable pages", {-8, kAcrossPages, -16}, kAllActive, kNoStop},
};

TEST(FirstFaultGathers, StopAtTheFirstUnreadableLaterElement) {
  for (after kind : {after::unmapped, after::prot_none, after::past_eof}) {
    EdgePage page(kind);
    ASSERT_NE(page.base, nullptr);
    for (const FirstFaultCase& c : kFirstFault) {
      qrx_test::Machine m;
      m.fill<uint64_t>(3, 0x5555);
      m.s->x[1] = addr_of(page.edge());
      std::memset(m.s->p[kPg], 0, kPredicateBytes);
      std::memset(m.s->ffr, 1, kPredicateBytes);
      m.s->ffr[8] = 0;
      for (unsigned i = 0; i < kDwords; ++i) {
        int64_t off = c.offset[i < c.offset.size() ? i : c.offset.size() - 1];
        m.set<int64_t>(4, i, off == kAcrossPages ? -static_cast<int64_t>(page.page) - 4 : off);
        m.s->p[kPg][8 * i] = (c.active >> i) & 1;
      }
      ASSERT_EQ(m.run(0xc5c4e423, "VecU64LoadFF8VSZ"), KALT64_DECODE_OK);
      for (unsigned i = 0; i < kDwords; ++i) {
        uint64_t want = 0;
        if (i < c.stop && ((c.active >> i) & 1)) std::memcpy(&want, page.edge() + m.get<int64_t>(4, i), 8);
        EXPECT_EQ(m.get<uint64_t>(3, i), want) << c.what << " element " << i;
        EXPECT_EQ(m.s->ffr[8 * i], i >= c.stop ? 0 : i == 1 ? 0 : 1) << c.what << " element " << i;
      }
    }
  }
}

TEST(FirstFaultGathersDeathTest, AnUnreadableFirstActiveElementFaults) {
#if defined(__SANITIZE_ADDRESS__)
  GTEST_SKIP() << "AddressSanitizer handles SIGSEGV itself";
#endif
  ::testing::FLAGS_gtest_death_test_style = "fast";  // forks: also where the tests run under a processor model
  EdgePage page(after::unmapped);
  qrx_test::Machine m;
  m.s->x[1] = addr_of(page.edge());
  m.all_true(kPg, 8);
  EXPECT_EXIT(m.run(0xc5c4e423, "VecU64LoadFF8VSZ"), ::testing::KilledBySignal(SIGSEGV), "");
}

}  // namespace
