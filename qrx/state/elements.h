// Element i of a register's bytes as a T (little-endian, no alignment
// needed), and its store: the one way every layer reads and writes vector
// and predicate elements.
#ifndef QRX_STATE_ELEMENTS_H
#define QRX_STATE_ELEMENTS_H

#include <cstdint>
#include <cstring>

namespace qrx {

template <typename T>
inline T elem(const uint8_t* v, unsigned i) {
  T x;
  std::memcpy(&x, v + i * sizeof(T), sizeof(T));
  return x;
}
template <typename T>
inline void set_elem(uint8_t* v, unsigned i, T x) {
  std::memcpy(v + i * sizeof(T), &x, sizeof(T));
}

}  // namespace qrx

#endif  // QRX_STATE_ELEMENTS_H
