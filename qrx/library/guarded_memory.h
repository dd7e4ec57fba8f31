// Access to the emulated program's memory from handlers, semantic routines
// and the instruction library.
//
// Every emulated load or store goes through this layer, never through a raw
// pointer, because the same core runs in several settings: on the host (unit
// tests, the stand-alone tools), inside DynamoRIO, and under a runner that
// traps QRX instructions. Each setting installs a MemoryBackend.
//
// Three kinds of access:
//   plain      load_app / store_app, ReadMemLibN with suppress == 0 or no
//              fault flag, WriteMemLibN: the access of an ordinary load or
//              store (LD1, ST1, LD1R, LD1RQ, LDR, STR, and the first active
//              element of a first-fault load). Its fault is the
//              application's own (see "Fault delivery" below).
//   guarded    load_app_guarded, ReadMemLibN with a fault flag and
//              suppress != 0. A fault is reported (false / *fault = true,
//              value 0) and nothing else happens. Safe on many threads at once.
//   probe      addr_is_readable, readable_bytes: whether bytes can be read.
//              Never faults, never touches the process's signal actions.
//
// Fault delivery, the contract every backend's read and write keep. When a
// plain access cannot be completed, the backend makes the application
// receive the fault that the native access would have raised:
//   - the signal: SIGSEGV, or SIGBUS where the memory is a mapped file past
//     its end;
//   - the faulting address: the first byte of the access that cannot be
//     accessed (readable_bytes gives it for reads);
//   - the program counter: the address of the QRX instruction being emulated.
// The call never returns into the emulator: the application's own handler
// runs (and resumes wherever it chooses), or the default action ends the
// process by that signal. Ending the process with a message and an exit
// status is not a fault delivery. Callers keep nothing half-done that
// matters: loads build the destination in a local buffer and write it only
// after the last access, stores write their elements in ascending address
// order, so the elements stored before the fault stay in memory (ST1 first
// checks the pages its active elements start in, as the model does: a store
// whose later element lies in an unmapped page writes nothing).
//   host backend      accesses memory directly; the CPU's own fault reaches
//                     QRXSigHandler, which restores the default actions and
//                     returns, so the access faults again and the process
//                     ends by the signal (an application handler installed
//                     over ours runs instead, as it would natively).
//   DynamoRIO client  the framework forbids a real fault in client code: its
//                     backend accesses memory with the framework's safe
//                     reads and writes and, when one fails, hands the
//                     application the signal with the instruction's PC and
//                     the faulting address instead of taking the fault.
//   trap runner       raises the fault from the SIGILL trap frame of the
//                     QRX instruction.
//   harness           records the signal and jumps back to the case runner.
//
// First-fault and non-fault loads never rely on a fault being caught: they
// measure with readable_bytes how much of their memory block can be read
// (one probe per page, at most two for a vector) and then read that part
// plainly, so they work beside any signal handler the application installs.
#ifndef QRX_LIBRARY_GUARDED_MEMORY_H
#define QRX_LIBRARY_GUARDED_MEMORY_H

#include <cstddef>
#include <cstdint>
#include <cstring>
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
  // Plain copies: a fault is delivered to the application (above) and the
  // call does not return.
  void (*read)(const void* addr, void* out, size_t n);
  void (*write)(void* addr, const void* in, size_t n);
  // Installs the backend's fault handling; run once by QRXInitialize (null:
  // nothing to install).
  void (*install)();
};

// Page granularity of readability: the system page size, recorded at load.
size_t readable_granule();

// How many leading bytes of [addr, addr + n) can be read: readability is
// decided per page (the backend's probe of the first byte of each page the
// range touches), so this costs one probe per page, never one per element.
// Never faults.
size_t readable_bytes(uint64_t addr, size_t n);

// Reads [addr, addr + n) into out as far as it can be read, page by page:
// the first `required` bytes plainly (a fault there is delivered like any
// plain access's), every later page only if the probe finds it readable.
// Returns how many leading bytes were read (at least `required`). The
// probes cost one call per page entered after the required bytes, so a
// range inside one page is one plain read.
size_t read_leading(uint64_t addr, void* out, size_t n, size_t required);

// Delivers the fault of an access to [addr, addr + n) before any of it is
// done when a page after the first cannot be read (one probe per later
// page): a store that faults there then writes nothing, as on the model.
// The first page needs no probe: the access itself faults there first.
void fault_unless_later_pages_readable(uint64_t addr, size_t n);

// Plain write of n bytes in ascending order, in pieces of whole `unit`s
// (elements) that stay within a page; a unit that straddles a page boundary
// is written on its own, so when it faults none of its bytes is stored and
// every unit before it is.
void write_ascending(uint64_t addr, const void* in, size_t n, size_t unit);

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

// Plain copies of a backend that confines the core to some memory: inside
// it (Inside(addr, n)), a copy; anywhere else, Fault(), the backend's fault
// delivery, which does not return.
template <bool (*Inside)(const void*, size_t), void (*Fault)()>
void confined_read(const void* addr, void* out, size_t n) {
  if (!Inside(addr, n)) Fault();
  std::memcpy(out, addr, n);
}
template <bool (*Inside)(const void*, size_t), void (*Fault)()>
void confined_write(void* addr, const void* in, size_t n) {
  if (!Inside(addr, n)) Fault();
  std::memcpy(addr, in, n);
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
