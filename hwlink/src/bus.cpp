// SPDX-License-Identifier: GPL-3.0-or-later
// The register bus over whichever link FindPort chose. Everything here sits above the UsbDevice
// and PortIo interfaces, so the same request sequences drive a real instrument and the
// simulated one.
#include "src/bus.h"
#include "hwlink.h"
#include "src/clock.h"
#include "src/libstate.h"
#include "src/registers.h"
#include <algorithm>
#include <cstring>

namespace hwlink {

namespace {

uint8_t linkOf(const uint8_t *dc) {
    return dc ? dc[HW_DC_Link] : uint8_t(HW_LINK_NONE);
}
bool isParallel(uint8_t link) {
    return link == HW_LINK_EPP || link == HW_LINK_BPP;
}

// BPP control-register values: select-in with strobe latches an address, autofeed with strobe
// latches data; 1 then 0 release the strobe. 0x22 turns the data lines around and asserts the
// read line, 0x20 releases it.
constexpr uint8_t kBppAddrStrobe = 9;
constexpr uint8_t kBppDataStrobe = 3;
constexpr uint8_t kBppStrobeEnd = 1;
constexpr uint8_t kBppIdle = 0;
constexpr uint8_t kBppRead = 0x22;
constexpr uint8_t kBppReadEnd = 0x20;

bool bulkTransfer(bool toInstrument, uint8_t *buf, int32_t len) {
    UsbDevice *dev = lib().usb.get();
    if (!dev || len < 0 || (!buf && len > 0)) return false;
    auto chunk = [&](int32_t offset, int32_t n) {
        // Direction, 0, value byte (always 0 here), 0, then the chunk length little-endian.
        const uint8_t header[8] = {uint8_t(toInstrument ? 1 : 0),
                                   0,
                                   0,
                                   0,
                                   uint8_t(n),
                                   uint8_t(n >> 8),
                                   uint8_t(n >> 16),
                                   uint8_t(n >> 24)};
        if (!BridgeWrite(kBridgeBulkHeader, 0, header, sizeof header)) return false;
        uint8_t *p = buf ? buf + offset : nullptr;
        return toInstrument ? dev->bulkWrite(p, n) : dev->bulkRead(p, n);
    };
    int32_t done = 0;
    while (len - done > kBulkChunk) {
        if (!chunk(done, kBulkChunk)) return false;
        done += kBulkChunk;
    }
    // The remainder goes with its own header even when it is empty: the bridge expects a
    // transfer after every header.
    return chunk(done, len - done);
}

// The address a queued data byte belongs to: the last one in the packet.
bool lastQueuedAddress(const uint8_t *dc, int32_t len, int32_t lastKind, uint8_t *addr) {
    if (lastKind == 0 && len >= 1) {
        *addr = dc[len - 1];
        return true;
    }
    if (lastKind == 1 && len >= 2) {
        *addr = dc[len - 2];
        return true;
    }
    return false;
}

} // namespace

bool BridgeWrite(uint16_t reg, uint16_t index, const uint8_t *data, uint16_t len) {
    UsbDevice *dev = lib().usb.get();
    if (!dev || (!data && len > 0)) return false;
    return dev->controlWrite(reg, index, data, len);
}

bool BridgeRead(uint16_t reg, uint16_t index, uint8_t *data, uint16_t len) {
    UsbDevice *dev = lib().usb.get();
    if (!dev || (!data && len > 0)) return false;
    return dev->controlRead(reg, index, data, len);
}

bool UsbSetAddr(uint8_t addr) {
    return BridgeWrite(kBridgeAddr, 0, &addr, 1);
}

bool UsbSetData(uint8_t data) {
    return BridgeWrite(kBridgeDataWrite, 0, &data, 1);
}

uint8_t UsbGetData() {
    uint8_t b = 0;
    return BridgeRead(kBridgeDataRead, 0, &b, 1) ? b : 0xFF;
}

bool BulkRead(uint8_t *buf, int32_t len) {
    return bulkTransfer(false, buf, len);
}

bool BulkWrite(const uint8_t *buf, int32_t len) {
    // The transfer only reads from buf on the way out.
    return bulkTransfer(true, const_cast<uint8_t *>(buf), len);
}

void PortOut(int32_t port, uint8_t value) {
    if (PortIo *io = lib().port.get()) io->out(port, value);
}

uint8_t PortIn(int32_t port) {
    PortIo *io = lib().port.get();
    return io ? io->in(port) : 0;
}

uint32_t PortIn32(int32_t port) {
    PortIo *io = lib().port.get();
    return io ? io->in32(port) : 0;
}

uint64_t PortFailures() {
    const PortIo *io = lib().port.get();
    return io ? io->failures() : 0;
}

bool WriteStrobe(int32_t *ps, uint8_t *dc, int32_t sel, uint8_t value) {
    const uint8_t link = linkOf(dc);
    if (isParallel(link) && sel != ps[HW_PS_DataSel]) lib().busAddress = value;
    switch (link) {
    case HW_LINK_EPP:
        PortOut(sel, value);
        return true;
    case HW_LINK_BPP: {
        const int32_t base = ps[HW_PS_LptData];
        PortOut(base, value);
        PortOut(base + 2, sel == ps[HW_PS_DataSel] ? kBppDataStrobe : kBppAddrStrobe);
        PortOut(base + 2, kBppStrobeEnd);
        PortOut(base + 2, kBppIdle);
        return true;
    }
    case HW_LINK_USB:
        return sel != 0 ? UsbSetData(value) : UsbSetAddr(value);
    default:
        return true;
    }
}

bool QueueStrobe(int32_t *ps, uint8_t *dc, int32_t sel, uint8_t value) {
    const uint8_t link = linkOf(dc);
    if (isParallel(link)) {
        // The flush has nothing to send on a parallel port.
        return sel == 2 || WriteStrobe(ps, dc, sel, value);
    }
    if (link != HW_LINK_USB) return true;
    if (sel == 2) return FlushQueue(ps, dc);
    int32_t &len = ps[HW_PS_PktLen];
    int32_t &lastKind = ps[HW_PS_PktLastKind];
    if (len < 0 || len > kPacketMax) { // a count from a corrupted record must not write past it
        len = 0;
        lastKind = 1;
    }
    const bool isData = sel != 0;
    // The bridge takes strict (address, data) pairs: data after data repeats the address, an
    // address after an address is padded with a data byte 0.
    const bool padded = isData ? lastKind == 1 : lastKind == 0;
    bool ok = true;
    if (len + (padded ? 2 : 1) > kPacketMax) {
        // The packet is full: send it and carry the address over so the pairs stay whole.
        uint8_t addr = 0;
        const bool carry = isData && lastQueuedAddress(dc, len, lastKind, &addr);
        ok = FlushQueue(ps, dc);
        if (carry) {
            dc[0] = addr;
            len = 1;
            lastKind = 0;
        }
    }
    if (isData && lastKind == 1) {
        if (len < 2) {
            // No address in the packet to repeat: the byte goes straight to the register
            // addressed last, after anything already queued.
            if (len > 0) ok = FlushQueue(ps, dc) && ok;
            return UsbSetData(value) && ok;
        }
        dc[len] = dc[len - 2];
        ++len;
    } else if (!isData && lastKind == 0) {
        dc[len++] = 0;
    }
    dc[len++] = value;
    lastKind = isData ? 1 : 0;
    return ok;
}

bool FlushQueue(int32_t *ps, uint8_t *dc) {
    if (linkOf(dc) != HW_LINK_USB) return true;
    int32_t &len = ps[HW_PS_PktLen];
    const int32_t n = std::clamp(len, int32_t(0), kPacketMax);
    const bool ok = BridgeWrite(kBridgeAddr, 0, dc, uint16_t(n));
    len = 0;
    ps[HW_PS_PktLastKind] = 1;
    return ok;
}

void ClearQueue(int32_t *ps) {
    ps[HW_PS_PktLen] = 0;
    ps[HW_PS_PktLastKind] = 1;
}

namespace {
// One data byte as the link delivers it; false only for a failed USB request.
// `suspect` (parallel links): an access that made the byte failed, so it is not the register's
// (a failed read gives 0xFF; over BPP a lost read strobe reads the port's own latch). A failure
// of the strobes after the byte leaves the byte as it was read.
bool readByte(int32_t *ps, uint8_t *dc, uint8_t *value, bool *suspect = nullptr) {
    *value = 0;
    const uint64_t failures = PortFailures();
    switch (linkOf(dc)) {
    case HW_LINK_EPP:
        *value = PortIn(ps[HW_PS_LptData] + 4);
        if (suspect) *suspect = PortFailures() != failures;
        return true;
    case HW_LINK_BPP: {
        const int32_t base = ps[HW_PS_LptData];
        PortOut(base + 2, kBppRead);
        *value = PortIn(base);
        if (suspect) *suspect = PortFailures() != failures;
        PortOut(base + 2, kBppReadEnd);
        PortOut(base + 2, kBppRead);
        return true;
    }
    case HW_LINK_USB: {
        uint8_t b = 0;
        const bool ok = BridgeRead(kBridgeDataRead, 0, &b, 1);
        *value = ok ? b : 0xFF;
        return ok;
    }
    default:
        return false;
    }
}

// Written to register 29 by the read-back: the serial data line alone.
constexpr uint8_t kEchoProbe = reg::kSerData;
} // namespace

bool ParallelEcho(int32_t *ps, uint8_t *dc, bool reselect) {
    LibState &st = lib();
    const int32_t before = st.busAddress;
    WriteStrobe(ps, dc, ps[HW_PS_AddrSel], reg::kControl);
    WriteStrobe(ps, dc, ps[HW_PS_DataSel], kEchoProbe);
    uint8_t echo = 0;
    readByte(ps, dc, &echo);
    if (reselect && before >= 0 && before != reg::kControl)
        WriteStrobe(ps, dc, ps[HW_PS_AddrSel], uint8_t(before));
    st.busFloating = (echo & reg::kEchoBits) != (~kEchoProbe & reg::kEchoBits);
    return !st.busFloating;
}

bool ParallelBusAlive(int32_t *ps, uint8_t *dc, const uint8_t *justRead, int32_t len,
                      bool reselect) {
    if (!isParallel(linkOf(dc)) || len <= 0) return true;
    const uint8_t *tail = justRead + len - std::min(len, int32_t(8));
    if (std::any_of(tail, justRead + len, [](uint8_t b) { return b != 0xFF; })) {
        lib().busFloating = false;
        return true;
    }
    return ParallelEcho(ps, dc, reselect);
}

bool ReadStatusChecked(int32_t *ps, uint8_t *dc, uint8_t *value) {
    bool suspect = false;
    if (!readByte(ps, dc, value, &suspect)) return false;
    if (isParallel(linkOf(dc)) && (*value == 0xFF || suspect) &&
        (!readByte(ps, dc, value, &suspect) || suspect))
        return false;
    return ParallelBusAlive(ps, dc, value, 1, false);
}

uint8_t ReadData(int32_t *ps, uint8_t *dc) {
    uint8_t v = 0;
    readByte(ps, dc, &v);
    return v;
}

bool WritePairs(int32_t *ps, uint8_t *dc, const uint8_t *pairs, int32_t len) {
    const uint8_t link = linkOf(dc);
    if (len < 0 || (!pairs && len > 0)) return false;
    if (link == HW_LINK_USB) {
        // One request carries the whole list; a request's length is 16 bits, so a longer list
        // (never sent by the program) is split between pairs.
        constexpr int32_t kMaxList = 65534;
        int32_t done = 0;
        do {
            const int32_t n = std::min(len - done, kMaxList);
            if (!BridgeWrite(kBridgeAddr, 0, pairs + done, uint16_t(n))) return false;
            done += n;
        } while (done < len);
        return true;
    }
    if (!isParallel(link)) return false;
    for (int32_t i = 0; i < len; i += 2) {
        WriteStrobe(ps, dc, ps[HW_PS_AddrSel], pairs[i]);
        if (i + 1 < len) WriteStrobe(ps, dc, ps[HW_PS_DataSel], pairs[i + 1]);
    }
    return true;
}

bool WriteBlock(int32_t *ps, uint8_t *dc, uint8_t addr, const uint8_t *data, int32_t len) {
    const uint8_t link = linkOf(dc);
    if (len < 0 || (!data && len > 0)) return false;
    if (link == HW_LINK_USB) return UsbSetAddr(addr) && BulkWrite(data, len);
    if (!isParallel(link)) return false;
    WriteStrobe(ps, dc, ps[HW_PS_AddrSel], addr);
    for (int32_t i = 0; i < len; ++i)
        WriteStrobe(ps, dc, ps[HW_PS_DataSel], data[i]);
    return true;
}

bool ReadBlock(int32_t *ps, uint8_t *dc, uint8_t *buf, int32_t len) {
    const uint8_t link = linkOf(dc);
    if (len < 0 || (!buf && len > 0)) return false;
    if (link == HW_LINK_USB) return BulkRead(buf, len);
    if (!isParallel(link)) {
        if (len > 0) std::memset(buf, 0, size_t(len));
        return false;
    }
    for (int32_t i = 0; i < len; ++i)
        buf[i] = ReadData(ps, dc);
    return ParallelBusAlive(ps, dc, buf, len);
}

void DelayMs(int32_t ms) {
    delayMs(ms);
}

} // namespace hwlink
