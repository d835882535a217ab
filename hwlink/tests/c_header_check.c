/* SPDX-License-Identifier: GPL-3.0-or-later */
/* Compiled as strict C99 with warnings as errors: the public header must stay a C header. */
#include "hwlink.h"

int hwlink_c_header_check(void);
int hwlink_c_header_check(void) {
    hw_surface s = {0, 0, 0, 0, 0, 0, 0};
    return (int)sizeof(s) + HW_PORTSTATE_LEN + HW_DEVCONFIG_LEN;
}
