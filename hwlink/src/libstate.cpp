// SPDX-License-Identifier: GPL-3.0-or-later
#include "src/libstate.h"

namespace hwlink {

LibState &lib() {
    static LibState state;
    return state;
}

} // namespace hwlink
