// A register file for handler tests: runs words through their decode entry
// and reads and writes vector elements and predicates.
#ifndef TESTS_HANDLERS_HANDLER_MACHINE_H
#define TESTS_HANDLERS_HANDLER_MACHINE_H

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <memory>

#include "qrx/decode/decode_tables.h"
#include "qrx/state/cpu_state.h"

namespace qrx_test {

struct Machine {
  std::unique_ptr<cpu_state> s{new cpu_state{}};

  // Runs `word` through its decode entry, checking that it names `form`.
  kalt64_decode_rc run(uint32_t word, const char* form) {
    const qrx::DecodeEntry* e = qrx::find_entry(word);
    EXPECT_NE(e, nullptr) << std::hex << word;
    if (e == nullptr) return KALT64_DECODE_NOT_EXECUTED;
    EXPECT_STREQ(e->name, form) << std::hex << word;
    return e->handler(s.get(), word);
  }
  // Runs `word` through its decode entry, whichever form it is.
  kalt64_decode_rc run(uint32_t word) {
    const qrx::DecodeEntry* e = qrx::find_entry(word);
    EXPECT_NE(e, nullptr) << std::hex << word;
    return e ? e->handler(s.get(), word) : KALT64_DECODE_NOT_EXECUTED;
  }
  template <typename T>
  void fill(unsigned z, T v) {
    for (unsigned i = 0; i < qrx::kVectorBytes / sizeof(T); ++i) set<T>(z, i, v);
  }
  template <typename T>
  void set(unsigned z, unsigned i, T v) {
    std::memcpy(s->z[z] + i * sizeof(T), &v, sizeof(T));
  }
  template <typename T>
  T get(unsigned z, unsigned i) const {
    T v;
    std::memcpy(&v, s->z[z] + i * sizeof(T), sizeof(T));
    return v;
  }
  // Every element of `esize` bytes of Zz set to the low bytes of v.
  void splat(unsigned z, uint64_t v, unsigned esize) {
    for (unsigned i = 0; i < qrx::kVectorBytes; i += esize) std::memcpy(s->z[z] + i, &v, esize);
  }
  // Element i of `esize` bytes of Zz, zero-extended.
  uint64_t element(unsigned z, unsigned i, unsigned esize) const {
    uint64_t v = 0;
    std::memcpy(&v, s->z[z] + i * esize, esize);
    return v;
  }
  void set_element(unsigned z, unsigned i, uint64_t v, unsigned esize) {
    std::memcpy(s->z[z] + i * esize, &v, esize);
  }
  uint64_t last_element(unsigned z, unsigned esize) const {
    return element(z, qrx::kVectorBytes / esize - 1, esize);
  }
  // The first `count` elements of `esize` bytes active, the rest inactive.
  void leading(unsigned p, unsigned count, unsigned esize) {
    std::memset(s->p[p], 0, qrx::kPredicateBytes);
    for (unsigned i = 0; i < count; ++i) s->p[p][i * esize] = 1;
  }
  // Every element of `esize` bytes active.
  void all_true(unsigned p, unsigned esize) { leading(p, qrx::kPredicateBytes / esize, esize); }
  // The four condition flags (bits 31..28 of nzcv).
  uint64_t flags() const { return s->nzcv & 0xF0000000u; }
};

}  // namespace qrx_test

#endif  // TESTS_HANDLERS_HANDLER_MACHINE_H
