// Instruction library: integer arithmetic, logic and shift forms.
//
// Each function carries its handler's name and works on value operands:
// destructive forms take the destination-and-source vector first, then the
// governing predicate, then the second source or immediate, and the context
// last. Element counts come from the context's VL (never beyond the
// 2048-bit value types); bytes of the result beyond them are zero.
#ifndef QRX_LIBRARY_INTEGER_LIB_H
#define QRX_LIBRARY_INTEGER_LIB_H

#include <cstdint>

#include "qrx/library/lib_types.h"

extern "C" {

// Reversed subtraction: Zm - Zdn where active; imm - Zdn.
VecValue VecU8SubRVVM(VecValue zdn, PredV pg, VecValue zm, CpuContext* ctx);
VecValue VecU16SubRVVM(VecValue zdn, PredV pg, VecValue zm, CpuContext* ctx);
VecValue VecU32SubRVVM(VecValue zdn, PredV pg, VecValue zm, CpuContext* ctx);
VecValue VecU64SubRVVM(VecValue zdn, PredV pg, VecValue zm, CpuContext* ctx);
VecValue VecU8SubRVIX(VecValue zdn, uint32_t imm, CpuContext* ctx);
VecValue VecU16SubRVIX(VecValue zdn, uint32_t imm, CpuContext* ctx);
VecValue VecU32SubRVIX(VecValue zdn, uint32_t imm, CpuContext* ctx);
VecValue VecU64SubRVIX(VecValue zdn, uint32_t imm, CpuContext* ctx);

// High half of the product, absolute difference.
VecValue VecU8MulHVVM(VecValue zdn, PredV pg, VecValue zm, CpuContext* ctx);
VecValue VecU16MulHVVM(VecValue zdn, PredV pg, VecValue zm, CpuContext* ctx);
VecValue VecU32MulHVVM(VecValue zdn, PredV pg, VecValue zm, CpuContext* ctx);
VecValue VecU64MulHVVM(VecValue zdn, PredV pg, VecValue zm, CpuContext* ctx);
VecValue VecS8MulHVVM(VecValue zdn, PredV pg, VecValue zm, CpuContext* ctx);
VecValue VecS16MulHVVM(VecValue zdn, PredV pg, VecValue zm, CpuContext* ctx);
VecValue VecS32MulHVVM(VecValue zdn, PredV pg, VecValue zm, CpuContext* ctx);
VecValue VecS64MulHVVM(VecValue zdn, PredV pg, VecValue zm, CpuContext* ctx);
VecValue VecU8AbdVVM(VecValue zdn, PredV pg, VecValue zm, CpuContext* ctx);
VecValue VecU16AbdVVM(VecValue zdn, PredV pg, VecValue zm, CpuContext* ctx);
VecValue VecU32AbdVVM(VecValue zdn, PredV pg, VecValue zm, CpuContext* ctx);
VecValue VecU64AbdVVM(VecValue zdn, PredV pg, VecValue zm, CpuContext* ctx);
VecValue VecS8AbdVVM(VecValue zdn, PredV pg, VecValue zm, CpuContext* ctx);
VecValue VecS16AbdVVM(VecValue zdn, PredV pg, VecValue zm, CpuContext* ctx);
VecValue VecS32AbdVVM(VecValue zdn, PredV pg, VecValue zm, CpuContext* ctx);
VecValue VecS64AbdVVM(VecValue zdn, PredV pg, VecValue zm, CpuContext* ctx);

// Maximum and minimum with an immediate (unsigned 0..255, signed -128..127).
VecValue VecU8MaxVIX(VecValue zdn, uint32_t imm, CpuContext* ctx);
VecValue VecU16MaxVIX(VecValue zdn, uint32_t imm, CpuContext* ctx);
VecValue VecU32MaxVIX(VecValue zdn, uint32_t imm, CpuContext* ctx);
VecValue VecU64MaxVIX(VecValue zdn, uint32_t imm, CpuContext* ctx);
VecValue VecU8MinVIX(VecValue zdn, uint32_t imm, CpuContext* ctx);
VecValue VecU16MinVIX(VecValue zdn, uint32_t imm, CpuContext* ctx);
VecValue VecU32MinVIX(VecValue zdn, uint32_t imm, CpuContext* ctx);
VecValue VecU64MinVIX(VecValue zdn, uint32_t imm, CpuContext* ctx);
VecValue VecS8MaxVIX(VecValue zdn, int32_t imm, CpuContext* ctx);
VecValue VecS16MaxVIX(VecValue zdn, int32_t imm, CpuContext* ctx);
VecValue VecS32MaxVIX(VecValue zdn, int32_t imm, CpuContext* ctx);
VecValue VecS64MaxVIX(VecValue zdn, int32_t imm, CpuContext* ctx);
VecValue VecS8MinVIX(VecValue zdn, int32_t imm, CpuContext* ctx);
VecValue VecS16MinVIX(VecValue zdn, int32_t imm, CpuContext* ctx);
VecValue VecS32MinVIX(VecValue zdn, int32_t imm, CpuContext* ctx);
VecValue VecS64MinVIX(VecValue zdn, int32_t imm, CpuContext* ctx);

// Absolute value, merging into Zd.
VecValue VecS8AbsVM(VecValue zd, PredV pg, VecValue zn, CpuContext* ctx);
VecValue VecS16AbsVM(VecValue zd, PredV pg, VecValue zn, CpuContext* ctx);
VecValue VecS32AbsVM(VecValue zd, PredV pg, VecValue zn, CpuContext* ctx);
VecValue VecS64AbsVM(VecValue zd, PredV pg, VecValue zn, CpuContext* ctx);

// Logical right shift by immediate; ASRD (division by 2^shift toward zero).
VecValue VecU8ShrVIM(VecValue zdn, PredV pg, uint32_t shift, CpuContext* ctx);
VecValue VecU16ShrVIM(VecValue zdn, PredV pg, uint32_t shift, CpuContext* ctx);
VecValue VecU32ShrVIM(VecValue zdn, PredV pg, uint32_t shift, CpuContext* ctx);
VecValue VecU64ShrVIM(VecValue zdn, PredV pg, uint32_t shift, CpuContext* ctx);
VecValue VecU8ShrVIX(VecValue zn, uint32_t shift, CpuContext* ctx);
VecValue VecU16ShrVIX(VecValue zn, uint32_t shift, CpuContext* ctx);
VecValue VecU32ShrVIX(VecValue zn, uint32_t shift, CpuContext* ctx);
VecValue VecU64ShrVIX(VecValue zn, uint32_t shift, CpuContext* ctx);
VecValue VecS8ShrDVIM(VecValue zdn, PredV pg, uint32_t shift, CpuContext* ctx);
VecValue VecS16ShrDVIM(VecValue zdn, PredV pg, uint32_t shift, CpuContext* ctx);
VecValue VecS32ShrDVIM(VecValue zdn, PredV pg, uint32_t shift, CpuContext* ctx);
VecValue VecS64ShrDVIM(VecValue zdn, PredV pg, uint32_t shift, CpuContext* ctx);

// Shifts by the overlapping 64-bit lane of Zm.
VecValue VecU8ShlVWM(VecValue zdn, PredV pg, VecValue zm, CpuContext* ctx);
VecValue VecU16ShlVWM(VecValue zdn, PredV pg, VecValue zm, CpuContext* ctx);
VecValue VecU32ShlVWM(VecValue zdn, PredV pg, VecValue zm, CpuContext* ctx);
VecValue VecU8ShrVWM(VecValue zdn, PredV pg, VecValue zm, CpuContext* ctx);
VecValue VecU16ShrVWM(VecValue zdn, PredV pg, VecValue zm, CpuContext* ctx);
VecValue VecU32ShrVWM(VecValue zdn, PredV pg, VecValue zm, CpuContext* ctx);
VecValue VecS8ShrVWM(VecValue zdn, PredV pg, VecValue zm, CpuContext* ctx);
VecValue VecS16ShrVWM(VecValue zdn, PredV pg, VecValue zm, CpuContext* ctx);
VecValue VecS32ShrVWM(VecValue zdn, PredV pg, VecValue zm, CpuContext* ctx);
VecValue VecU8ShlVWX(VecValue zn, VecValue zm, CpuContext* ctx);
VecValue VecU16ShlVWX(VecValue zn, VecValue zm, CpuContext* ctx);
VecValue VecU32ShlVWX(VecValue zn, VecValue zm, CpuContext* ctx);
VecValue VecU8ShrVWX(VecValue zn, VecValue zm, CpuContext* ctx);
VecValue VecU16ShrVWX(VecValue zn, VecValue zm, CpuContext* ctx);
VecValue VecU32ShrVWX(VecValue zn, VecValue zm, CpuContext* ctx);
VecValue VecS8ShrVWX(VecValue zn, VecValue zm, CpuContext* ctx);
VecValue VecS16ShrVWX(VecValue zn, VecValue zm, CpuContext* ctx);
VecValue VecS32ShrVWX(VecValue zn, VecValue zm, CpuContext* ctx);

// Reversed shifts: Zm shifted by Zdn.
VecValue VecU8ShlRVVM(VecValue zdn, PredV pg, VecValue zm, CpuContext* ctx);
VecValue VecU16ShlRVVM(VecValue zdn, PredV pg, VecValue zm, CpuContext* ctx);
VecValue VecU32ShlRVVM(VecValue zdn, PredV pg, VecValue zm, CpuContext* ctx);
VecValue VecU64ShlRVVM(VecValue zdn, PredV pg, VecValue zm, CpuContext* ctx);
VecValue VecU8ShrRVVM(VecValue zdn, PredV pg, VecValue zm, CpuContext* ctx);
VecValue VecU16ShrRVVM(VecValue zdn, PredV pg, VecValue zm, CpuContext* ctx);
VecValue VecU32ShrRVVM(VecValue zdn, PredV pg, VecValue zm, CpuContext* ctx);
VecValue VecU64ShrRVVM(VecValue zdn, PredV pg, VecValue zm, CpuContext* ctx);
VecValue VecS8ShrRVVM(VecValue zdn, PredV pg, VecValue zm, CpuContext* ctx);
VecValue VecS16ShrRVVM(VecValue zdn, PredV pg, VecValue zm, CpuContext* ctx);
VecValue VecS32ShrRVVM(VecValue zdn, PredV pg, VecValue zm, CpuContext* ctx);
VecValue VecS64ShrRVVM(VecValue zdn, PredV pg, VecValue zm, CpuContext* ctx);

// Saturating addition and subtraction.
VecValue VecU8QAddVVX(VecValue zn, VecValue zm, CpuContext* ctx);
VecValue VecU16QAddVVX(VecValue zn, VecValue zm, CpuContext* ctx);
VecValue VecU32QAddVVX(VecValue zn, VecValue zm, CpuContext* ctx);
VecValue VecU64QAddVVX(VecValue zn, VecValue zm, CpuContext* ctx);
VecValue VecU8QAddVIX(VecValue zdn, uint32_t imm, CpuContext* ctx);
VecValue VecU16QAddVIX(VecValue zdn, uint32_t imm, CpuContext* ctx);
VecValue VecU32QAddVIX(VecValue zdn, uint32_t imm, CpuContext* ctx);
VecValue VecU64QAddVIX(VecValue zdn, uint32_t imm, CpuContext* ctx);
VecValue VecS8QAddVVX(VecValue zn, VecValue zm, CpuContext* ctx);
VecValue VecS16QAddVVX(VecValue zn, VecValue zm, CpuContext* ctx);
VecValue VecS32QAddVVX(VecValue zn, VecValue zm, CpuContext* ctx);
VecValue VecS64QAddVVX(VecValue zn, VecValue zm, CpuContext* ctx);
VecValue VecS8QAddVIX(VecValue zdn, uint32_t imm, CpuContext* ctx);
VecValue VecS16QAddVIX(VecValue zdn, uint32_t imm, CpuContext* ctx);
VecValue VecS32QAddVIX(VecValue zdn, uint32_t imm, CpuContext* ctx);
VecValue VecS64QAddVIX(VecValue zdn, uint32_t imm, CpuContext* ctx);
VecValue VecU8QSubVVX(VecValue zn, VecValue zm, CpuContext* ctx);
VecValue VecU16QSubVVX(VecValue zn, VecValue zm, CpuContext* ctx);
VecValue VecU32QSubVVX(VecValue zn, VecValue zm, CpuContext* ctx);
VecValue VecU64QSubVVX(VecValue zn, VecValue zm, CpuContext* ctx);
VecValue VecU8QSubVIX(VecValue zdn, uint32_t imm, CpuContext* ctx);
VecValue VecU16QSubVIX(VecValue zdn, uint32_t imm, CpuContext* ctx);
VecValue VecU32QSubVIX(VecValue zdn, uint32_t imm, CpuContext* ctx);
VecValue VecU64QSubVIX(VecValue zdn, uint32_t imm, CpuContext* ctx);
VecValue VecS8QSubVVX(VecValue zn, VecValue zm, CpuContext* ctx);
VecValue VecS16QSubVVX(VecValue zn, VecValue zm, CpuContext* ctx);
VecValue VecS32QSubVVX(VecValue zn, VecValue zm, CpuContext* ctx);
VecValue VecS64QSubVVX(VecValue zn, VecValue zm, CpuContext* ctx);
VecValue VecS8QSubVIX(VecValue zdn, uint32_t imm, CpuContext* ctx);
VecValue VecS16QSubVIX(VecValue zdn, uint32_t imm, CpuContext* ctx);
VecValue VecS32QSubVIX(VecValue zdn, uint32_t imm, CpuContext* ctx);
VecValue VecS64QSubVIX(VecValue zdn, uint32_t imm, CpuContext* ctx);

// Dot products: four narrow products per accumulator element.
VecValue VecU32DotVVVX(VecValue zda, VecValue zn, VecValue zm, CpuContext* ctx);
VecValue VecU32DotVVVIX(VecValue zda, VecValue zn, VecValue zm, uint32_t index, CpuContext* ctx);
VecValue VecU64DotVVVX(VecValue zda, VecValue zn, VecValue zm, CpuContext* ctx);
VecValue VecU64DotVVVIX(VecValue zda, VecValue zn, VecValue zm, uint32_t index, CpuContext* ctx);
VecValue VecS32DotVVVX(VecValue zda, VecValue zn, VecValue zm, CpuContext* ctx);
VecValue VecS32DotVVVIX(VecValue zda, VecValue zn, VecValue zm, uint32_t index, CpuContext* ctx);
VecValue VecS64DotVVVX(VecValue zda, VecValue zn, VecValue zm, CpuContext* ctx);
VecValue VecS64DotVVVIX(VecValue zda, VecValue zn, VecValue zm, uint32_t index, CpuContext* ctx);

}  // extern "C"

#endif  // QRX_LIBRARY_INTEGER_LIB_H
