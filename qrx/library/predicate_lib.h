// Instruction library: predicate and condition-flag instructions.
//
// Value operands first, the context last; element counts follow the
// context's VL. Predicate results hold each element's bit in its first bit
// and zeros elsewhere, and nothing beyond the vector length.
#ifndef QRX_LIBRARY_PREDICATE_LIB_H
#define QRX_LIBRARY_PREDICATE_LIB_H

#include <cstdint>

#include "qrx/library/lib_types.h"

extern "C" {

// Predicate logic under a zeroing Pg (ORN, NAND; the Flg forms set the flags
// by the test of the result under Pg).
PredV VecPOrNPPZ(PredV pg, PredV pn, PredV pm, CpuContext* ctx);
PredV VecPNandPPZ(PredV pg, PredV pn, PredV pm, CpuContext* ctx);
PredV VecPAndFlgPPZ(PredV pg, PredV pn, PredV pm, CpuContext* ctx);
PredV VecPBicFlgPPZ(PredV pg, PredV pn, PredV pm, CpuContext* ctx);
PredV VecPOrFlgPPZ(PredV pg, PredV pn, PredV pm, CpuContext* ctx);
PredV VecPOrNFlgPPZ(PredV pg, PredV pn, PredV pm, CpuContext* ctx);
PredV VecPNorFlgPPZ(PredV pg, PredV pn, PredV pm, CpuContext* ctx);
PredV VecPNandFlgPPZ(PredV pg, PredV pn, PredV pm, CpuContext* ctx);
PredV VecPXorFlgPPZ(PredV pg, PredV pn, PredV pm, CpuContext* ctx);

// PTRUES: the pattern's leading elements true, flags by the result's test
// under itself.
PredV VecP8TrueFlgI(unsigned long pattern, CpuContext* ctx);
PredV VecP16TrueFlgI(unsigned long pattern, CpuContext* ctx);
PredV VecP32TrueFlgI(unsigned long pattern, CpuContext* ctx);
PredV VecP64TrueFlgI(unsigned long pattern, CpuContext* ctx);

// PFIRST: Pdn with Pg's first true bit set.
PredV VecPSetFirstActiveP(PredV pg, PredV pdn, CpuContext* ctx);

// BRKAS, BRKBS (zeroing).
PredV VecPBreakAFlgPZ(PredV pg, PredV pn, CpuContext* ctx);
PredV VecPBreakBFlgPZ(PredV pg, PredV pn, CpuContext* ctx);

// BRKPA, BRKPAS.
PredV VecPBreakPrevAPZ(PredV pg, PredV pn, PredV pm, CpuContext* ctx);
PredV VecPBreakPrevAFlgPZ(PredV pg, PredV pn, PredV pm, CpuContext* ctx);

// RDFFRS: FFR under Pg, flags by the test under Pg.
PredV VecPActualFlgP(PredV pg, CpuContext* ctx);

// WHILELE on 32-bit (While4) and 64-bit (While8) signed operands.
PredV VecS8While4LESS(int32_t rn, int32_t rm, CpuContext* ctx);
PredV VecS16While4LESS(int32_t rn, int32_t rm, CpuContext* ctx);
PredV VecS32While4LESS(int32_t rn, int32_t rm, CpuContext* ctx);
PredV VecS64While4LESS(int32_t rn, int32_t rm, CpuContext* ctx);
PredV VecS8While8LESS(int64_t rn, int64_t rm, CpuContext* ctx);
PredV VecS16While8LESS(int64_t rn, int64_t rm, CpuContext* ctx);
PredV VecS32While8LESS(int64_t rn, int64_t rm, CpuContext* ctx);
PredV VecS64While8LESS(int64_t rn, int64_t rm, CpuContext* ctx);

// CTERMEQ, CTERMNE: N and V from the comparison, Z and C unchanged.
void VecU32CTermEQ(uint32_t rn, uint32_t rm, CpuContext* ctx);
void VecU32CTermNE(uint32_t rn, uint32_t rm, CpuContext* ctx);
void VecU64CTermEQ(uint64_t rn, uint64_t rm, CpuContext* ctx);
void VecU64CTermNE(uint64_t rn, uint64_t rm, CpuContext* ctx);

}  // extern "C"

#endif  // QRX_LIBRARY_PREDICATE_LIB_H
