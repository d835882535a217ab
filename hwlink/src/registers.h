// SPDX-License-Identifier: GPL-3.0-or-later
// The instrument's register map on its 8-bit register bus, shared by the library that drives
// the instrument and the simulated instrument that answers it.
#pragma once
#include <cstdint>

namespace hwlink::reg {

constexpr uint8_t kReadoutPrep = 0; // written 0 just before a read-out
constexpr uint8_t kConfigPort = 28; // FPGA configuration port; run control once configured
constexpr uint8_t kControl = 29; // written: control / serial port; read: identification and status
constexpr uint8_t kReset = 30;   // selecting it is the reset command, no data follows
constexpr uint8_t kPower = 31;   // cleared by the power-down block
constexpr uint8_t kTimebase = 56;
constexpr uint8_t kTrigCtl = 57;
constexpr uint8_t kLevel = 58; // trigger level bytes or logic pattern bytes
constexpr uint8_t kMask = 59;  // logic don't-care mask bytes
constexpr uint8_t kMode = 60;
constexpr uint8_t kStatus = 61;
constexpr uint8_t kPosition = 62; // 16-bit trigger position count, low byte first
constexpr uint8_t kReadout = 63;  // written 0 to start a read-out; data is read from here

// Register 29 read back: configuration status bits.
constexpr uint8_t kStatusReady = 0x40; // ready to receive a configuration
constexpr uint8_t kStatusDone = 0x80;  // configuration complete

// Register 28 during configuration.
constexpr uint8_t kConfigData = 0x01;
constexpr uint8_t kConfigClock = 0x02;

} // namespace hwlink::reg
