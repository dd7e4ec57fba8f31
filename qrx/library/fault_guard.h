// The fault guard: lets emulated memory accesses survive faults, and the
// guarded memory helpers built on it.
#ifndef QRX_LIBRARY_FAULT_GUARD_H
#define QRX_LIBRARY_FAULT_GUARD_H

#include <cstdint>

// System page size, recorded at load time; used to detect page crossings.
extern uint32_t page_size;

// Prepares the fault guard; does its work on the first call only. Returns 1.
int QRXInitialize();

#endif  // QRX_LIBRARY_FAULT_GUARD_H
