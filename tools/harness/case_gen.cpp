#include "case_gen.h"

#include <cstring>
#include <regex>

#include "qrx/handlers/handler_support.h"
#include "qrx/library/int_ops.h"

namespace qrx {
namespace harness {

namespace {

struct rng {
  uint64_t st;
  uint64_t next() { return splitmix64(&st); }
  uint64_t below(uint64_t n) { return next() % n; }
  bool one_in(unsigned n) { return below(n) == 0; }
};

// Words the tables accept and the model rejects.
enum class reject { shifted_byte_imm, bad_bitmask_imm, scalar_index_31 };
struct reject_rule {
  const char* forms;
  reject kind;
};
const reject_rule kRejectRules[] = {
    // The shift flag (bit 13) of a byte-element immediate.
    {"^Vec[US]8(Add|Sub|SubR|QAdd|QSub)VIX$|^VecS8Dup(I|IZ|IM)$", reject::shifted_byte_imm},
    // Reserved N:immr:imms bitmask immediates.
    {"^VecU64(Or|Xor|And)VIX$|^VecS64DupMaskI$", reject::bad_bitmask_imm},
    // Scalar-plus-scalar memory forms name no offset register with Rm = 31.
    {"(LSS|LSSZ|QSSZ)$", reject::scalar_index_31},
};

bool valid_bitmask_imm(uint32_t w) {
  uint64_t pattern;
  return decode_logical_imm(field(w, 17, 17), field(w, 16, 11), field(w, 10, 5), &pattern);
}

const std::regex& rule_regex(size_t i) {
  static const std::vector<std::regex> compiled = [] {
    std::vector<std::regex> v;
    for (const reject_rule& r : kRejectRules) v.emplace_back(r.forms);
    return v;
  }();
  return compiled[i];
}

// Special values per element width: zeros, infinities, quiet and signalling
// NaNs, subnormals, extremes, and a few ordinary and integer-edge values.
const uint64_t kSpecialH[] = {0x0000, 0x8000, 0x7c00, 0xfc00, 0x7e00, 0xfe01, 0x7d00, 0xfc01, 0x0001, 0x83ff,
                              0x0400, 0x7bff, 0xfbff, 0x3c00, 0xbc00, 0x3800, 0x3bff, 0x6800, 0x7800, 0x0200};
const uint64_t kSpecialS[] = {0x00000000, 0x80000000, 0x7f800000, 0xff800000, 0x7fc00000, 0xffc00001,
                              0x7fa00000, 0xff800001, 0x00000001, 0x807fffff, 0x00800000, 0x7f7fffff,
                              0xff7fffff, 0x3f800000, 0xbf800000, 0x3f000000, 0x3effffff, 0x4b000000,
                              0x4f000000, 0x5f000000, 0xcf000000, 0x00400000};
const uint64_t kSpecialD[] = {0x0000000000000000ull, 0x8000000000000000ull, 0x7ff0000000000000ull,
                              0xfff0000000000000ull, 0x7ff8000000000000ull, 0xfff8000000000001ull,
                              0x7ff4000000000000ull, 0xfff0000000000001ull, 0x0000000000000001ull,
                              0x800fffffffffffffull, 0x0010000000000000ull, 0x7fefffffffffffffull,
                              0xffefffffffffffffull, 0x3ff0000000000000ull, 0xbff0000000000000ull,
                              0x3fe0000000000000ull, 0x4330000000000000ull, 0x43e0000000000000ull,
                              0x41e0000000000000ull, 0xc3e0000000000000ull, 0x0008000000000000ull};
const uint64_t kSpecialX[] = {0, 1, ~0ull, 0x7fffffffffffffffull, 0x8000000000000000ull,
                              0xffffffffull, 0x7fffffffull, 0x80000000ull, 0xffffull, 0x80ull, 0x7full};

template <size_t N>
uint64_t pick(rng& r, const uint64_t (&table)[N]) { return table[r.below(N)]; }

void store_le(uint8_t* p, uint64_t v, unsigned bytes) {
  for (unsigned b = 0; b < bytes; ++b) p[b] = static_cast<uint8_t>(v >> (8 * b));
}

enum flavour : unsigned { kRandom, kFpSpecial, kPredPatterns, kNearEnd, kFlavours };

void fill_vector(rng& r, unsigned flav, uint8_t* z) {
  unsigned mode = flav == kFpSpecial ? 1 + static_cast<unsigned>(r.below(3)) : static_cast<unsigned>(r.below(6));
  unsigned esize = 1u << (1 + r.below(3));  // for the special modes: 2, 4 or 8 bytes
  uint64_t splat = r.next();
  for (unsigned i = 0; i < kVectorBytes; i += 8) store_le(z + i, r.next(), 8);
  switch (mode) {
    case 1: case 2: case 3:  // floating-point specials mixed with random lanes
      for (unsigned i = 0; i < kVectorBytes; i += esize) {
        if (r.one_in(4)) continue;
        uint64_t v = esize == 2 ? pick(r, kSpecialH) : esize == 4 ? pick(r, kSpecialS) : pick(r, kSpecialD);
        store_le(z + i, v, esize);
      }
      break;
    case 4:  // small integers
      for (unsigned i = 0; i < kVectorBytes; ++i) z[i] = static_cast<uint8_t>(r.below(4) == 0 ? r.next() : r.below(3));
      break;
    case 5:  // one element replicated
      for (unsigned i = 0; i < kVectorBytes; i += esize) store_le(z + i, splat, esize);
      break;
    default: break;  // random bytes
  }
}

void fill_predicate(rng& r, unsigned flav, uint8_t* p) {
  unsigned esize = 1u << r.below(4);
  unsigned kind = flav == kPredPatterns ? static_cast<unsigned>(r.below(4)) : static_cast<unsigned>(3 + r.below(3));
  std::memset(p, 0, kPredicateBytes);
  switch (kind) {
    case 0: for (unsigned i = 0; i < kPredicateBytes; i += esize) p[i] = 1; break;  // all true
    case 1: break;                                                                 // all false
    case 2: p[r.below(kPredicateBytes / esize) * esize] = 1; break;                 // single element
    case 3: case 4:                                                                 // random elements
      for (unsigned i = 0; i < kPredicateBytes; i += esize) p[i] = r.next() & 1;
      break;
    default:                                                                        // random bits
      for (unsigned i = 0; i < kPredicateBytes; ++i) p[i] = r.next() & 1;
      break;
  }
}

uint32_t random_fpcr(rng& r, unsigned flav) {
  if (flav != kFpSpecial && !r.one_in(4)) return 0;
  uint32_t v = static_cast<uint32_t>(r.below(4)) << 22;  // rounding mode
  const unsigned kModeBits[] = {24, 25, 26, 19};         // FZ, DN, AHP, FZ16
  for (unsigned b : kModeBits)
    if (r.one_in(3)) v |= 1u << b;
  return v;
}

// An address in the region: near its end (the accesses may run into the
// guard page) or in its middle, with room for any immediate offset.
uint64_t region_address(rng& r, bool near_end, unsigned align) {
  uint64_t a = near_end ? kRegionEnd - 8 - r.below(320) : kRegionBase + kRegionBytes / 2 - 4096 + r.below(8192);
  return a & ~uint64_t{align - 1};
}

// Moves the base register so that the contiguous block starts `before`
// bytes before the region's end (the offset part of the address stays).
void aim_block_at_end(rng& r, const memory_block& b, bool plain_load, unsigned edge, uint32_t word, machine_state* s) {
  uint64_t block = uint64_t{b.count} * b.msize;
  uint64_t start = edge ? kRegionEnd - edge : kRegionEnd - 1 - r.below(block + 16);
  // The model cannot run a plain load whose later active element straddles
  // the end of readable memory (it stops with an internal error instead of
  // faulting), so plain loads keep their elements aligned to the region's
  // end; first-fault and non-fault loads and stores straddle it freely.
  if ((r.one_in(2) && !edge) || plain_load) start &= ~uint64_t{b.msize - 1};
  unsigned rn = field(word, 9, 5);
  if (rn == 31)
    s->sp = (s->sp + start - b.addr) & ~uint64_t{15};  // the stack pointer stays aligned
  else
    s->x[rn] += start - b.addr;
}

// Gathers and scatters: the form's lanes, memory element size and offset
// shape, from its name.
struct vector_access {
  unsigned lane, msize;
  bool vector_base, scaled, first_fault, load;
  char ext;  // 'n' the whole lane, 's' / 'u' the low 32 bits sign- / zero-extended
};
bool vector_access_form(const char* form, vector_access* a) {
  static const std::regex shape("^Vec[US](32|64)(Load|LoadFF|Store)([1248])(VIZ|VSZ|XVSZ|YVSZ|SVZ|XSVZ|YSVZ)$");
  std::cmatch m;
  if (!std::regex_match(form, m, shape)) return false;
  const std::string sh = m[4].str();
  a->lane = m[1] == "32" ? 4 : 8;
  a->msize = static_cast<unsigned>(std::stoul(m[3].str()));
  a->vector_base = sh == "VIZ";
  a->scaled = sh.find("SV") != std::string::npos;
  a->first_fault = m[2] == "LoadFF";
  a->load = m[2] != "Store";
  a->ext = sh[0] == 'X' ? 's' : sh[0] == 'Y' ? 'u' : 'n';
  return true;
}

// Element addresses of a gather or scatter around its base, in the region:
// offsets of either sign where the form's extension allows (a 64-bit
// offset below zero wraps around 2^64), random high words where the form
// reads only the low 32 bits, and in one case in sixteen a zero-extended
// low word of all ones (2^32 - 1, far beyond the region). In the near-end
// flavour the elements ascend from a few elements before the region's end
// into the guard page, so that first-fault gathers stop there (plain
// gathers keep their elements whole: the model cannot run a plain load
// whose element straddles the end of readable memory).
void aim_vector_access(rng& r, bool near_end, const vector_access& a, uint32_t word, machine_state* s) {
  const unsigned n = kVectorBytes / a.lane, rn = field(word, 9, 5), rm = field(word, 20, 16);
  const bool negative_ok = a.ext == 's' || (a.ext == 'n' && a.lane == 8);
  const bool straddle = a.first_fault && !a.scaled && r.one_in(2);
  const uint64_t lead = uint64_t{r.below(n + 2)} * a.msize + (straddle ? r.below(a.msize) : 0);
  const unsigned step = static_cast<unsigned>(r.below(3));  // 0: one address for every element
  uint64_t base = near_end ? kRegionEnd - lead : kRegionBase + kRegionBytes / 2 + 8 * r.below(512);
  if (a.vector_base) {
    uint64_t imm_bytes = uint64_t{field(word, 20, 16)} * a.msize;
    for (unsigned i = 0; i < n; ++i) {
      uint64_t at = near_end ? base + uint64_t{i} * step * a.msize : region_address(r, false, a.msize);
      store_le(s->z[rn] + i * a.lane, at - imm_bytes, a.lane);
    }
    return;
  }
  if (rn == 31)
    s->sp = base & ~uint64_t{15};  // the stack pointer stays aligned
  else
    s->x[rn] = base;
  const unsigned wide_low_word = a.ext == 'u' && r.one_in(16) ? static_cast<unsigned>(r.below(n)) : n;
  for (unsigned i = 0; i < n; ++i) {
    int64_t k = near_end ? int64_t{i} * step : static_cast<int64_t>(r.below(96)) - (negative_ok ? 32 : 0);
    int64_t misalign = !a.scaled && !near_end && r.one_in(4) ? static_cast<int64_t>(r.below(a.msize)) : 0;
    uint64_t off = static_cast<uint64_t>(a.scaled ? k : k * a.msize + misalign);
    if (a.ext != 'n' && a.lane == 8) off = (off & 0xffffffffull) | (r.next() << 32);
    if (i == wide_low_word) off |= 0xffffffffull;
    store_le(s->z[rm] + i * a.lane, off, a.lane);
  }
}

void point_into_region(rng& r, unsigned flav, const sweep_shape& shape, uint32_t word, machine_state* s) {
  const DecodeEntry* e = find_entry(word);
  const char* name = e ? e->name : "";
  bool near_end = flav == kNearEnd;
  unsigned rn = field(word, 9, 5), rm = field(word, 20, 16);
  bool lanes32 = std::strncmp(name, "VecU32", 6) == 0 || std::strncmp(name, "VecS32", 6) == 0;
  unsigned lane = lanes32 ? 4 : 8;

  for (unsigned i = 0; i < 31; ++i) s->x[i] = r.below(16);  // scalar offsets stay small
  uint64_t base = region_address(r, near_end, r.one_in(4) ? 1 : 16);
  size_t len = std::strlen(name);
  bool fill_spill = len > 6 && (std::strcmp(name + len - 6, "FillSI") == 0 || std::strcmp(name + len - 7, "SpillSI") == 0);
  if (fill_spill) {
    // The signed 9-bit offset counts whole registers: aim at the region.
    int64_t imm9 = sfield((field(word, 21, 16) << 3) | field(word, 12, 10), 8, 0);
    uint64_t unit = std::strncmp(name, "VecP", 4) == 0 ? kPackedPredBytes : kVectorBytes;
    base -= static_cast<uint64_t>(imm9) * unit;
  }
  // The model cannot run a structure load whose block runs from readable
  // memory into the guard page (it stops with an internal error): such a
  // block moves down by its own length, wholly into the region (a multiple
  // of 16 bytes, so a stack-pointer base stays aligned).
  static const std::regex structure_load("^VecU(8|16|32|64)E([234])Load[1248](SIZ|LSSZ)$");
  std::cmatch m;
  if (std::regex_match(name, m, structure_load)) {
    const uint64_t esize = std::stoul(m[1].str()) / 8, block = std::stoul(m[2].str()) * kVectorBytes;
    const uint64_t b = rn == 31 ? base & ~uint64_t{15} : base;
    const uint64_t start = m[3] == "SIZ" ? b + static_cast<uint64_t>(int64_t{sfield(word, 19, 16)}) * block
                                         : b + s->x[field(word, 20, 16)] * esize;
    if (start < kRegionEnd && start + block > kRegionEnd) base -= block;
  }
  s->sp = region_address(r, false, 16);
  if (rn == 31)
    s->sp = base & ~uint64_t{15};
  else
    s->x[rn] = base;

  // Vector offsets (Zm) small, vector bases (Zn) inside the region.
  for (unsigned i = 0; i < kVectorBytes; i += lane) store_le(s->z[rm] + i, r.below(512), lane);
  for (unsigned i = 0; i < kVectorBytes; i += lane) store_le(s->z[rn] + i, region_address(r, near_end, r.one_in(2) ? 8 : 1), lane);

  vector_access va;
  if (vector_access_form(name, &va)) {
    aim_vector_access(r, near_end, va, word, s);
    return;
  }

  memory_block b;
  bool speculative = std::strstr(name, "CLoadFF") || std::strstr(name, "CLoadNF");
  if (speculative && contiguous_block(name, word, *s, &b)) {
    // Random cases govern every element; sweeps place the first active
    // element and the gaps after it.
    std::memset(s->p[b.pg], 0, kPredicateBytes);
    unsigned stride = shape.stride ? shape.stride : 1;
    for (unsigned i = shape.first_active % b.count; i < b.count; i += stride) s->p[b.pg][i * b.esize] = 1;
  }
  if (near_end && contiguous_block(name, word, *s, &b)) {
    bool plain_load = std::strstr(name, "CLoad") && !std::strstr(name, "CLoadFF") && !std::strstr(name, "CLoadNF");
    aim_block_at_end(r, b, plain_load, shape.edge, word, s);
  }
}

}  // namespace

bool contiguous_block(const char* form, uint32_t word, const machine_state& s, memory_block* b) {
  static const std::regex shape("^Vec[US](8|16|32|64)C(Load|Store)(NT|FF|NF)?([1248])(SIZ|LSSZ)$");
  std::cmatch m;
  if (!std::regex_match(form, m, shape)) return false;
  b->esize = static_cast<unsigned>(std::stoul(m[1].str())) / 8;
  b->msize = static_cast<unsigned>(std::stoul(m[4].str()));
  b->count = kVectorBytes / b->esize;
  b->pg = field(word, 12, 10);
  unsigned rn = field(word, 9, 5), rm = field(word, 20, 16);
  uint64_t base = rn == 31 ? s.sp : s.x[rn];
  if (m[5] == "SIZ")
    b->addr = base + static_cast<uint64_t>(int64_t{sfield(word, 19, 16)} * b->count * b->msize);
  else
    b->addr = base + (rm == 31 ? 0 : s.x[rm]) * b->msize;
  return true;
}

bool straddles_region_end(const memory_block& b, const machine_state& s) {
  for (unsigned i = 0; i < b.count; ++i) {
    uint64_t first = b.addr + uint64_t{i} * b.msize, last = first + b.msize - 1;
    if ((s.p[b.pg][i * b.esize] & 1) && first < kRegionEnd && last >= kRegionEnd && first >= kRegionBase) return true;
  }
  return false;
}

bool has_inactive_element(const memory_block& b, const machine_state& s) {
  for (unsigned i = 0; i < b.count; ++i)
    if (!(s.p[b.pg][i * b.esize] & 1)) return true;
  return false;
}

uint64_t case_seed(uint64_t run_seed, unsigned form, unsigned index) {
  uint64_t st = run_seed ^ (uint64_t{form} << 32) ^ index;
  splitmix64(&st);
  return splitmix64(&st) | 1;  // never 0, which would mean a zero region
}

bool model_rejects(const char* form, uint32_t word) {
  for (size_t i = 0; i < sizeof kRejectRules / sizeof kRejectRules[0]; ++i) {
    if (!std::regex_search(form, rule_regex(i))) continue;
    switch (kRejectRules[i].kind) {
      case reject::shifted_byte_imm: if (field(word, 13, 13)) return true; break;
      case reject::bad_bitmask_imm: if (!valid_bitmask_imm(word)) return true; break;
      case reject::scalar_index_31: if (field(word, 20, 16) == 31) return true; break;
    }
  }
  return false;
}

uint32_t make_case_word(const DecodeTable& table, const DecodeEntry& entry, uint64_t seed) {
  rng r{seed ^ 0x5157u};
  uint32_t word = entry.pattern;
  for (unsigned tries = 0; tries < 256; ++tries) {
    word = entry.pattern | (static_cast<uint32_t>(r.next()) & ~table.mask);
    bool clash = is_memory_word(word) && field(word, 20, 16) == field(word, 9, 5) && (~table.mask & 0x1f0000u);
    if (!model_rejects(entry.name, word) && !clash) break;
  }
  return word;
}

void make_case_state(uint64_t seed, uint32_t word, machine_state* s, sweep_shape shape) {
  rng r{seed};
  unsigned flav = static_cast<unsigned>(r.below(kFlavours));
  if (shape.edge) flav = kNearEnd;
  reset_state(s, r.next() | 1);
  for (uint64_t& x : s->x) {
    unsigned k = static_cast<unsigned>(r.below(4));
    x = k == 0 ? pick(r, kSpecialX) : k == 1 ? r.below(256) : r.next();
  }
  s->sp = region_address(r, false, 16);
  s->nzcv = (r.next() & 0xf) << 28;
  s->fpsr = r.one_in(4) ? static_cast<uint32_t>(r.next()) & 0x0800009fu : 0;
  s->fpcr = random_fpcr(r, flav);
  for (auto& z : s->z) fill_vector(r, flav, z);
  for (auto& p : s->p) fill_predicate(r, flav, p);
  if (r.one_in(4)) fill_predicate(r, kRandom, s->ffr);
  if (is_memory_word(word)) point_into_region(r, flav, shape, word, s);
}

}  // namespace harness
}  // namespace qrx
