// SPDX-License-Identifier: GPL-3.0-or-later
// The USB link run against a fake libusb: the control transfers each bridge request becomes,
// failed, short and timed-out transfers, a device that vanishes, and what opening reports.
#include "src/transport.h"
#include "src/usb_api.h"
#include <gtest/gtest.h>
#include <optional>
#include <string>
#include <tuple>
#include <vector>

namespace hwlink::test {
namespace {

constexpr uint8_t kBulk = LIBUSB_TRANSFER_TYPE_BULK;
// The bridge's own layout: interface 0 with bulk OUT 0x02 and bulk IN 0x81.
const libusb_endpoint_descriptor kEndpoints[] = {{.bEndpointAddress = 0x02, .bmAttributes = kBulk},
                                                 {.bEndpointAddress = 0x81, .bmAttributes = kBulk}};
const libusb_interface_descriptor kAlt = {
    .bInterfaceNumber = 0, .bNumEndpoints = 2, .endpoint = kEndpoints};
const libusb_interface kInterface = {&kAlt, 1};
const libusb_config_descriptor kBridge = {.bNumInterfaces = 1, .interface = &kInterface};

struct FakeDevice {
    uint16_t vendor = 0x05E3, product = 0x2500;
    const libusb_config_descriptor *config = &kBridge;
    int openResult = 0, claimResult = 0;
};

// What the fake libusb holds and saw: every resource it hands out is counted, so that a test
// can see it all given back, and the calls on a device are logged, '|'-separated.
struct FakeBus {
    std::vector<FakeDevice> devices;
    bool initFails = false, listFails = false;
    std::optional<int> transferResult{}; // instead of the full length (control) or 0 (bulk)
    int bulkDone = -1;                   // bytes a bulk transfer moves; -1: all
    int held = 0;                        // contexts, device lists, descriptors and handles
    std::string log{};
    std::vector<libusb_device *> list{};

    int add(const std::string &entry, int result = 0) {
        log += (log.empty() ? "" : "|") + entry;
        return result;
    }
    // Hands out a resource unless the call fails with `error`.
    int take(int error = 0) { return error ? error : (++held, 0); }
};
FakeBus *bus; // the bus the fake calls reach

const auto dev = [](void *p) -> FakeDevice & { return *static_cast<FakeDevice *>(p); };
const auto str = [](int64_t v) { return std::to_string(v); };

int fConfig(libusb_device *d, uint8_t, libusb_config_descriptor **cfg) {
    if (!dev(d).config) return LIBUSB_ERROR_NOT_FOUND;
    *cfg = const_cast<libusb_config_descriptor *>(dev(d).config);
    return bus->take();
}
// Logged as "control TYPE REQUEST VALUE INDEX LENGTH: DATA"; a read answers 0xA0, 0xA1, ...
int fControl(libusb_device_handle *, uint8_t type, uint8_t request, uint16_t value, uint16_t index,
             unsigned char *data, uint16_t length, unsigned int timeout) {
    std::string entry = "control " + str(type) + " " + str(request) + " " + str(value) + " " +
                        str(index) + " " + str(length) + ":";
    for (int i = 0; i < length; ++i) {
        if (type & LIBUSB_ENDPOINT_IN) data[i] = uint8_t(0xA0 + i);
        entry += " " + str(data[i]);
    }
    return bus->add(entry + (timeout ? "" : " (waits forever)"),
                    bus->transferResult.value_or(length));
}

const UsbApi kFakeLibusb = {
    [](libusb_context **ctx) {
        *ctx = reinterpret_cast<libusb_context *>(bus);
        return bus->take(bus->initFails ? LIBUSB_ERROR_OTHER : 0);
    },
    [](libusb_context *) { --bus->held; },
    [](libusb_context *, libusb_device ***list) -> ssize_t {
        if (bus->listFails) return LIBUSB_ERROR_NO_MEM;
        bus->list.clear();
        for (FakeDevice &d : bus->devices)
            bus->list.push_back(reinterpret_cast<libusb_device *>(&d));
        bus->list.push_back(nullptr);
        *list = bus->list.data();
        return bus->take(), ssize_t(bus->devices.size());
    },
    [](libusb_device **, int unref) { bus->held -= unref; },
    [](libusb_device *d, libusb_device_descriptor *desc) {
        std::tie(desc->idVendor, desc->idProduct) = std::tie(dev(d).vendor, dev(d).product);
        return 0;
    },
    [](libusb_device *d, libusb_config_descriptor **cfg) { return fConfig(d, 0, cfg); },
    fConfig,
    [](libusb_config_descriptor *) { --bus->held; },
    [](libusb_device *d, libusb_device_handle **h) {
        *h = reinterpret_cast<libusb_device_handle *>(d);
        return bus->take(dev(d).openResult);
    },
    [](libusb_device_handle *) { bus->held -= 1 + bus->add("close"); }, // add gives 0
    [](libusb_device_handle *, int) { return 0; },
    [](libusb_device_handle *h, int i) { return bus->add("claim " + str(i), dev(h).claimResult); },
    [](libusb_device_handle *, int iface) { return bus->add("release " + str(iface)); },
    fControl,
    [](libusb_device_handle *, unsigned char ep, unsigned char *, int length, int *done,
       unsigned int timeout) {
        *done = bus->bulkDone < 0 ? length : bus->bulkDone;
        return bus->add("bulk " + str(ep) + " " + str(length) + (timeout ? "" : " (waits forever)"),
                        bus->transferResult.value_or(0));
    },
    [](libusb_device_handle *, unsigned char ep) { return bus->add("clear-halt " + str(ep)); },
};

class UsbTransportTest : public ::testing::Test {
  protected:
    void SetUp() override { bus = &fake; }
    void TearDown() override {
        EXPECT_EQ(fake.held, 0) << "contexts, lists, descriptors or handles not given back";
        bus = nullptr;
    }

