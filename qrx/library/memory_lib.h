// The instruction library's contiguous memory forms: the first-fault loads
// LDFF1H (every register size) and LDFF1S* (scalar-plus-scalar), and the
// load-and-replicate-quadword loads LD1RQ* (both address forms).
//
// Arguments: the governing predicate, the base address, the offset (Xm, 0
// for Rm = 31, or the immediate) and the context; the loaded vector is the
// result. Element i of a first-fault load is at base + (offset + i) * M; the
// context's FFR loses the bits of the first element that could not be loaded
// and of every later one. LD1RQ reads the 16 bytes at base + imm4 * 16 (SIZ)
// or base + Xm * M (SSZ) under the predicate's first 16 bytes and repeats
// them in every 16-byte segment.
#ifndef QRX_LIBRARY_MEMORY_LIB_H
#define QRX_LIBRARY_MEMORY_LIB_H

#include <cstdint>

#include "qrx/library/lib_types.h"

// (name, memory element, register element): the first-fault loads.
#define QRX_LIB_FIRST_FAULT_FORMS(X)                                                                   \
  X(VecU16CLoadFF2LSSZ, uint16_t, uint16_t) X(VecU32CLoadFF2LSSZ, uint16_t, uint32_t)                  \
  X(VecU64CLoadFF2LSSZ, uint16_t, uint64_t) X(VecS16CLoadFF1LSSZ, int8_t, uint16_t)                    \
  X(VecS32CLoadFF1LSSZ, int8_t, uint32_t) X(VecS64CLoadFF1LSSZ, int8_t, uint64_t)                      \
  X(VecS32CLoadFF2LSSZ, int16_t, uint32_t) X(VecS64CLoadFF2LSSZ, int16_t, uint64_t)                    \
  X(VecS64CLoadFF4LSSZ, int32_t, uint64_t)
// (immediate form, scalar form, element): LD1RQ.
#define QRX_LIB_QUAD_FORMS(X)                                                                          \
  X(VecU8LoadDup1QSIZ, VecU8LoadDup1QSSZ, uint8_t) X(VecU16LoadDup2QSIZ, VecU16LoadDup2QSSZ, uint16_t)  \
  X(VecU32LoadDup4QSIZ, VecU32LoadDup4QSSZ, uint32_t) X(VecU64LoadDup8QSIZ, VecU64LoadDup8QSSZ, uint64_t)

extern "C" {

#define QRX_DECLARE_FIRST_FAULT(name, Mem, Reg) VecValue name(PredV pg, uint64_t base, uint64_t xm, CpuContext* ctx);
#define QRX_DECLARE_QUAD(imm_name, reg_name, Elem)                                \
  VecValue imm_name(PredV pg, uint64_t base, int64_t imm4, CpuContext* ctx); \
  VecValue reg_name(PredV pg, uint64_t base, uint64_t xm, CpuContext* ctx);
QRX_LIB_FIRST_FAULT_FORMS(QRX_DECLARE_FIRST_FAULT)
QRX_LIB_QUAD_FORMS(QRX_DECLARE_QUAD)
#undef QRX_DECLARE_FIRST_FAULT
#undef QRX_DECLARE_QUAD

}  // extern "C"

#endif  // QRX_LIBRARY_MEMORY_LIB_H
