// Instruction library: integer arithmetic, logic and shift forms. Each
// exported function binds its element type and operation to one of the
// form skeletons below.
#include "qrx/library/integer_lib.h"

#include "qrx/library/int_ops.h"

using namespace qrx;

namespace {

// Element i of a packed predicate.
template <typename T>
struct PackedActive {
  const PredV& pg;
  bool operator()(unsigned i) const { return pg.active(i, sizeof(T)); }
};

// Predicated: Zdn op Zm, Zdn op lane, Zdn op imm where active, Zdn
// elsewhere. Elements beyond the context's VL are zero.
template <typename T, typename Rhs, typename Op>
VecValue predicated(const VecValue& zdn, const PredV& pg, Rhs rhs, const CpuContext* ctx, Op op) {
  VecValue r{};
  merge_binary<T>(r.b, ctx_elements(ctx, sizeof(T)), PackedActive<T>{pg}, zdn.b, rhs, op);
  return r;
}
template <typename T, typename Op>
VecValue vvm(const VecValue& zdn, const PredV& pg, const VecValue& zm, const CpuContext* ctx,
             Op op) {
  return predicated<T>(zdn, pg, VecRhs<T>{zm.b}, ctx, op);
}
// The second operand is the 64-bit lane of Zm over the element.
template <typename T, typename Op>
VecValue vwm(const VecValue& zdn, const PredV& pg, const VecValue& zm, const CpuContext* ctx,
             Op op) {
  return predicated<T>(zdn, pg, WideRhs<T>{zm.b}, ctx, op);
}
template <typename T, typename Op>
VecValue vim(const VecValue& zdn, const PredV& pg, uint64_t imm, const CpuContext* ctx, Op op) {
  return predicated<T>(zdn, pg, ImmRhs<uint64_t>{imm}, ctx, op);
}
// Unpredicated: Zn op Zm, Zn op lane, Zn op imm.
template <typename T, typename Rhs, typename Op>
VecValue unpredicated(const VecValue& zn, Rhs rhs, const CpuContext* ctx, Op op) {
  VecValue r{};
  merge_binary<T>(r.b, ctx_elements(ctx, sizeof(T)), AllActive{}, zn.b, rhs, op);
  return r;
}
template <typename T, typename Op>
VecValue vvx(const VecValue& zn, const VecValue& zm, const CpuContext* ctx, Op op) {
  return unpredicated<T>(zn, VecRhs<T>{zm.b}, ctx, op);
}
template <typename T, typename Op>
VecValue vwx(const VecValue& zn, const VecValue& zm, const CpuContext* ctx, Op op) {
  return unpredicated<T>(zn, WideRhs<T>{zm.b}, ctx, op);
}
template <typename T, typename V, typename Op>
VecValue vix(const VecValue& zn, V imm, const CpuContext* ctx, Op op) {
  return unpredicated<T>(zn, ImmRhs<V>{imm}, ctx, op);
}
// op(Zn) where active, Zd elsewhere.
template <typename T, typename Op>
VecValue vm(const VecValue& zd, const PredV& pg, const VecValue& zn, const CpuContext* ctx,
            Op op) {
  VecValue r{};
  merge_unary<T>(r.b, ctx_elements(ctx, sizeof(T)), PackedActive<T>{pg}, zd.b, zn.b, op);
  return r;
}

uint64_t sext(int32_t imm) { return static_cast<uint64_t>(int64_t{imm}); }

// Dot product into Acc elements of four Narrow products each. With an index
// the Zm group is the index-th of the element's 128-bit segment.
constexpr uint32_t kNoIndex = ~uint32_t{0};
template <typename Acc, typename Narrow, bool Unsigned>
VecValue dot(const VecValue& zda, const VecValue& zn, const VecValue& zm, uint32_t index,
             const CpuContext* ctx) {
  constexpr unsigned kPerSegment = 16 / sizeof(Acc);
  VecValue r{};
  unsigned n = ctx_elements(ctx, sizeof(Acc));
  for (unsigned i = 0; i < n; ++i) {
    unsigned group = index == kNoIndex ? i : (i & ~(kPerSegment - 1)) + (index & (kPerSegment - 1));
    uint64_t sum = zda.get<Acc>(i);
    for (unsigned k = 0; k < 4; ++k)
      sum += bits(MulInt(wide<Unsigned>(zn.get<Narrow>(4 * i + k)),
                         wide<Unsigned>(zm.get<Narrow>(4 * group + k))));
    r.set<Acc>(i, static_cast<Acc>(sum));
  }
  return r;
}

}  // namespace

