// SPDX-License-Identifier: GPL-3.0-or-later
// The instrument's 8-bit register bus and the primitives every higher layer uses: write an
// address, write or read data at the last address, queue writes into one USB packet, move
// blocks. With Link 0 (demo mode) every primitive does nothing and reads return 0.
#pragma once
#include <cstdint>

namespace hwlink {

// USB bridge registers.
constexpr uint16_t kBridgeBulkHeader = 0x82;
constexpr uint16_t kBridgeAddr = 0x83;
constexpr uint16_t kBridgeDataRead = 0x84;
constexpr uint16_t kBridgeDataWrite = 0x85;
constexpr uint16_t kBridgeSetup = 0x8C;
constexpr uint16_t kBridgeStatus = 0x8E;
constexpr int32_t kBulkChunk = 65535;
constexpr int32_t kPacketMax = 128; // DevConfig[0..127]

// Bridge requests on the open USB device; false when there is none or the request fails.
bool BridgeWrite(uint16_t reg, uint16_t index, const uint8_t *data, uint16_t len);
bool BridgeRead(uint16_t reg, uint16_t index, uint8_t *data, uint16_t len);
bool UsbSetAddr(uint8_t addr);
bool UsbSetData(uint8_t data);
uint8_t UsbGetData(); // 0xFF when the request fails
// Bulk transfers in 65535-byte chunks, each after an 8-byte header to bridge register 0x82.
bool BulkRead(uint8_t *buf, int32_t len);
bool BulkWrite(const uint8_t *buf, int32_t len);

// Parallel-port I/O on the claimed port (ignored / 0 when none is claimed).
void PortOut(int32_t port, uint8_t value);
uint8_t PortIn(int32_t port);
uint32_t PortIn32(int32_t port);
// The claimed port's failed accesses so far (0 without a port).
uint64_t PortFailures();

// One register-bus write; sel is PortState[AddrSel] (address) or PortState[DataSel] (data).
// False when a USB request failed (a port write cannot fail; no link: true, nothing sent).
bool WriteStrobe(int32_t *ps, uint8_t *dc, int32_t sel, uint8_t value);
// As WriteStrobe on the parallel links; on USB appends to the packet in DevConfig[0..127].
// False when a request it had to make (a full packet sent early) failed.
bool QueueStrobe(int32_t *ps, uint8_t *dc, int32_t sel, uint8_t value);
// Sends the queued USB packet and empties it (nothing to do on the parallel links).
bool FlushQueue(int32_t *ps, uint8_t *dc);
// Empties the USB packet without sending it.
void ClearQueue(int32_t *ps);
// One data byte from the register last addressed.
uint8_t ReadData(int32_t *ps, uint8_t *dc);
// A status byte from the register last addressed, telling a lost link apart from a byte that
// reads 0xFF: false when the USB request failed, or when a parallel port read 0xFF and the
// read-back below found the data lines floating (false also with no link). A parallel port
// cannot tell a single failed read from a real 0xFF either, and reading a status changes nothing
// on the instrument, so a 0xFF, or a byte whose own transfer had a failed access, is read once
// more and the second reading stands (false when its transfer fails too). Used where a failure
// must not pass for a status bit.
bool ReadStatusChecked(int32_t *ps, uint8_t *dc, uint8_t *value);

// The floating-bus rule of the parallel links. An instrument that is unplugged or switched off
// leaves the data lines to the port's pull-ups: every read gives 0xFF, and every write goes
// nowhere without an error. So bytes just read whose last (up to) eight are all 0xFF are
// confirmed by a read-back: register 29 is written 4 and read; a live instrument echoes the low
// four bits inverted (0xB), floating lines give 0xF. 4 moves only the serial data line of the
// DAC and front-end chains, with no clock, load or select, so the write changes nothing in the
// instrument. The register selected before is selected again (unless `reselect` is false), so
// a read-out in progress carries on. Anything but 0xFF needs no read-back: a driven bus.
// True on a live bus, and on USB or without a link (nothing to confirm there).
bool ParallelBusAlive(int32_t *ps, uint8_t *dc, const uint8_t *justRead, int32_t len,
                      bool reselect = true);
// The read-back alone, whatever was read before.
bool ParallelEcho(int32_t *ps, uint8_t *dc, bool reselect);
// (address, data) pairs, len bytes in all.
bool WritePairs(int32_t *ps, uint8_t *dc, const uint8_t *pairs, int32_t len);
// One address followed by len data bytes.
bool WriteBlock(int32_t *ps, uint8_t *dc, uint8_t addr, const uint8_t *data, int32_t len);
// len data bytes from the register last addressed. False when the transfer failed or, on a
// parallel link, the bytes came from floating lines (buf then holds what was read).
bool ReadBlock(int32_t *ps, uint8_t *dc, uint8_t *buf, int32_t len);
// Busy-wait on the millisecond tick.
void DelayMs(int32_t ms);

} // namespace hwlink
