/* Loops the compiler vectorises with QRX at -O3: element-wise integer
   arithmetic over arrays of every element size, with lengths that end in a
   partial vector. They need the contiguous loads and stores and the element
   counts; until those run, the test is skipped. */
#include "e2e.h"

#define N 1003

static int8_t s8[N], t8[N];
static uint16_t u16[N], v16[N];
static int32_t a32[N], b32[N], c32[N];
static uint64_t a64[N], b64[N];

static uint64_t lcg = 12345;
static uint64_t next(void) {
  lcg = lcg * 6364136223846793005ull + 1442695040888963407ull;
  return lcg >> 17;
}

__attribute__((noinline)) void k_bytes(int8_t* restrict a, const int8_t* restrict b, int n) {
  for (int i = 0; i < n; ++i) a[i] = (int8_t)((a[i] > b[i] ? a[i] : b[i]) - (b[i] >> 2));
}
__attribute__((noinline)) void k_halves(uint16_t* restrict a, const uint16_t* restrict b, int n) {
  for (int i = 0; i < n; ++i) a[i] = (uint16_t)(a[i] * 3u + (b[i] >> 3)) ^ b[i];
}
__attribute__((noinline)) void k_words(int32_t* restrict a, const int32_t* restrict b,
                                       const int32_t* restrict c, int n) {
  for (int i = 0; i < n; ++i) a[i] = b[i] * c[i] + 7 - (a[i] < 0 ? -a[i] : a[i]);
}
__attribute__((noinline)) void k_doubles(uint64_t* restrict a, const uint64_t* restrict b, int n) {
  for (int i = 0; i < n; ++i) a[i] = (b[i] << 3) - a[i] + (a[i] | b[i]);
}

/* Scalar on purpose: the checksum must not depend on what it checks. */
__attribute__((optimize("no-tree-vectorize"))) static void mix_bytes(const void* p, size_t n) {
  const unsigned char* b = p;
  for (size_t i = 0; i < n; ++i) e2e_mix(b[i]);
}

__attribute__((optimize("no-tree-vectorize"))) int main(void) {
  for (int i = 0; i < N; ++i) {
    s8[i] = (int8_t)next();
    t8[i] = (int8_t)next();
    u16[i] = (uint16_t)next();
    v16[i] = (uint16_t)next();
    a32[i] = (int32_t)next();
    b32[i] = (int32_t)next();
    c32[i] = (int32_t)next();
    a64[i] = next() * next();
    b64[i] = next() * next();
  }
  for (int n = 0; n <= N; n += 17) {
    k_bytes(s8, t8, n);
    k_halves(u16, v16, n);
    k_words(a32, b32, c32, n);
    k_doubles(a64, b64, n);
  }
  mix_bytes(s8, sizeof s8);
  mix_bytes(u16, sizeof u16);
  mix_bytes(a32, sizeof a32);
  mix_bytes(a64, sizeof a64);
  printf("checksum: %016llx\n", (unsigned long long)e2e_hash);
  return 0;
}
