// Entry routine of the reference probe: loads the complete register image,
// executes the case's instruction word from the patched slot, stores the
// complete register image and returns.
//
//   void qrx_probe_run(const probe_regs* in, probe_regs* out);
//
// Vector and predicate registers are loaded and stored with QRX transfers so
// that every byte of them is set (a write through the 128-bit view would
// clear the upper bytes). Once the case's registers are loaded no register
// is free, so the routine keeps its own state in qrx_probe_saved and finds
// it again through the thread pointer, which it borrows as one spare
// register after the slot and restores before returning.
#include "probe_abi.h"

        // The slot is rewritten for every case, so this code lives in a
        // writable and executable section.
        .section .qrx_probe_code,"awx",@progbits
        .globl  qrx_probe_run
        .globl  qrx_probe_slot
        .p2align 4
qrx_probe_run:
        stp     x29, x30, [sp, #-160]!
        stp     x19, x20, [sp, #16]
        stp     x21, x22, [sp, #32]
        stp     x23, x24, [sp, #48]
        stp     x25, x26, [sp, #64]
        stp     x27, x28, [sp, #80]
        stp     d8, d9, [sp, #96]
        stp     d10, d11, [sp, #112]
        stp     d12, d13, [sp, #128]
        stp     d14, d15, [sp, #144]
        adrp    x2, qrx_probe_saved
        add     x2, x2, :lo12:qrx_probe_saved
        mov     x3, sp
        str     x3, [x2]
        str     x1, [x2, #8]
        mrs     x3, tpidr_el0
        str     x3, [x2, #16]

        add     x1, x0, #QRX_PROBE_OFF_Z
        .irp    n,0,1,2,3,4,5,6,7,8,9,10,11,12,13,14,15,16,17,18,19,20,21,22,23,24,25,26,27,28,29,30,31
        ldr     z\n, [x1, #\n, mul vl]
        .endr
        addvl   x1, x1, #16
        addvl   x1, x1, #16
        ldr     p0, [x1, #16, mul vl]
        wrffr   p0.b
        .irp    n,0,1,2,3,4,5,6,7,8,9,10,11,12,13,14,15
        ldr     p\n, [x1, #\n, mul vl]
        .endr
        ldr     x2, [x0, #QRX_PROBE_OFF_NZCV]
        msr     nzcv, x2
        ldr     x2, [x0, #QRX_PROBE_OFF_FPSR]
        msr     fpsr, x2
        ldr     x2, [x0, #QRX_PROBE_OFF_FPCR]
        msr     fpcr, x2
        ldr     x2, [x0, #QRX_PROBE_OFF_SP]
        mov     sp, x2
        .irp    n,2,3,4,5,6,7,8,9,10,11,12,13,14,15,16,17,18,19,20,21,22,23,24,25,26,27,28,29,30
        ldr     x\n, [x0, #(8 * \n)]
        .endr
        ldr     x1, [x0, #8]
        ldr     x0, [x0]
qrx_probe_slot:
        nop
        msr     tpidr_el0, x0
        adrp    x0, qrx_probe_saved
        add     x0, x0, :lo12:qrx_probe_saved
        ldr     x0, [x0, #8]
        str     x1, [x0, #8]
        .irp    n,2,3,4,5,6,7,8,9,10,11,12,13,14,15,16,17,18,19,20,21,22,23,24,25,26,27,28,29,30
        str     x\n, [x0, #(8 * \n)]
        .endr
        mrs     x1, tpidr_el0
        str     x1, [x0]
        mov     x1, sp
        str     x1, [x0, #QRX_PROBE_OFF_SP]
        mrs     x1, nzcv
        str     x1, [x0, #QRX_PROBE_OFF_NZCV]
        mrs     x1, fpsr
        str     x1, [x0, #QRX_PROBE_OFF_FPSR]
        mrs     x1, fpcr
        str     x1, [x0, #QRX_PROBE_OFF_FPCR]
        add     x1, x0, #QRX_PROBE_OFF_Z
        .irp    n,0,1,2,3,4,5,6,7,8,9,10,11,12,13,14,15,16,17,18,19,20,21,22,23,24,25,26,27,28,29,30,31
        str     z\n, [x1, #\n, mul vl]
        .endr
        addvl   x1, x1, #16
        addvl   x1, x1, #16
        .irp    n,0,1,2,3,4,5,6,7,8,9,10,11,12,13,14,15
        str     p\n, [x1, #\n, mul vl]
        .endr
        rdffr   p0.b
        str     p0, [x1, #16, mul vl]

        adrp    x2, qrx_probe_saved
        add     x2, x2, :lo12:qrx_probe_saved
        ldr     x3, [x2, #16]
        msr     tpidr_el0, x3
        ldr     x3, [x2]
        mov     sp, x3
        msr     fpcr, xzr
        ldp     d14, d15, [sp, #144]
        ldp     d12, d13, [sp, #128]
        ldp     d10, d11, [sp, #112]
        ldp     d8, d9, [sp, #96]
        ldp     x27, x28, [sp, #80]
        ldp     x25, x26, [sp, #64]
        ldp     x23, x24, [sp, #48]
        ldp     x21, x22, [sp, #32]
        ldp     x19, x20, [sp, #16]
        ldp     x29, x30, [sp], #160
        ret

        .bss
        .p2align 4
        // Saved stack pointer, output image, thread pointer.
        .globl  qrx_probe_saved
qrx_probe_saved:
        .skip   32
        .section .note.GNU-stack,"",@progbits
