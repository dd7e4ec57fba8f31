/* Eight threads run QRX code at once. In each round every thread sets its own
   predicate and vector register, waits until all threads have done so, and
   only then reads them back: with one register file per thread each reads
   its own values. Each thread then runs a longer QRX loop. Results are
   printed per thread, in thread order. */
#include <pthread.h>

#include "e2e.h"

#define THREADS 8
#define ROUNDS 12

/* A barrier that never enters the kernel, so nothing between the QRX
   instructions of a round may discard register state. */
static unsigned barrier_arrived, barrier_generation;

static void spin_barrier(void) {
  unsigned gen = __atomic_load_n(&barrier_generation, __ATOMIC_ACQUIRE);
  if (__atomic_add_fetch(&barrier_arrived, 1, __ATOMIC_ACQ_REL) == THREADS) {
    __atomic_store_n(&barrier_arrived, 0, __ATOMIC_RELAXED);
    __atomic_store_n(&barrier_generation, gen + 1, __ATOMIC_RELEASE);
    return;
  }
  while (__atomic_load_n(&barrier_generation, __ATOMIC_ACQUIRE) == gen) {
  }
}

struct worker {
  pthread_t thread;
  unsigned id;
  uint64_t hash;
  unsigned long qrx_count;
};

static void mix(struct worker* w, uint64_t v) { w->hash = (w->hash ^ v) * 1099511628211ull; }

static void* work(void* arg) {
  struct worker* w = arg;
  w->hash = 1469598103934665603ull + w->id;
  for (unsigned r = 0; r < ROUNDS; ++r) {
    uint64_t limit = w->id * 4 + r % 5, start = w->id * 1000 + r;
    __asm__ volatile("whilelo p5.s, xzr, %[lim]\n\tindex z7.s, %w[start], #3"
                     :
                     : [lim] "r"(limit), [start] "r"(start)
                     : "p5", "v7", "cc");
    spin_barrier();
    uint64_t count, lo, hi;
    __asm__ volatile(
        "cntp %[c], p5, p5.s\n\tadd z7.s, z7.s, #1\n\t"
        "umov %[lo], v7.d[0]\n\tumov %[hi], v7.d[1]"
        : [c] "=&r"(count), [lo] "=&r"(lo), [hi] "=&r"(hi)
        :
        : "v7");
    spin_barrier();
    mix(w, count);
    mix(w, lo);
    mix(w, hi);
    w->qrx_count += 4;
  }
  /* A strip-mined loop: z6 += index vector over n elements. */
  uint64_t n = 40000 + w->id * 37, iterations = 0, step, lo, hi;
  __asm__ volatile(
      "ptrue p4.s\n\t"
      "cntp %[step], p4, p4.s\n\t"
      "index z6.s, %w[id], #0\n\t"
      "mov x9, #0\n"
      "1:\n\t"
      "whilelo p5.s, x9, %[n]\n\t"
      "b.none 2f\n\t"
      "index z7.s, w9, #1\n\t"
      "add z6.s, p5/m, z6.s, z7.s\n\t"
      "add x9, x9, %[step]\n\t"
      "add %[it], %[it], #1\n\t"
      "b 1b\n"
      "2:\n\t"
      "umov %[lo], v6.d[0]\n\t"
      "umov %[hi], v6.d[1]"
      : [it] "+r"(iterations), [step] "=&r"(step), [lo] "=&r"(lo), [hi] "=&r"(hi)
      : [n] "r"(n), [id] "r"((uint64_t)w->id)
      : "x9", "p4", "p5", "v6", "v7", "cc");
  mix(w, lo);
  mix(w, hi);
  mix(w, iterations);
  w->qrx_count += 3 + iterations * 3 + 1;
  return NULL;
}

int main(void) {
  struct worker workers[THREADS];
  for (unsigned i = 0; i < THREADS; ++i) {
    workers[i] = (struct worker){.id = i};
    if (pthread_create(&workers[i].thread, NULL, work, &workers[i]) != 0) return 1;
  }
  for (unsigned i = 0; i < THREADS; ++i) {
    pthread_join(workers[i].thread, NULL);
    printf("thread %u: %016llx\n", i, (unsigned long long)workers[i].hash);
    e2e_mix(workers[i].hash);
    e2e_qrx_count += workers[i].qrx_count;
  }
  e2e_finish();
  return 0;
}