    std::unique_ptr<UsbDevice> open(UsbOpenResult *why = nullptr) {
        return openRealUsb(0x05E3, 0x2500, why, kFakeLibusb);
    }
    // The bridge, opened, with the log starting after the open.
    std::unique_ptr<UsbDevice> bridge() {
        fake = FakeBus{.devices = {FakeDevice{}}};
        auto dev = open();
        EXPECT_EQ(fake.log, "claim 0");
        fake.log.clear();
        return dev;
    }

    FakeBus fake;
};

TEST_F(UsbTransportTest, BridgeRequestsBecomeVendorControlTransfers) {
    auto dev = bridge();
    uint8_t in[3] = {};
    const uint8_t out[8] = {1, 0, 0, 0, 0xFF, 0xFF, 0, 0};
    // Writes are 0x40, reads 0xC0; one byte is request 0x0C, any other length 0x04.
    EXPECT_EQ((std::vector<bool>{
                  dev->controlWrite(0x83, 0, out + 4, 1), dev->controlWrite(0x8C, 16, out + 4, 1),
                  dev->controlWrite(0x82, 0, out, 8), dev->controlRead(0x84, 0, in, 1),
                  dev->controlRead(0x8E, 3, in + 1, 2), dev->controlWrite(0x83, 0, nullptr, 0)}),
              std::vector<bool>(6, true));
    EXPECT_EQ(fake.log, "control 64 12 131 0 1: 255|control 64 12 140 16 1: 255|"
                        "control 64 4 130 0 8: 1 0 0 0 255 255 0 0|control 192 12 132 0 1: 160|"
                        "control 192 4 142 3 2: 160 161|control 64 4 131 0 0:");
    EXPECT_EQ((std::vector<int>{in[0], in[1], in[2]}), (std::vector<int>{0xA0, 0xA0, 0xA1}));
}

TEST_F(UsbTransportTest, FailedShortAndTimedOutTransfersFail) {
    // libusb's result, and the bytes a bulk transfer moved (-1: all)
    // clang-format off
    const struct { const char *what; int result, done; } cases[] = {
        {"complete", 0, -1}, {"short", 0, 63}, {"timed out", LIBUSB_ERROR_TIMEOUT, 32},
        {"stalled", LIBUSB_ERROR_PIPE, 0}, {"device sent too much", LIBUSB_ERROR_OVERFLOW, 64}};
    // clang-format on
    for (const auto &c : cases) {
        SCOPED_TRACE(c.what);
        auto dev = bridge();
        const bool ok = c.result == 0 && c.done < 0;
        uint8_t buf[64] = {};
        // A control transfer gives the bytes it moved, or the error.
        fake.transferResult = c.result == 0 ? (c.done < 0 ? 2 : 1) : c.result;
        const bool control[] = {dev->controlWrite(0x83, 0, buf, 2),
                                dev->controlRead(0x84, 0, buf, 2)};
        fake.transferResult = c.result, fake.bulkDone = c.done;
        EXPECT_EQ((std::vector<bool>{control[0], control[1], dev->bulkWrite(buf, 64),
                                     dev->bulkRead(buf, 64)}),
                  std::vector<bool>(4, ok));
        // A stalled endpoint is cleared for the next transfer; nothing waits without a limit.
        const bool stalled = c.result == LIBUSB_ERROR_PIPE;
        EXPECT_EQ(fake.log,
                  std::string("control 64 4 131 0 2: 0 0|control 192 4 132 0 2: 160 161|") +
                      (stalled ? "bulk 2 64|clear-halt 2|bulk 129 64|clear-halt 129"
                               : "bulk 2 64|bulk 129 64"));
    }
    auto dev = bridge();
    EXPECT_TRUE(!dev->bulkRead(nullptr, -1) && fake.log.empty()) << fake.log;
}

TEST_F(UsbTransportTest, OpenTellsNoAccessFromNotFound) {
    const FakeDevice ours, other{.product = 0x2501}, denied{.openResult = LIBUSB_ERROR_ACCESS},
        unplugged{.openResult = LIBUSB_ERROR_NO_DEVICE}, busy{.claimResult = LIBUSB_ERROR_BUSY};
    using R = UsbOpenResult;
    // clang-format off
    const struct { const char *what; std::vector<FakeDevice> devices; bool initFails, listFails;
                   UsbOpenResult why; const char *log; } cases[] = {
        {"nothing attached", {}, false, false, R::NotFound, ""},
        {"other devices", {other, {.vendor = 0x1234}}, false, false, R::NotFound, ""},
        {"no permission", {denied}, false, false, R::NoAccess, ""},
        {"unplugged while opening", {unplugged}, false, false, R::NotFound, ""},
        {"held by another program", {busy}, false, false, R::NoAccess, "claim 0|close"},
        {"second of two", {denied, ours}, false, false, R::Opened, "claim 0|release 0|close"},
        {"no libusb", {ours}, true, false, R::NotFound, ""},
        {"no device list", {ours}, false, true, R::NotFound, ""}};
    // clang-format on
    for (const auto &c : cases) {
        SCOPED_TRACE(c.what);
        fake = FakeBus{.devices = c.devices, .initFails = c.initFails, .listFails = c.listFails};
        UsbOpenResult why = UsbOpenResult::Opened;
        const bool opened = open(&why) != nullptr;
        EXPECT_EQ((std::tuple{opened, why, fake.log}),
                  (std::tuple{c.why == UsbOpenResult::Opened, c.why, std::string(c.log)}));
    }
}

} // namespace
} // namespace hwlink::test
