// SPDX-License-Identifier: GPL-3.0-or-later
// The instrument's register map on its 8-bit register bus, and the meaning of the bits the host
// writes and reads there, shared by the library that drives the instrument and the simulated
// instrument that answers it.
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

// ---- Register 28 -------------------------------------------------------------------------------

// During configuration: the FPGA's serial configuration lines.
constexpr uint8_t kConfigData = 0x01;
constexpr uint8_t kConfigClock = 0x02;
// Once configured: run control.
constexpr uint8_t kRunAcquire = 24; // converters and memory running
constexpr uint8_t kRunReadout = 4;  // memory handed to the read-out path

// ---- Register 29 -------------------------------------------------------------------------------

// Written once configured: a bit-banged serial port shared by the control DAC and the two
// front-end shift registers. Data is set up with the clocks low and taken on a rising clock; a
// front end takes its shifted code when its select drops, the DAC its chain on a rising load.
constexpr uint8_t kSerDacClock = 0x01;
constexpr uint8_t kSerDacLoad = 0x02;
constexpr uint8_t kSerData = 0x04;
constexpr uint8_t kSerFeClock[2] = {0x08, 0x20};  // A1, A2
constexpr uint8_t kSerFeSelect[2] = {0x10, 0x40}; // A1, A2

// The control value of the power-down block (with register 31 cleared after it).
constexpr uint8_t kControlPowerDown = 80;

// Read back: bits 4-5 name the board, the low four bits echo the last value written inverted
// (how the host tells a live register bus from floating lines), and the configuration status.
constexpr uint8_t kEchoBits = 0x0F;
constexpr uint8_t kStatusReady = 0x40; // ready to receive a configuration
constexpr uint8_t kStatusDone = 0x80;  // configuration complete

// ---- Register 56 -------------------------------------------------------------------------------

constexpr uint8_t kTimebaseArming = 14;   // while the memory and trigger logic are reset
constexpr uint8_t kTimebaseReadout = 119; // clocks the read-out

// ---- Register 57: trigger control ---------------------------------------------------------------

constexpr uint8_t kTrigSourceBits = 0x03; // 0 A1, 1 A2, 2 logic; 3 no source (forced trigger)
constexpr uint8_t kTrigSlope = 0x04;      // flipping it under an armed trigger is an edge
constexpr uint8_t kTrigLoad = 0x08;       // strobe: take the count shifted into register 62 ...
constexpr uint8_t kTrigRun = 0x10;        // rising: start the acquisition; cleared: stop it
constexpr uint8_t kTrigPosition = 0x20;   // ... as the pre-trigger count; alone: read-out side
constexpr uint8_t kTrigDelay = 0x40;      // ... as the trigger delay
constexpr uint8_t kTrigEnable = 0x80;     // set in every trigger control byte

// ---- Register 60: mode -------------------------------------------------------------------------

// Memory depth on bits 4-5.
constexpr uint8_t kDepthBits = 0x30;
constexpr uint8_t kDepth2K = 0x30;
constexpr uint8_t kDepth8K = 0x20;
constexpr uint8_t kDepth128K = 0x00;
// Acquiring: the fastest divider halved (100MSa/S and slower), the probes (not the calibration
// signal) on the converters, a trigger delay instead of a pre-trigger count. Bit 6 pulsed
// resets the memory and the trigger logic.
constexpr uint8_t kModeHalfRate = 0x01;
constexpr uint8_t kModeProbes = 0x04;
constexpr uint8_t kModeDelay = 0x08;
constexpr uint8_t kModeReset = 0x40;
// Reading out (low three bits): the recorded memory, or the converters' live values.
constexpr uint8_t kModeReadoutBits = 0x07;
constexpr uint8_t kModeRecordReadout = 0x07;
constexpr uint8_t kModeDirectReadout = 0x06;

// ---- Register 61: acquisition status (low three bits) -----------------------------------------

constexpr uint8_t kAcqStatusBits = 0x07;
constexpr uint8_t kAcqIdle = 0;
constexpr uint8_t kAcqWaiting = 2;
constexpr uint8_t kAcqFilling = 3;
constexpr uint8_t kAcqComplete = 7;

// ---- Front-end shift-register code (clocked in through register 29) ---------------------------

constexpr uint8_t kFeDcCoupled = 0x80;
constexpr uint8_t kFeGrounded = 0x10; // input relay to ground, with the range's gain bits
constexpr uint8_t kFeGainBits = 0x0F;

} // namespace hwlink::reg
