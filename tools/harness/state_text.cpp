#include "state_text.h"

#include <cinttypes>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <sstream>

#include "qrx/library/pred_pack.h"

namespace qrx {
namespace harness {

namespace {

enum class kind { u64, u32, vec, pred, mem };

struct field_view {
  std::string name;
  kind k;
  const uint8_t* data;
  size_t size;
};

// Every field of a state in register-file order.
std::vector<field_view> fields_of(const machine_state& s) {
  std::vector<field_view> f;
  auto bytes = [](const void* p) { return static_cast<const uint8_t*>(p); };
  for (unsigned i = 0; i < 31; ++i) f.push_back({"x" + std::to_string(i), kind::u64, bytes(&s.x[i]), 8});
  f.push_back({"sp", kind::u64, bytes(&s.sp), 8});
  f.push_back({"nzcv", kind::u64, bytes(&s.nzcv), 8});
  f.push_back({"fpsr", kind::u32, bytes(&s.fpsr), 4});
  f.push_back({"fpcr", kind::u32, bytes(&s.fpcr), 4});
  for (unsigned i = 0; i < 32; ++i) f.push_back({"z" + std::to_string(i), kind::vec, s.z[i], kVectorBytes});
  for (unsigned i = 0; i < 16; ++i) f.push_back({"p" + std::to_string(i), kind::pred, s.p[i], kPredicateBytes});
  f.push_back({"ffr", kind::pred, s.ffr, kPredicateBytes});
  f.push_back({"mem", kind::mem, s.mem, kRegionBytes});
  return f;
}

uint64_t load_le(const uint8_t* p, size_t n) {
  uint64_t v = 0;
  for (size_t i = 0; i < n; ++i) v |= uint64_t{p[i]} << (8 * i);
  return v;
}

std::string hex(uint64_t v, int digits) {
  char buf[24];
  std::snprintf(buf, sizeof buf, "0x%0*" PRIx64, digits, v);
  return buf;
}

std::string bits(const uint8_t* p) {
  std::string out;
  for (unsigned j = 0; j < kPredicateBits; ++j) {
    if (j && j % 8 == 0) out += ' ';
    out += (p[j] & 1) ? '1' : '0';
  }
  return out;
}

// Condition flags as letters, upper case when set: "nZCv".
std::string flags(uint64_t nzcv) {
  std::string out = "nzcv";
  for (unsigned i = 0; i < 4; ++i)
    if ((nzcv >> (31 - i)) & 1) out[i] = static_cast<char>(out[i] - 'a' + 'A');
  return out;
}

std::string hex_bytes(const uint8_t* p, size_t n) {
  std::string out;
  char buf[4];
  for (size_t i = 0; i < n; ++i) {
    std::snprintf(buf, sizeof buf, "%02x", p[i]);
    out += buf;
  }
  return out;
}

// The first line of every state print_state writes.
constexpr char kHeader[] = "# Kalt64 QRX machine state\n";

constexpr unsigned kWordsPerLine = 6;
constexpr unsigned kGroupsPerLine = 9;
constexpr size_t kMemLine = 32;

void print_field(std::ostringstream& os, const field_view& f) {
  char key[16];
  std::snprintf(key, sizeof key, "%-4s =", f.name.c_str());
  const std::string indent(std::strlen(key), ' ');
  switch (f.k) {
    case kind::u64: os << key << ' ' << hex(load_le(f.data, 8), 16) << '\n'; break;
    case kind::u32: os << key << ' ' << hex(load_le(f.data, 4), 8) << '\n'; break;
    case kind::vec:
      for (unsigned d = 0; d < kDwordElems; ++d) {
        os << (d == 0 ? key : d % kWordsPerLine == 0 ? "\n" + indent : std::string()) << ' '
           << hex(load_le(f.data + 8 * d, 8), 16);
      }
      os << '\n';
      break;
    case kind::pred: {
      std::string b = bits(f.data);
      const size_t per_line = kGroupsPerLine * 9;
      for (size_t at = 0; at < b.size(); at += per_line)
        os << (at == 0 ? key : indent) << ' ' << b.substr(at, per_line - 1) << '\n';
      break;
    }
    case kind::mem: break;
  }
}

bool parse_u64(const std::string& tok, uint64_t max, uint64_t* v) {
  if (tok.empty() || tok[0] == '-') return false;
  char* end = nullptr;
  errno = 0;
  unsigned long long r = std::strtoull(tok.c_str(), &end, 0);
  if (errno || *end || r > max) return false;
  *v = r;
  return true;
}

// The register a name like "z12" names, or -1.
int reg_index(const std::string& key, char prefix, int count) {
  if (key.size() < 2 || key[0] != prefix) return -1;
  for (size_t i = 1; i < key.size(); ++i)
    if (key[i] < '0' || key[i] > '9') return -1;
  if (key.size() > 3 || (key.size() == 3 && key[1] == '0')) return -1;
  int n = std::atoi(key.c_str() + 1);
  return n < count ? n : -1;
}

struct entry {
  std::string key;
  std::vector<std::string> toks;
  int line;
};

}  // namespace

void reset_state(machine_state* s, uint64_t mem_seed) {
  std::memset(s, 0, sizeof *s);
  std::memset(s->ffr, 1, sizeof s->ffr);
  s->mem_seed = mem_seed;
  fill_region(mem_seed, s->mem);
}

std::string print_state(const machine_state& s) {
  std::ostringstream os;
  os << kHeader;
  for (const field_view& f : fields_of(s)) print_field(os, f);
  os << "mem.seed = " << hex(s.mem_seed, 1) << '\n';
  static uint8_t fill[kRegionBytes];
  fill_region(s.mem_seed, fill);
  for (size_t off = 0; off < kRegionBytes; off += kMemLine) {
    if (std::memcmp(fill + off, s.mem + off, kMemLine) != 0)
      os << "mem +" << hex(off, 4) << " = " << hex_bytes(s.mem + off, kMemLine) << '\n';
  }
  return os.str();
}

bool parse_state(const std::string& text, machine_state* s, std::string* error) {
  std::vector<entry> entries;
  std::istringstream in(text);
  std::string line;
  int lineno = 0;
  auto fail = [&](int at, const std::string& what) {
    *error = "line " + std::to_string(at) + ": " + what;
    return false;
  };
  // A state that print_state wrote holds every field: one that lacks any is
  // cut short, not a state whose missing fields are zero.
  const bool whole = text.compare(0, sizeof kHeader - 1, kHeader) == 0;
  while (std::getline(in, line)) {
    ++lineno;
    if (in.eof() && whole)
      return fail(lineno, "the file ends inside this line (the state is cut short)");
    line = line.substr(0, line.find('#'));
    if (line.find_first_not_of(" \t\r") == std::string::npos) continue;
    std::istringstream ls;
    if (line[0] == ' ' || line[0] == '\t') {
      if (entries.empty()) return fail(lineno, "continuation line without a field");
      ls.str(line);
    } else {
      size_t eq = line.find('=');
      if (eq == std::string::npos) return fail(lineno, "expected 'field = value'");
      std::string key = line.substr(0, eq);
      key.erase(key.find_last_not_of(" \t") + 1);
      entries.push_back({key, {}, lineno});
      ls.str(line.substr(eq + 1));
    }
    for (std::string tok; ls >> tok;) entries.back().toks.push_back(tok);
  }

  uint64_t seed = 0;
  for (size_t i = 0; i < entries.size(); ++i) {
    const entry& e = entries[i];
    for (size_t j = 0; j < i; ++j)
      if (entries[j].key == e.key)
        return fail(e.line, e.key + " given twice (first on line " + std::to_string(entries[j].line) + ")");
    if (e.key == "mem.seed" && (e.toks.size() != 1 || !parse_u64(e.toks[0], UINT64_MAX, &seed)))
      return fail(e.line, "mem.seed takes one number");
  }
  reset_state(s, seed);
  if (whole) {
    std::vector<std::string> wanted;
    for (const field_view& f : fields_of(*s)) wanted.push_back(f.k == kind::mem ? "mem.seed" : f.name);
    for (const std::string& name : wanted) {
      bool given = false;
      for (const entry& e : entries) given = given || e.key == name;
      if (!given) return fail(lineno, name + " is missing (the state is cut short)");
    }
  }

  for (const entry& e : entries) {
    const std::string& k = e.key;
    uint64_t v = 0;
    int n;
    auto scalar = [&](uint64_t max) {
      return e.toks.size() == 1 && parse_u64(e.toks[0], max, &v);
    };
    if (k == "mem.seed") continue;
    if ((n = reg_index(k, 'x', 31)) >= 0 || k == "sp" || k == "nzcv") {
      if (!scalar(UINT64_MAX)) return fail(e.line, k + " takes one 64-bit number");
      (n >= 0 ? s->x[n] : k == "sp" ? s->sp : s->nzcv) = v;
    } else if (k == "fpsr" || k == "fpcr") {
      if (!scalar(UINT32_MAX)) return fail(e.line, k + " takes one 32-bit number");
      (k == "fpsr" ? s->fpsr : s->fpcr) = static_cast<uint32_t>(v);
    } else if ((n = reg_index(k, 'z', 32)) >= 0) {
      if (e.toks.size() != kDwordElems)
        return fail(e.line, k + " takes " + std::to_string(kDwordElems) + " doublewords, element 0 first");
      for (unsigned d = 0; d < kDwordElems; ++d) {
        if (!parse_u64(e.toks[d], UINT64_MAX, &v)) return fail(e.line, k + " has a bad doubleword '" + e.toks[d] + "'");
        for (unsigned b = 0; b < 8; ++b) s->z[n][8 * d + b] = static_cast<uint8_t>(v >> (8 * b));
      }
    } else if ((n = reg_index(k, 'p', 16)) >= 0 || k == "ffr") {
      std::string b;
      for (const std::string& t : e.toks) b += t;
      if (b.size() != kPredicateBits || b.find_first_not_of("01") != std::string::npos)
        return fail(e.line, k + " takes " + std::to_string(kPredicateBits) + " bits (0 or 1), bit 0 first");
      uint8_t* dst = n >= 0 ? s->p[n] : s->ffr;
      for (unsigned j = 0; j < kPredicateBits; ++j) dst[j] = b[j] == '1';
    } else if (k.compare(0, 5, "mem +") == 0) {
      if (!parse_u64(k.substr(5), kRegionBytes - 1, &v) || e.toks.size() != 1 || e.toks[0].size() % 2)
        return fail(e.line, k + ": expected 'mem +OFFSET = hex bytes' within the region");
      const std::string& h = e.toks[0];
      if (v + h.size() / 2 > kRegionBytes) return fail(e.line, k + ": bytes run past the end of the region");
      for (size_t i = 0; i < h.size(); i += 2) {
        uint64_t byte;
        if (!parse_u64("0x" + h.substr(i, 2), 0xff, &byte)) return fail(e.line, k + ": bad hex byte");
        s->mem[v + i / 2] = static_cast<uint8_t>(byte);
      }
    } else {
      return fail(e.line, "unknown field '" + k + "'");
    }
  }
  return true;
}

std::vector<field_diff> diff_states(const machine_state& a, const machine_state& b) {
  std::vector<field_diff> out;
  std::vector<field_view> fa = fields_of(a), fb = fields_of(b);
  for (size_t i = 0; i < fa.size(); ++i) {
    const field_view &x = fa[i], &y = fb[i];
    if (std::memcmp(x.data, y.data, x.size) == 0) continue;
    std::string detail;
    switch (x.k) {
      case kind::u64: detail = hex(load_le(x.data, 8), 16) + " vs " + hex(load_le(y.data, 8), 16); break;
      case kind::u32: detail = hex(load_le(x.data, 4), 8) + " vs " + hex(load_le(y.data, 4), 8); break;
      case kind::vec:
        for (unsigned d = 0; d < kDwordElems; ++d) {
          if (std::memcmp(x.data + 8 * d, y.data + 8 * d, 8) == 0) continue;
          detail = "d[" + std::to_string(d) + "] " + hex(load_le(x.data + 8 * d, 8), 16) + " vs " +
                   hex(load_le(y.data + 8 * d, 8), 16);
          break;
        }
        break;
      case kind::pred: detail = bits(x.data) + "\n     vs " + bits(y.data); break;
      case kind::mem:
        for (size_t off = 0; off < kRegionBytes; ++off) {
          if (x.data[off] == y.data[off]) continue;
          size_t line = off & ~(size_t{15});
          detail = hex(kRegionBase + line, 8) + ": " + hex_bytes(x.data + line, 16) + " vs " +
                   hex_bytes(y.data + line, 16);
          break;
        }
        break;
    }
    out.push_back({x.name, detail});
  }
  return out;
}

std::string describe_changes(const machine_state& before, const machine_state& after) {
  std::ostringstream os;
  std::vector<field_view> fa = fields_of(before), fb = fields_of(after);
  for (size_t i = 0; i < fa.size(); ++i) {
    const field_view &x = fa[i], &y = fb[i];
    if (std::memcmp(x.data, y.data, x.size) == 0) continue;
    char key[16];
    std::snprintf(key, sizeof key, "  %-5s", x.name.c_str());
    switch (x.k) {
      case kind::u64:
        os << key << hex(load_le(x.data, 8), 16) << " -> " << hex(load_le(y.data, 8), 16);
        if (x.name == "nzcv") os << "  (" << flags(load_le(x.data, 8)) << " -> " << flags(load_le(y.data, 8)) << ')';
        os << '\n';
        break;
      case kind::u32: os << key << hex(load_le(x.data, 4), 8) << " -> " << hex(load_le(y.data, 4), 8) << '\n'; break;
      case kind::vec:
        for (unsigned d = 0; d < kDwordElems; ++d) {
          if (std::memcmp(x.data + 8 * d, y.data + 8 * d, 8) == 0) continue;
          os << "  " << x.name << ".d[" << d << "]" << std::string(d < 10 ? 1 : 0, ' ')
             << std::string(x.name.size() < 3 ? 1 : 0, ' ') << hex(load_le(x.data + 8 * d, 8), 16) << " -> "
             << hex(load_le(y.data + 8 * d, 8), 16) << '\n';
        }
        break;
      case kind::pred: {
        const size_t per_line = kGroupsPerLine * 9;
        std::string b = bits(x.data), a = bits(y.data);
        for (size_t at = 0; at < b.size(); at += per_line)
          os << (at == 0 ? key : "       ") << "   " << b.substr(at, per_line - 1) << '\n';
        for (size_t at = 0; at < a.size(); at += per_line)
          os << (at == 0 ? "       -> " : "          ") << a.substr(at, per_line - 1) << '\n';
        break;
      }
      case kind::mem:
        for (size_t off = 0; off < kRegionBytes; off += 16) {
          if (std::memcmp(x.data + off, y.data + off, 16) == 0) continue;
          os << "  mem " << hex(kRegionBase + off, 8) << ": " << hex_bytes(x.data + off, 16) << " -> "
             << hex_bytes(y.data + off, 16) << '\n';
        }
        break;
    }
  }
  return os.str();
}

bool read_text_file(const std::string& path, std::string* out) {
  std::ifstream f(path);
  if (!f) return false;
  std::ostringstream ss;
  ss << f.rdbuf();
  *out = ss.str();
  return true;
}

namespace {

// The fields that the state, the probe's image and the register file hold
// alike (the predicates differ: packed in the probe's image).
template <typename To, typename From>
void copy_common(const From& f, To* t) {
  std::memcpy(t->x, f.x, sizeof t->x);
  t->sp = f.sp;
  t->nzcv = f.nzcv;
  t->fpsr = static_cast<decltype(t->fpsr)>(f.fpsr);
  t->fpcr = static_cast<decltype(t->fpcr)>(f.fpcr);
  static_assert(sizeof t->z == sizeof f.z, "Z registers of the same size");
  std::memcpy(t->z, f.z, sizeof t->z);
}

void pack_into(const uint8_t* unpacked, uint8_t* packed) {
  std::memcpy(packed, pack_predicate(unpacked).w, kPackedPredBytes);
}

void unpack_from(const uint8_t* packed, uint8_t* unpacked) {
  PredV p{};
  std::memcpy(p.w, packed, kPackedPredBytes);
  unpack_predicate(p, unpacked);
}

}  // namespace

void to_probe(const machine_state& s, probe_regs* r) {
  std::memset(r, 0, sizeof *r);
  copy_common(s, r);
  for (unsigned n = 0; n < 16; ++n) pack_into(s.p[n], r->p[n]);
  pack_into(s.ffr, r->ffr);
}

void from_probe(const probe_regs& r, machine_state* s) {
  copy_common(r, s);
  for (unsigned n = 0; n < 16; ++n) unpack_from(r.p[n], s->p[n]);
  unpack_from(r.ffr, s->ffr);
}

void to_cpu(const machine_state& s, cpu_state* c) {
  std::memset(c, 0, sizeof *c);
  copy_common(s, c);
  std::memcpy(c->p, s.p, sizeof c->p);
  std::memcpy(c->ffr, s.ffr, sizeof c->ffr);
}

void from_cpu(const cpu_state& c, machine_state* s) {
  copy_common(c, s);
  std::memcpy(s->p, c.p, sizeof s->p);
  std::memcpy(s->ffr, c.ffr, sizeof s->ffr);
}

}  // namespace harness
}  // namespace qrx
