/* A known loop for the hot-spot report: hot_pass (PTRUE and a predicated
   ADD) runs as many times as the argument says, cold_count (CNTP) once.
   Both are global symbols, so the test can read their addresses from the
   program and check the report's offsets and counts against them. */
#include <stdio.h>
#include <stdlib.h>

__asm__(
    ".text\n"
    ".globl hot_pass\n"
    ".type hot_pass, %function\n"
    "hot_pass:\n\t"
    "ptrue p0.s\n\t"
    "add z0.s, p0/m, z0.s, z0.s\n\t"
    "ret\n"
    ".size hot_pass, .-hot_pass\n"
    ".globl cold_count\n"
    ".type cold_count, %function\n"
    "cold_count:\n\t"
    "cntp x0, p0, p0.s\n\t"
    "ret\n"
    ".size cold_count, .-cold_count\n");

void hot_pass(void);
unsigned long cold_count(void);

int main(int argc, char** argv) {
  int passes = argc > 1 ? atoi(argv[1]) : 0;
  for (int i = 0; i < passes; ++i) hot_pass();
  printf("lanes: %lu\n", cold_count());
  return 0;
}
