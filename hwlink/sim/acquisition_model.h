// SPDX-License-Identifier: GPL-3.0-or-later
// The acquisition side of the simulated instrument: everything the configured FPGA does behind
// the register bus (run control, front-end shift registers and control DAC on the serial port,
// timebase, trigger, sample memory, status and read-out). The simulated instrument hands it
// every register access once the FPGA reports "done".
#pragma once
#include <cstdint>

namespace hwlink::sim {

class AcquisitionModel {
  public:
    AcquisitionModel();
    // The FPGA was (re)configured: nothing is programmed.
    void reset();
    // A data byte written to / read from register `reg` (the last address selected).
    void write(uint8_t reg, uint8_t value);
    uint8_t read(uint8_t reg);

  private:
    uint8_t regs_[256];
};

} // namespace hwlink::sim
