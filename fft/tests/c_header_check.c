/* SPDX-License-Identifier: GPL-3.0-or-later */
/* Compiled as strict C99 with warnings as errors: the public header must stay a C header. */
#include "FFt.h"

int fft_c_header_check(void);
int fft_c_header_check(void) {
    FFT0_fn f = FFT0;
    return (f != 0) + FFT_BUF_LEN;
}
