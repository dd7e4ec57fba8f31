// Static name tables of the register descriptor types, for printing operands.
#include "qrx/state/cpu_state.h"

#define QRX_N16(P, S)                                                                       \
  P "0" S, P "1" S, P "2" S, P "3" S, P "4" S, P "5" S, P "6" S, P "7" S, P "8" S, P "9" S, \
      P "10" S, P "11" S, P "12" S, P "13" S, P "14" S, P "15" S
#define QRX_N31(P, S)                                                                            \
  QRX_N16(P, S), P "16" S, P "17" S, P "18" S, P "19" S, P "20" S, P "21" S, P "22" S, P "23" S, \
      P "24" S, P "25" S, P "26" S, P "27" S, P "28" S, P "29" S, P "30" S
#define QRX_N32(P, S) QRX_N31(P, S), P "31" S

const char* const kalt64_i_reg::wname[32] = {QRX_N31("w", ""), "wzr"};
const char* const kalt64_i_reg::xname[32] = {QRX_N31("x", ""), "xzr"};
const char* const kalt64_i_rsp_reg::wname[32] = {QRX_N31("w", ""), "illegal"};
const char* const kalt64_i_rsp_reg::xname[32] = {QRX_N31("x", ""), "sp"};

const char* const kalt64_p_reg::pname[16] = {QRX_N16("p", "")};
const char* const kalt64_p_reg::pname_m[16] = {QRX_N16("p", "/m")};
const char* const kalt64_p_reg::pname_z[16] = {QRX_N16("p", "/z")};
const char* const kalt64_p_reg::pname_b[16] = {QRX_N16("p", ".b")};
const char* const kalt64_p_reg::pname_h[16] = {QRX_N16("p", ".h")};
const char* const kalt64_p_reg::pname_s[16] = {QRX_N16("p", ".s")};
const char* const kalt64_p_reg::pname_d[16] = {QRX_N16("p", ".d")};

const char* const kalt64_z_reg::zname[32] = {QRX_N32("z", "")};
const char* const kalt64_z_reg::zname_b[32] = {QRX_N32("z", ".b")};
const char* const kalt64_z_reg::zname_h[32] = {QRX_N32("z", ".h")};
const char* const kalt64_z_reg::zname_s[32] = {QRX_N32("z", ".s")};
const char* const kalt64_z_reg::zname_d[32] = {QRX_N32("z", ".d")};
