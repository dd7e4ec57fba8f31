// The fault guard of the host backend: a SIGSEGV/SIGBUS handler that turns a
// fault inside a guarded read into a jump back to that read, and lets every
// other fault end the process the native way after one line on stderr.
//
// The guard state (in-region flag and jump buffer) is per thread, so guarded
// reads of several threads may run at once. Inside DynamoRIO none of this is
// installed: the client's memory backend takes over (guarded_memory.h).
#ifndef QRX_LIBRARY_FAULT_GUARD_H
#define QRX_LIBRARY_FAULT_GUARD_H

#include <signal.h>

#include <cstddef>
#include <cstdint>

#include "qrx/library/lib_types.h"

// System page size, recorded at load time; used to detect page crossings.
extern uint32_t page_size;

// Once-flag of QRXInitialize.
extern uint32_t QRXLibInitialized;

// The library's default context (vector length word 2) and a pointer to it.
// No emulation path uses them: every library-path handler builds its own.
extern CpuContext cpu_ctxt;
extern CpuContext* ctxt;

// Prepares the library's default context and installs the memory backend's
// fault handling (for the host backend: QRXSigHandler for SIGSEGV and
// SIGBUS). Does its work on the first call only. Returns 1.
int QRXInitialize();

// The host backend's handler for SIGSEGV and SIGBUS.
extern "C" void QRXSigHandler(int signal, siginfo_t* info, void* context);

namespace qrx {

// The line printed when an emulated access faults outside a guarded read.
void print_application_fault(int signal);

// Host backend: copies n bytes at addr into out under the calling thread's
// guard; false when any of them faults. Needs QRXSigHandler installed.
bool host_guarded_copy(const void* addr, void* out, size_t n);

// Installs QRXSigHandler for SIGSEGV and SIGBUS (the host backend's set-up).
void install_host_fault_handler();

}  // namespace qrx

#endif  // QRX_LIBRARY_FAULT_GUARD_H
