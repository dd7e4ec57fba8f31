/* Shared by the end-to-end programs: a running checksum and the count of QRX
   instructions the program executes, printed last so that the test can hold
   the runner's exit report to it. */
#ifndef QRX_TESTS_E2E_E2E_H
#define QRX_TESTS_E2E_E2E_H

#include <stdint.h>
#include <stdio.h>

static uint64_t e2e_hash = 1469598103934665603ull;
static unsigned long e2e_qrx_count;

static inline void e2e_mix(uint64_t v) { e2e_hash = (e2e_hash ^ v) * 1099511628211ull; }

static inline void e2e_finish(void) {
  printf("checksum: %016llx\n", (unsigned long long)e2e_hash);
  printf("QRX instructions: %lu\n", e2e_qrx_count);
}

#endif
