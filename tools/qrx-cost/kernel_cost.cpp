#include "kernel_cost.h"

#include <cstring>
#include <ctime>
#include <fstream>
#include <memory>
#include <sstream>

#include "qrx/decode/pending.h"
#include "qrx/decode/qrx_stats.h"
#include "qrx/decode/qrx_utils.h"

namespace qrx {
namespace cost {

bool read_kernels(const std::string& path, std::vector<Kernel>* out, std::string* error) {
  std::ifstream in(path);
  if (!in) {
    *error = "cannot read " + path;
    return false;
  }
  std::string line;
  for (unsigned no = 1; std::getline(in, line); ++no) {
    if (line.empty() || line[0] == '#') continue;
    std::istringstream fields(line);
    std::string word, name, text;
    char* end = nullptr;
    if (!std::getline(fields, word, '\t') || !std::getline(fields, name, '\t') || name.empty()) {
      *error = path + ":" + std::to_string(no) + ": expected word<TAB>name<TAB>assembly";
      return false;
    }
    unsigned long v = std::strtoul(word.c_str(), &end, 16);
    if (word.empty() || *end != '\0' || v > 0xFFFFFFFFul) {
      *error = path + ":" + std::to_string(no) + ": bad instruction word '" + word + "'";
      return false;
    }
    std::getline(fields, text);
    out->push_back({static_cast<uint32_t>(v), name, text});
  }
  return true;
}

namespace {

template <typename T>
void set_elements(uint8_t* z, T (*value)(unsigned)) {
  for (unsigned i = 0; i < kVectorBytes / sizeof(T); ++i) {
    T v = value(i);
    std::memcpy(z + i * sizeof(T), &v, sizeof v);
  }
}

void set_true(uint8_t* p, unsigned esize_bytes) {
  for (unsigned j = 0; j < kPredicateBytes; ++j) p[j] = j % esize_bytes == 0;
}

// The calling thread's CPU time in ns: on a shared machine the time the
// thread spends waiting for a processor is not the instruction's cost.
double thread_ns() {
  timespec ts;
  clock_gettime(CLOCK_THREAD_CPUTIME_ID, &ts);
  return ts.tv_sec * 1e9 + ts.tv_nsec;
}

// ns per execution of `iterations` runs of the handler, with the statistics
// update after each success when kStats.
template <bool kStats>
double timed_run(kalt64_handler h, uint32_t word, const unsigned int* pc, unsigned iterations,
                 bool* failed) {
  std::unique_ptr<cpu_state> s(new cpu_state);
  std::unique_ptr<KernelBuffer> buffer(new KernelBuffer);
  start_state(s.get(), buffer.get());
  // The client keeps the thread's table beside its register file.
  ThreadStats* stats = this_thread_stats();
  unsigned bad = 0;
  double t0 = thread_ns();
  for (unsigned i = 0; i < iterations; ++i) {
    s->pc = pc;
    if (h(s.get(), word) != KALT64_DECODE_OK)
      ++bad;
    else if (kStats)
      count_execution(stats, pc, word);
  }
  double t1 = thread_ns();
  *failed = *failed || bad != 0;
  return (t1 - t0) / iterations;
}

template <bool kStats>
double fastest(kalt64_handler h, uint32_t word, const unsigned int* pc, unsigned iterations,
               unsigned repeats, bool* failed) {
  double best = timed_run<kStats>(h, word, pc, iterations, failed);
  for (unsigned r = 1; r < repeats; ++r) {
    double t = timed_run<kStats>(h, word, pc, iterations, failed);
    if (t < best) best = t;
  }
  return best;
}

}  // namespace

void start_state(cpu_state* s, KernelBuffer* buffer) {
  std::memset(s, 0, sizeof *s);
  for (unsigned i = 0; i < kBufferBytes; ++i) buffer->b[i] = static_cast<uint8_t>(i);
  s->x[0] = reinterpret_cast<uint64_t>(buffer->b);
  s->x[2] = 1000;
  s->x[3] = 4;
  s->x[4] = uint64_t{1} << 40;
  set_true(s->p[0], 1);
  set_true(s->p[1], 4);
  set_true(s->p[3], 1);
  set_true(s->ffr, 1);
  set_elements<uint32_t>(s->z[0], [](unsigned) { return 1u; });
  set_elements<uint32_t>(s->z[1], [](unsigned) { return 2u; });
  set_elements<uint64_t>(s->z[2], [](unsigned) { return uint64_t{0x3FF0000000000000}; });  // 1.0
  set_elements<uint64_t>(s->z[3], [](unsigned) { return uint64_t{0x4004000000000000}; });  // 2.5
  set_elements<uint64_t>(s->z[8], [](unsigned i) { return uint64_t{8} * i; });
  set_elements<uint8_t>(s->z[9], [](unsigned i) { return static_cast<uint8_t>(i); });
}

Cost measure(uint32_t word, const unsigned int* pc, unsigned iterations, unsigned repeats) {
  kalt64_handler h = is_qrx(word);
  if (h == nullptr) return {Outcome::NotQrx, 0, 0};
  if (is_pending_handler(h)) return {Outcome::Pending, 0, 0};
  bool failed = false;
  double handler_ns = fastest<false>(h, word, pc, iterations, repeats, &failed);
  double ns = fastest<true>(h, word, pc, iterations, repeats, &failed);
  if (failed) return {Outcome::Failed, 0, 0};
  return {Outcome::Measured, ns, handler_ns};
}

}  // namespace cost
}  // namespace qrx
