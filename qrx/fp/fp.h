// The floating-point library: bit-exact half, single and double precision
// arithmetic in integer operations, with the rounding modes, flush-to-zero,
// default-NaN and cumulative flag rules of the Kalt64 floating-point unit.
#ifndef QRX_FP_FP_H
#define QRX_FP_FP_H

#include "qrx/fp/fp_add.h"
#include "qrx/fp/fp_compare.h"
#include "qrx/fp/fp_convert.h"
#include "qrx/fp/fp_core.h"
#include "qrx/fp/fp_div.h"
#include "qrx/fp/fp_estimate.h"
#include "qrx/fp/fp_expa.h"
#include "qrx/fp/fp_fixed.h"
#include "qrx/fp/fp_minmax.h"
#include "qrx/fp/fp_mul.h"
#include "qrx/fp/fp_muladd.h"
#include "qrx/fp/fp_round_int.h"
#include "qrx/fp/fp_scale.h"
#include "qrx/fp/fp_sqrt.h"
#include "qrx/fp/fp_status.h"
#include "qrx/fp/fp_step.h"
#include "qrx/fp/fp_trig.h"

#endif  // QRX_FP_FP_H
