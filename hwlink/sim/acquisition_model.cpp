// SPDX-License-Identifier: GPL-3.0-or-later
#include "sim/acquisition_model.h"
#include <cstring>

namespace hwlink::sim {

AcquisitionModel::AcquisitionModel() { reset(); }

void AcquisitionModel::reset() { std::memset(regs_, 0, sizeof regs_); }

void AcquisitionModel::write(uint8_t reg, uint8_t value) { regs_[reg] = value; }

uint8_t AcquisitionModel::read(uint8_t reg) { return regs_[reg]; }

} // namespace hwlink::sim
