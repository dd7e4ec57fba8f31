// Stand-in for the framework's register-reservation extension (see dr_api.h).
#ifndef QRX_TESTS_DR_DOUBLE_DRREG_H
#define QRX_TESTS_DR_DOUBLE_DRREG_H

#include "dr_api.h"

extern "C" {

typedef enum {
  DRREG_SUCCESS = 0,
  DRREG_ERROR = 1,
} drreg_status_t;

typedef struct _drreg_options_t {
  size_t struct_size;
  uint num_spill_slots;
  bool conservative;
  void (*error_callback)(drreg_status_t status);
  bool do_not_sum_slots;
} drreg_options_t;

drreg_status_t drreg_init(drreg_options_t* ops);
drreg_status_t drreg_exit(void);

}  // extern "C"

#endif  // QRX_TESTS_DR_DOUBLE_DRREG_H
