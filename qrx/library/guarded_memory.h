// Access to the emulated program's memory from handlers, semantic routines
// and the instruction library.
//
// Every emulated load or store goes through this layer, never through a raw
// pointer, because the same core runs in two settings:
//   - on the host (unit tests, the stand-alone tools), where the default
//     backend reads memory directly and the fault guard's signal handler
//     catches faults;
//   - inside DynamoRIO, where the client installs a backend built on the
//     framework's safe-read facilities and no signal handler of ours exists.
//
// Three kinds of access:
//   plain      load_app / store_app, ReadMemLibN with suppress == 0 or no
//              fault flag, WriteMemLibN. A fault is the application's own:
//              the fault message is printed and the process ends.
//   guarded    load_app_guarded, ReadMemLibN with a fault flag and
//              suppress != 0. A fault is reported (false / *fault = true,
//              value 0) and nothing else happens. Safe on many threads at once.
//   probe      addr_is_readable: whether one byte can be read. Never faults,
//              never touches the process's signal actions.
//
// Usage in the memory families:
//   first-fault, routine form:  probe the next page with addr_is_readable,
//                               then load the elements with load_app<T>;
//   first-fault, library form:  ReadMemLibN(addr, !first, &faulted, ctx);
//   non-fault loads:            addr_is_readable per page, load_app<T>;
//   ordinary loads and stores:  load_app<T> / store_app<T> (routines),
//                               ReadMemLibN(addr, 0, nullptr, ctx) and
//                               WriteMemLibN (library functions).
#ifndef QRX_LIBRARY_GUARDED_MEMORY_H
#define QRX_LIBRARY_GUARDED_MEMORY_H

#include <cstddef>
#include <cstdint>
#include <type_traits>

#include "qrx/library/lib_types.h"

namespace qrx {

// How the core touches application memory. A backend is a table of plain
// functions; none of them may throw.
struct MemoryBackend {
  const char* name;
  // Copies n bytes at addr into out; false, with out unspecified, when any
  // of them cannot be read. Never faults.
  bool (*try_read)(const void* addr, void* out, size_t n);
  // Whether one byte at addr can be read. Never faults.
  bool (*readable)(const void* addr);
  // Plain copies: a fault prints the fault message and ends the process.
  void (*read)(const void* addr, void* out, size_t n);
  void (*write)(void* addr, const void* in, size_t n);
  // Installs the backend's fault handling; run once by QRXInitialize (null:
  // nothing to install).
  void (*install)();
};

// The backend in force: the host backend (direct accesses, the fault guard's
// signal handler and a kernel-checked probe) unless another one is installed.
const MemoryBackend& memory_backend();

// Replaces the backend. Meant to run before QRXInitialize (a client does it
// from a load-time constructor that runs before the core's initialiser), and
// in any case before any emulated access; the table must outlive the process.
void set_memory_backend(const MemoryBackend* backend);

// ----- Typed helpers for semantic routines ---------------------------------

template <typename T>
inline T load_app(uint64_t address) {
  static_assert(std::is_trivially_copyable<T>::value, "plain data only");
  T v;
  memory_backend().read(reinterpret_cast<const void*>(address), &v, sizeof v);
  return v;
}

template <typename T>
inline void store_app(uint64_t address, T value) {
  static_assert(std::is_trivially_copyable<T>::value, "plain data only");
  memory_backend().write(reinterpret_cast<void*>(address), &value, sizeof value);
}

// Reads *out from address; false (and *out untouched) when it faults.
template <typename T>
inline bool load_app_guarded(uint64_t address, T* out) {
  static_assert(std::is_trivially_copyable<T>::value, "plain data only");
  T v;
  if (!memory_backend().try_read(reinterpret_cast<const void*>(address), &v, sizeof v)) return false;
  *out = v;
  return true;
}

}  // namespace qrx

// ----- The instruction library's memory interface (C linkage) --------------
extern "C" {

// Whether one byte at address can be read.
bool addr_is_readable(volatile char* address);

// Read 1, 2, 4 or 8 bytes at address, zero-extended. Guarded only when
// fault is non-null and suppress is non-zero: a fault then sets *fault and
// returns 0 (the flag is never cleared here). Otherwise a plain read. ctx is
// not used.
unsigned long ReadMemLib1(unsigned long address, int suppress, bool* fault, CpuContext* ctx);
unsigned long ReadMemLib2(unsigned long address, int suppress, bool* fault, CpuContext* ctx);
unsigned long ReadMemLib4(unsigned long address, int suppress, bool* fault, CpuContext* ctx);
unsigned long ReadMemLib8(unsigned long address, int suppress, bool* fault, CpuContext* ctx);

// Plain stores.
void WriteMemLib1(unsigned char value, unsigned long address, CpuContext* ctx);
void WriteMemLib2(unsigned short value, unsigned long address, CpuContext* ctx);
void WriteMemLib4(unsigned int value, unsigned long address, CpuContext* ctx);
void WriteMemLib8(unsigned long value, unsigned long address, CpuContext* ctx);

}  // extern "C"

#endif  // QRX_LIBRARY_GUARDED_MEMORY_H