extern "C" {

// Reversed subtraction: Zm - Zdn where active; imm - Zdn.
VecValue VecU8SubRVVM(VecValue zdn, PredV pg, VecValue zm, CpuContext* ctx) {
  return vvm<uint8_t>(zdn, pg, zm, ctx, SubROp{});
}
VecValue VecU16SubRVVM(VecValue zdn, PredV pg, VecValue zm, CpuContext* ctx) {
  return vvm<uint16_t>(zdn, pg, zm, ctx, SubROp{});
}
VecValue VecU32SubRVVM(VecValue zdn, PredV pg, VecValue zm, CpuContext* ctx) {
  return vvm<uint32_t>(zdn, pg, zm, ctx, SubROp{});
}
VecValue VecU64SubRVVM(VecValue zdn, PredV pg, VecValue zm, CpuContext* ctx) {
  return vvm<uint64_t>(zdn, pg, zm, ctx, SubROp{});
}
VecValue VecU8SubRVIX(VecValue zdn, uint32_t imm, CpuContext* ctx) {
  return vix<uint8_t>(zdn, static_cast<uint8_t>(imm), ctx, SubROp{});
}
VecValue VecU16SubRVIX(VecValue zdn, uint32_t imm, CpuContext* ctx) {
  return vix<uint16_t>(zdn, static_cast<uint16_t>(imm), ctx, SubROp{});
}
VecValue VecU32SubRVIX(VecValue zdn, uint32_t imm, CpuContext* ctx) {
  return vix<uint32_t>(zdn, static_cast<uint32_t>(imm), ctx, SubROp{});
}
VecValue VecU64SubRVIX(VecValue zdn, uint32_t imm, CpuContext* ctx) {
  return vix<uint64_t>(zdn, static_cast<uint64_t>(imm), ctx, SubROp{});
}

// High half of the product, absolute difference.
VecValue VecU8MulHVVM(VecValue zdn, PredV pg, VecValue zm, CpuContext* ctx) {
  return vvm<uint8_t>(zdn, pg, zm, ctx, MulHOp<true>{});
}
VecValue VecU16MulHVVM(VecValue zdn, PredV pg, VecValue zm, CpuContext* ctx) {
  return vvm<uint16_t>(zdn, pg, zm, ctx, MulHOp<true>{});
}
VecValue VecU32MulHVVM(VecValue zdn, PredV pg, VecValue zm, CpuContext* ctx) {
  return vvm<uint32_t>(zdn, pg, zm, ctx, MulHOp<true>{});
}
VecValue VecU64MulHVVM(VecValue zdn, PredV pg, VecValue zm, CpuContext* ctx) {
  return vvm<uint64_t>(zdn, pg, zm, ctx, MulHOp<true>{});
}
VecValue VecS8MulHVVM(VecValue zdn, PredV pg, VecValue zm, CpuContext* ctx) {
  return vvm<uint8_t>(zdn, pg, zm, ctx, MulHOp<false>{});
}
VecValue VecS16MulHVVM(VecValue zdn, PredV pg, VecValue zm, CpuContext* ctx) {
  return vvm<uint16_t>(zdn, pg, zm, ctx, MulHOp<false>{});
}
VecValue VecS32MulHVVM(VecValue zdn, PredV pg, VecValue zm, CpuContext* ctx) {
  return vvm<uint32_t>(zdn, pg, zm, ctx, MulHOp<false>{});
}
VecValue VecS64MulHVVM(VecValue zdn, PredV pg, VecValue zm, CpuContext* ctx) {
  return vvm<uint64_t>(zdn, pg, zm, ctx, MulHOp<false>{});
}
VecValue VecU8AbdVVM(VecValue zdn, PredV pg, VecValue zm, CpuContext* ctx) {
  return vvm<uint8_t>(zdn, pg, zm, ctx, AbdOp<true>{});
}
VecValue VecU16AbdVVM(VecValue zdn, PredV pg, VecValue zm, CpuContext* ctx) {
  return vvm<uint16_t>(zdn, pg, zm, ctx, AbdOp<true>{});
}
VecValue VecU32AbdVVM(VecValue zdn, PredV pg, VecValue zm, CpuContext* ctx) {
  return vvm<uint32_t>(zdn, pg, zm, ctx, AbdOp<true>{});
}
VecValue VecU64AbdVVM(VecValue zdn, PredV pg, VecValue zm, CpuContext* ctx) {
  return vvm<uint64_t>(zdn, pg, zm, ctx, AbdOp<true>{});
}
VecValue VecS8AbdVVM(VecValue zdn, PredV pg, VecValue zm, CpuContext* ctx) {
  return vvm<uint8_t>(zdn, pg, zm, ctx, AbdOp<false>{});
}
VecValue VecS16AbdVVM(VecValue zdn, PredV pg, VecValue zm, CpuContext* ctx) {
  return vvm<uint16_t>(zdn, pg, zm, ctx, AbdOp<false>{});
}
VecValue VecS32AbdVVM(VecValue zdn, PredV pg, VecValue zm, CpuContext* ctx) {
  return vvm<uint32_t>(zdn, pg, zm, ctx, AbdOp<false>{});
}
VecValue VecS64AbdVVM(VecValue zdn, PredV pg, VecValue zm, CpuContext* ctx) {
  return vvm<uint64_t>(zdn, pg, zm, ctx, AbdOp<false>{});
}

// Maximum and minimum with an immediate (unsigned 0..255, signed -128..127).
VecValue VecU8MaxVIX(VecValue zdn, uint32_t imm, CpuContext* ctx) {
  return vix<uint8_t>(zdn, uint64_t{imm}, ctx, MaxOp<true>{});
}
VecValue VecU16MaxVIX(VecValue zdn, uint32_t imm, CpuContext* ctx) {
  return vix<uint16_t>(zdn, uint64_t{imm}, ctx, MaxOp<true>{});
}
VecValue VecU32MaxVIX(VecValue zdn, uint32_t imm, CpuContext* ctx) {
  return vix<uint32_t>(zdn, uint64_t{imm}, ctx, MaxOp<true>{});
}
VecValue VecU64MaxVIX(VecValue zdn, uint32_t imm, CpuContext* ctx) {
  return vix<uint64_t>(zdn, uint64_t{imm}, ctx, MaxOp<true>{});
}
VecValue VecU8MinVIX(VecValue zdn, uint32_t imm, CpuContext* ctx) {
  return vix<uint8_t>(zdn, uint64_t{imm}, ctx, MinOp<true>{});
}
VecValue VecU16MinVIX(VecValue zdn, uint32_t imm, CpuContext* ctx) {
  return vix<uint16_t>(zdn, uint64_t{imm}, ctx, MinOp<true>{});
}
VecValue VecU32MinVIX(VecValue zdn, uint32_t imm, CpuContext* ctx) {
  return vix<uint32_t>(zdn, uint64_t{imm}, ctx, MinOp<true>{});
}
VecValue VecU64MinVIX(VecValue zdn, uint32_t imm, CpuContext* ctx) {
  return vix<uint64_t>(zdn, uint64_t{imm}, ctx, MinOp<true>{});
}
VecValue VecS8MaxVIX(VecValue zdn, int32_t imm, CpuContext* ctx) {
  return vix<uint8_t>(zdn, sext(imm), ctx, MaxOp<false>{});
}
VecValue VecS16MaxVIX(VecValue zdn, int32_t imm, CpuContext* ctx) {
  return vix<uint16_t>(zdn, sext(imm), ctx, MaxOp<false>{});
}
VecValue VecS32MaxVIX(VecValue zdn, int32_t imm, CpuContext* ctx) {
  return vix<uint32_t>(zdn, sext(imm), ctx, MaxOp<false>{});
}
VecValue VecS64MaxVIX(VecValue zdn, int32_t imm, CpuContext* ctx) {
  return vix<uint64_t>(zdn, sext(imm), ctx, MaxOp<false>{});
}
VecValue VecS8MinVIX(VecValue zdn, int32_t imm, CpuContext* ctx) {
  return vix<uint8_t>(zdn, sext(imm), ctx, MinOp<false>{});
}
VecValue VecS16MinVIX(VecValue zdn, int32_t imm, CpuContext* ctx) {
  return vix<uint16_t>(zdn, sext(imm), ctx, MinOp<false>{});
}
VecValue VecS32MinVIX(VecValue zdn, int32_t imm, CpuContext* ctx) {
  return vix<uint32_t>(zdn, sext(imm), ctx, MinOp<false>{});
}
VecValue VecS64MinVIX(VecValue zdn, int32_t imm, CpuContext* ctx) {
  return vix<uint64_t>(zdn, sext(imm), ctx, MinOp<false>{});
}

// Absolute value, merging into Zd.
VecValue VecS8AbsVM(VecValue zd, PredV pg, VecValue zn, CpuContext* ctx) {
  return vm<uint8_t>(zd, pg, zn, ctx, AbsOp{});
}
VecValue VecS16AbsVM(VecValue zd, PredV pg, VecValue zn, CpuContext* ctx) {
  return vm<uint16_t>(zd, pg, zn, ctx, AbsOp{});
}
VecValue VecS32AbsVM(VecValue zd, PredV pg, VecValue zn, CpuContext* ctx) {
  return vm<uint32_t>(zd, pg, zn, ctx, AbsOp{});
}
VecValue VecS64AbsVM(VecValue zd, PredV pg, VecValue zn, CpuContext* ctx) {
  return vm<uint64_t>(zd, pg, zn, ctx, AbsOp{});
}

// Logical right shift by immediate; ASRD (division by 2^shift toward zero).
VecValue VecU8ShrVIM(VecValue zdn, PredV pg, uint32_t shift, CpuContext* ctx) {
  return vim<uint8_t>(zdn, pg, shift, ctx, LsrOp{});
}
VecValue VecU16ShrVIM(VecValue zdn, PredV pg, uint32_t shift, CpuContext* ctx) {
  return vim<uint16_t>(zdn, pg, shift, ctx, LsrOp{});
}
VecValue VecU32ShrVIM(VecValue zdn, PredV pg, uint32_t shift, CpuContext* ctx) {
  return vim<uint32_t>(zdn, pg, shift, ctx, LsrOp{});
}
VecValue VecU64ShrVIM(VecValue zdn, PredV pg, uint32_t shift, CpuContext* ctx) {
  return vim<uint64_t>(zdn, pg, shift, ctx, LsrOp{});
}
VecValue VecU8ShrVIX(VecValue zn, uint32_t shift, CpuContext* ctx) {
  return vix<uint8_t>(zn, uint64_t{shift}, ctx, LsrOp{});
}
VecValue VecU16ShrVIX(VecValue zn, uint32_t shift, CpuContext* ctx) {
  return vix<uint16_t>(zn, uint64_t{shift}, ctx, LsrOp{});
}
VecValue VecU32ShrVIX(VecValue zn, uint32_t shift, CpuContext* ctx) {
  return vix<uint32_t>(zn, uint64_t{shift}, ctx, LsrOp{});
}
VecValue VecU64ShrVIX(VecValue zn, uint32_t shift, CpuContext* ctx) {
  return vix<uint64_t>(zn, uint64_t{shift}, ctx, LsrOp{});
}
VecValue VecS8ShrDVIM(VecValue zdn, PredV pg, uint32_t shift, CpuContext* ctx) {
  return vim<uint8_t>(zdn, pg, shift, ctx, AsrdOp{});
}
VecValue VecS16ShrDVIM(VecValue zdn, PredV pg, uint32_t shift, CpuContext* ctx) {
  return vim<uint16_t>(zdn, pg, shift, ctx, AsrdOp{});
}
VecValue VecS32ShrDVIM(VecValue zdn, PredV pg, uint32_t shift, CpuContext* ctx) {
  return vim<uint32_t>(zdn, pg, shift, ctx, AsrdOp{});
}
VecValue VecS64ShrDVIM(VecValue zdn, PredV pg, uint32_t shift, CpuContext* ctx) {
  return vim<uint64_t>(zdn, pg, shift, ctx, AsrdOp{});
}

// Shifts by the overlapping 64-bit lane of Zm.
VecValue VecU8ShlVWM(VecValue zdn, PredV pg, VecValue zm, CpuContext* ctx) {
  return vwm<uint8_t>(zdn, pg, zm, ctx, LslOp{});
}
VecValue VecU16ShlVWM(VecValue zdn, PredV pg, VecValue zm, CpuContext* ctx) {
  return vwm<uint16_t>(zdn, pg, zm, ctx, LslOp{});
}
VecValue VecU32ShlVWM(VecValue zdn, PredV pg, VecValue zm, CpuContext* ctx) {
  return vwm<uint32_t>(zdn, pg, zm, ctx, LslOp{});
}
VecValue VecU8ShrVWM(VecValue zdn, PredV pg, VecValue zm, CpuContext* ctx) {
  return vwm<uint8_t>(zdn, pg, zm, ctx, LsrOp{});
}
VecValue VecU16ShrVWM(VecValue zdn, PredV pg, VecValue zm, CpuContext* ctx) {
  return vwm<uint16_t>(zdn, pg, zm, ctx, LsrOp{});
}
VecValue VecU32ShrVWM(VecValue zdn, PredV pg, VecValue zm, CpuContext* ctx) {
  return vwm<uint32_t>(zdn, pg, zm, ctx, LsrOp{});
}
VecValue VecS8ShrVWM(VecValue zdn, PredV pg, VecValue zm, CpuContext* ctx) {
  return vwm<uint8_t>(zdn, pg, zm, ctx, AsrOp{});
}
VecValue VecS16ShrVWM(VecValue zdn, PredV pg, VecValue zm, CpuContext* ctx) {
  return vwm<uint16_t>(zdn, pg, zm, ctx, AsrOp{});
}
VecValue VecS32ShrVWM(VecValue zdn, PredV pg, VecValue zm, CpuContext* ctx) {
  return vwm<uint32_t>(zdn, pg, zm, ctx, AsrOp{});
}
VecValue VecU8ShlVWX(VecValue zn, VecValue zm, CpuContext* ctx) {
  return vwx<uint8_t>(zn, zm, ctx, LslOp{});
}
VecValue VecU16ShlVWX(VecValue zn, VecValue zm, CpuContext* ctx) {
  return vwx<uint16_t>(zn, zm, ctx, LslOp{});
}
VecValue VecU32ShlVWX(VecValue zn, VecValue zm, CpuContext* ctx) {
  return vwx<uint32_t>(zn, zm, ctx, LslOp{});
}
VecValue VecU8ShrVWX(VecValue zn, VecValue zm, CpuContext* ctx) {
  return vwx<uint8_t>(zn, zm, ctx, LsrOp{});
}
VecValue VecU16ShrVWX(VecValue zn, VecValue zm, CpuContext* ctx) {
  return vwx<uint16_t>(zn, zm, ctx, LsrOp{});
}
VecValue VecU32ShrVWX(VecValue zn, VecValue zm, CpuContext* ctx) {
  return vwx<uint32_t>(zn, zm, ctx, LsrOp{});
}
VecValue VecS8ShrVWX(VecValue zn, VecValue zm, CpuContext* ctx) {
  return vwx<uint8_t>(zn, zm, ctx, AsrOp{});
}
VecValue VecS16ShrVWX(VecValue zn, VecValue zm, CpuContext* ctx) {
  return vwx<uint16_t>(zn, zm, ctx, AsrOp{});
}
VecValue VecS32ShrVWX(VecValue zn, VecValue zm, CpuContext* ctx) {
  return vwx<uint32_t>(zn, zm, ctx, AsrOp{});
}

// Reversed shifts: Zm shifted by Zdn.
VecValue VecU8ShlRVVM(VecValue zdn, PredV pg, VecValue zm, CpuContext* ctx) {
  return vvm<uint8_t>(zdn, pg, zm, ctx, LslROp{});
}
VecValue VecU16ShlRVVM(VecValue zdn, PredV pg, VecValue zm, CpuContext* ctx) {
  return vvm<uint16_t>(zdn, pg, zm, ctx, LslROp{});
}
VecValue VecU32ShlRVVM(VecValue zdn, PredV pg, VecValue zm, CpuContext* ctx) {
  return vvm<uint32_t>(zdn, pg, zm, ctx, LslROp{});
}
VecValue VecU64ShlRVVM(VecValue zdn, PredV pg, VecValue zm, CpuContext* ctx) {
  return vvm<uint64_t>(zdn, pg, zm, ctx, LslROp{});
}
VecValue VecU8ShrRVVM(VecValue zdn, PredV pg, VecValue zm, CpuContext* ctx) {
  return vvm<uint8_t>(zdn, pg, zm, ctx, LsrROp{});
}
VecValue VecU16ShrRVVM(VecValue zdn, PredV pg, VecValue zm, CpuContext* ctx) {
  return vvm<uint16_t>(zdn, pg, zm, ctx, LsrROp{});
}
VecValue VecU32ShrRVVM(VecValue zdn, PredV pg, VecValue zm, CpuContext* ctx) {
  return vvm<uint32_t>(zdn, pg, zm, ctx, LsrROp{});
}
VecValue VecU64ShrRVVM(VecValue zdn, PredV pg, VecValue zm, CpuContext* ctx) {
  return vvm<uint64_t>(zdn, pg, zm, ctx, LsrROp{});
}
VecValue VecS8ShrRVVM(VecValue zdn, PredV pg, VecValue zm, CpuContext* ctx) {
  return vvm<uint8_t>(zdn, pg, zm, ctx, AsrROp{});
}
VecValue VecS16ShrRVVM(VecValue zdn, PredV pg, VecValue zm, CpuContext* ctx) {
  return vvm<uint16_t>(zdn, pg, zm, ctx, AsrROp{});
}
VecValue VecS32ShrRVVM(VecValue zdn, PredV pg, VecValue zm, CpuContext* ctx) {
  return vvm<uint32_t>(zdn, pg, zm, ctx, AsrROp{});
}
VecValue VecS64ShrRVVM(VecValue zdn, PredV pg, VecValue zm, CpuContext* ctx) {
  return vvm<uint64_t>(zdn, pg, zm, ctx, AsrROp{});
}

// Saturating addition and subtraction.
VecValue VecU8QAddVVX(VecValue zn, VecValue zm, CpuContext* ctx) {
  return vvx<uint8_t>(zn, zm, ctx, QAddOp<true>{});
}
VecValue VecU16QAddVVX(VecValue zn, VecValue zm, CpuContext* ctx) {
  return vvx<uint16_t>(zn, zm, ctx, QAddOp<true>{});
}
VecValue VecU32QAddVVX(VecValue zn, VecValue zm, CpuContext* ctx) {
  return vvx<uint32_t>(zn, zm, ctx, QAddOp<true>{});
}
VecValue VecU64QAddVVX(VecValue zn, VecValue zm, CpuContext* ctx) {
  return vvx<uint64_t>(zn, zm, ctx, QAddOp<true>{});
}
VecValue VecU8QAddVIX(VecValue zdn, uint32_t imm, CpuContext* ctx) {
  return vix<uint8_t>(zdn, uint64_t{imm}, ctx, QAddImmOp<true>{});
}
VecValue VecU16QAddVIX(VecValue zdn, uint32_t imm, CpuContext* ctx) {
  return vix<uint16_t>(zdn, uint64_t{imm}, ctx, QAddImmOp<true>{});
}
VecValue VecU32QAddVIX(VecValue zdn, uint32_t imm, CpuContext* ctx) {
  return vix<uint32_t>(zdn, uint64_t{imm}, ctx, QAddImmOp<true>{});
}
VecValue VecU64QAddVIX(VecValue zdn, uint32_t imm, CpuContext* ctx) {
  return vix<uint64_t>(zdn, uint64_t{imm}, ctx, QAddImmOp<true>{});
}
VecValue VecS8QAddVVX(VecValue zn, VecValue zm, CpuContext* ctx) {
  return vvx<uint8_t>(zn, zm, ctx, QAddOp<false>{});
}
VecValue VecS16QAddVVX(VecValue zn, VecValue zm, CpuContext* ctx) {
  return vvx<uint16_t>(zn, zm, ctx, QAddOp<false>{});
}
VecValue VecS32QAddVVX(VecValue zn, VecValue zm, CpuContext* ctx) {
  return vvx<uint32_t>(zn, zm, ctx, QAddOp<false>{});
}
VecValue VecS64QAddVVX(VecValue zn, VecValue zm, CpuContext* ctx) {
  return vvx<uint64_t>(zn, zm, ctx, QAddOp<false>{});
}
VecValue VecS8QAddVIX(VecValue zdn, uint32_t imm, CpuContext* ctx) {
  return vix<uint8_t>(zdn, uint64_t{imm}, ctx, QAddImmOp<false>{});
}
VecValue VecS16QAddVIX(VecValue zdn, uint32_t imm, CpuContext* ctx) {
  return vix<uint16_t>(zdn, uint64_t{imm}, ctx, QAddImmOp<false>{});
}
VecValue VecS32QAddVIX(VecValue zdn, uint32_t imm, CpuContext* ctx) {
  return vix<uint32_t>(zdn, uint64_t{imm}, ctx, QAddImmOp<false>{});
}
VecValue VecS64QAddVIX(VecValue zdn, uint32_t imm, CpuContext* ctx) {
  return vix<uint64_t>(zdn, uint64_t{imm}, ctx, QAddImmOp<false>{});
}
VecValue VecU8QSubVVX(VecValue zn, VecValue zm, CpuContext* ctx) {
  return vvx<uint8_t>(zn, zm, ctx, QSubOp<true>{});
}
VecValue VecU16QSubVVX(VecValue zn, VecValue zm, CpuContext* ctx) {
  return vvx<uint16_t>(zn, zm, ctx, QSubOp<true>{});
}
VecValue VecU32QSubVVX(VecValue zn, VecValue zm, CpuContext* ctx) {
  return vvx<uint32_t>(zn, zm, ctx, QSubOp<true>{});
}
VecValue VecU64QSubVVX(VecValue zn, VecValue zm, CpuContext* ctx) {
  return vvx<uint64_t>(zn, zm, ctx, QSubOp<true>{});
}
VecValue VecU8QSubVIX(VecValue zdn, uint32_t imm, CpuContext* ctx) {
  return vix<uint8_t>(zdn, uint64_t{imm}, ctx, QSubImmOp<true>{});
}
VecValue VecU16QSubVIX(VecValue zdn, uint32_t imm, CpuContext* ctx) {
  return vix<uint16_t>(zdn, uint64_t{imm}, ctx, QSubImmOp<true>{});
}
VecValue VecU32QSubVIX(VecValue zdn, uint32_t imm, CpuContext* ctx) {
  return vix<uint32_t>(zdn, uint64_t{imm}, ctx, QSubImmOp<true>{});
}
VecValue VecU64QSubVIX(VecValue zdn, uint32_t imm, CpuContext* ctx) {
  return vix<uint64_t>(zdn, uint64_t{imm}, ctx, QSubImmOp<true>{});
}
VecValue VecS8QSubVVX(VecValue zn, VecValue zm, CpuContext* ctx) {
  return vvx<uint8_t>(zn, zm, ctx, QSubOp<false>{});
}
VecValue VecS16QSubVVX(VecValue zn, VecValue zm, CpuContext* ctx) {
  return vvx<uint16_t>(zn, zm, ctx, QSubOp<false>{});
}
VecValue VecS32QSubVVX(VecValue zn, VecValue zm, CpuContext* ctx) {
  return vvx<uint32_t>(zn, zm, ctx, QSubOp<false>{});
}
VecValue VecS64QSubVVX(VecValue zn, VecValue zm, CpuContext* ctx) {
  return vvx<uint64_t>(zn, zm, ctx, QSubOp<false>{});
}
VecValue VecS8QSubVIX(VecValue zdn, uint32_t imm, CpuContext* ctx) {
  return vix<uint8_t>(zdn, uint64_t{imm}, ctx, QSubImmOp<false>{});
}
VecValue VecS16QSubVIX(VecValue zdn, uint32_t imm, CpuContext* ctx) {
  return vix<uint16_t>(zdn, uint64_t{imm}, ctx, QSubImmOp<false>{});
}
VecValue VecS32QSubVIX(VecValue zdn, uint32_t imm, CpuContext* ctx) {
  return vix<uint32_t>(zdn, uint64_t{imm}, ctx, QSubImmOp<false>{});
}
VecValue VecS64QSubVIX(VecValue zdn, uint32_t imm, CpuContext* ctx) {
  return vix<uint64_t>(zdn, uint64_t{imm}, ctx, QSubImmOp<false>{});
}

// Dot products: four narrow products per accumulator element.
VecValue VecU32DotVVVX(VecValue zda, VecValue zn, VecValue zm, CpuContext* ctx) {
  return dot<uint32_t, uint8_t, true>(zda, zn, zm, kNoIndex, ctx);
}
VecValue VecU32DotVVVIX(VecValue zda, VecValue zn, VecValue zm, uint32_t index, CpuContext* ctx) {
  return dot<uint32_t, uint8_t, true>(zda, zn, zm, index, ctx);
}
VecValue VecU64DotVVVX(VecValue zda, VecValue zn, VecValue zm, CpuContext* ctx) {
  return dot<uint64_t, uint16_t, true>(zda, zn, zm, kNoIndex, ctx);
}
VecValue VecU64DotVVVIX(VecValue zda, VecValue zn, VecValue zm, uint32_t index, CpuContext* ctx) {
  return dot<uint64_t, uint16_t, true>(zda, zn, zm, index, ctx);
}
VecValue VecS32DotVVVX(VecValue zda, VecValue zn, VecValue zm, CpuContext* ctx) {
  return dot<uint32_t, uint8_t, false>(zda, zn, zm, kNoIndex, ctx);
}
VecValue VecS32DotVVVIX(VecValue zda, VecValue zn, VecValue zm, uint32_t index, CpuContext* ctx) {
  return dot<uint32_t, uint8_t, false>(zda, zn, zm, index, ctx);
}
VecValue VecS64DotVVVX(VecValue zda, VecValue zn, VecValue zm, CpuContext* ctx) {
  return dot<uint64_t, uint16_t, false>(zda, zn, zm, kNoIndex, ctx);
}
VecValue VecS64DotVVVIX(VecValue zda, VecValue zn, VecValue zm, uint32_t index, CpuContext* ctx) {
  return dot<uint64_t, uint16_t, false>(zda, zn, zm, index, ctx);
}

}  // extern "C"
