// SPDX-License-Identifier: GPL-3.0-or-later
// The USB link over libusb-1.0. The bridge's register requests are vendor control transfers:
// bmRequestType 0x40 (write) or 0xC0 (read), bRequest 0x0C for a single byte and 0x04 for a
// longer block, wValue = bridge register, wIndex = index, wLength = length. Bulk data uses the
// interface's first bulk OUT and bulk IN endpoints. This file is the only place that mapping
// lives; every libusb call goes through a UsbApi table.
#include "src/transport.h"
#include "src/usb_api.h"
#include <memory>

namespace hwlink {

const UsbApi kLibusbApi = {
    libusb_init,
    libusb_exit,
    libusb_get_device_list,
    libusb_free_device_list,
    libusb_get_device_descriptor,
    libusb_get_active_config_descriptor,
    libusb_get_config_descriptor,
    libusb_free_config_descriptor,
    libusb_open,
    libusb_close,
    libusb_set_auto_detach_kernel_driver,
    libusb_claim_interface,
    libusb_release_interface,
    libusb_control_transfer,
    libusb_bulk_transfer,
    libusb_clear_halt,
};

namespace {

constexpr uint8_t kRequestTypeWrite = 0x40; // vendor, host to device
constexpr uint8_t kRequestTypeRead = 0xC0;  // vendor, device to host
constexpr uint8_t kRequestSingle = 0x0C;
constexpr uint8_t kRequestBlock = 0x04;
constexpr unsigned kControlTimeoutMs = 1000;
// A full 65535-byte chunk at USB 1.1 speed takes well under a second.
constexpr unsigned kBulkTimeoutMs = 5000;

using Context = std::shared_ptr<libusb_context>;

struct HandleCloser {
    const UsbApi *api;
    void operator()(libusb_device_handle *h) const { api->close(h); }
};
using Handle = std::unique_ptr<libusb_device_handle, HandleCloser>;

struct DeviceListFree {
    const UsbApi *api;
    void operator()(libusb_device **list) const { api->freeDeviceList(list, 1); }
};

struct ConfigFree {
    const UsbApi *api;
    void operator()(libusb_config_descriptor *c) const { api->freeConfigDescriptor(c); }
};

uint8_t requestFor(uint16_t len) {
    return len == 1 ? kRequestSingle : kRequestBlock;
}

class LibusbDevice final : public UsbDevice {
  public:
    LibusbDevice(const UsbApi &api, Context ctx, Handle handle, int iface, uint8_t epOut,
                 uint8_t epIn)
        : api_(api), ctx_(std::move(ctx)), handle_(std::move(handle)), iface_(iface), epOut_(epOut),
          epIn_(epIn) {}
    ~LibusbDevice() override { api_.releaseInterface(handle_.get(), iface_); }
    LibusbDevice(const LibusbDevice &) = delete;
    LibusbDevice &operator=(const LibusbDevice &) = delete;

    bool controlWrite(uint16_t reg, uint16_t index, const uint8_t *data, uint16_t len) override {
        // libusb does not write through the buffer of an OUT transfer.
        const int r =
            api_.controlTransfer(handle_.get(), kRequestTypeWrite, requestFor(len), reg, index,
                                 const_cast<uint8_t *>(data), len, kControlTimeoutMs);
        return r == int(len);
    }

    bool controlRead(uint16_t reg, uint16_t index, uint8_t *data, uint16_t len) override {
        const int r = api_.controlTransfer(handle_.get(), kRequestTypeRead, requestFor(len), reg,
                                           index, data, len, kControlTimeoutMs);
        return r == int(len);
    }

    bool bulkWrite(const uint8_t *data, int32_t len) override {
        return bulk(epOut_, const_cast<uint8_t *>(data), len);
    }

    bool bulkRead(uint8_t *data, int32_t len) override { return bulk(epIn_, data, len); }

  private:
    bool bulk(uint8_t ep, uint8_t *data, int32_t len) {
        if (len < 0) return false;
        int done = 0;
        const int r = api_.bulkTransfer(handle_.get(), ep, data, len, &done, kBulkTimeoutMs);
        // A stalled endpoint stays halted until the host clears it; clear it so that the next
        // operation (or a new search) can reach the bridge again. This one has failed.
        if (r == LIBUSB_ERROR_PIPE) api_.clearHalt(handle_.get(), ep);
        return r == 0 && done == len;
    }

    const UsbApi &api_;
    Context ctx_; // outlives the handle: members are destroyed in reverse order
    Handle handle_;
    int iface_;
    uint8_t epOut_, epIn_;
};

// The first interface with both a bulk OUT and a bulk IN endpoint, and those endpoints.
bool findBulkEndpoints(const UsbApi &api, libusb_device *dev, int *iface, uint8_t *epOut,
                       uint8_t *epIn) {
    libusb_config_descriptor *raw = nullptr;
    if (api.getActiveConfigDescriptor(dev, &raw) != 0 && api.getConfigDescriptor(dev, 0, &raw) != 0)
        return false;
    std::unique_ptr<libusb_config_descriptor, ConfigFree> cfg(raw, ConfigFree{&api});
    for (int i = 0; i < cfg->bNumInterfaces; ++i) {
        if (cfg->interface[i].num_altsetting < 1) continue;
        const libusb_interface_descriptor &alt = cfg->interface[i].altsetting[0];
        int out = -1, in = -1;
        for (int e = 0; e < alt.bNumEndpoints; ++e) {
            const libusb_endpoint_descriptor &ep = alt.endpoint[e];
            if ((ep.bmAttributes & LIBUSB_TRANSFER_TYPE_MASK) != LIBUSB_TRANSFER_TYPE_BULK)
                continue;
            if ((ep.bEndpointAddress & LIBUSB_ENDPOINT_DIR_MASK) == LIBUSB_ENDPOINT_IN) {
                if (in < 0) in = ep.bEndpointAddress;
            } else if (out < 0) {
                out = ep.bEndpointAddress;
            }
        }
        if (out >= 0 && in >= 0) {
            *iface = alt.bInterfaceNumber;
            *epOut = uint8_t(out);
            *epIn = uint8_t(in);
            return true;
        }
    }
    return false;
}

} // namespace

std::unique_ptr<UsbDevice> openRealUsb(uint16_t vendor, uint16_t product, UsbOpenResult *why,
                                       const UsbApi &api) {
    UsbOpenResult result = UsbOpenResult::NotFound;
    auto report = [&](UsbOpenResult r) {
        if (why) *why = r;
    };
    libusb_context *rawCtx = nullptr;
    if (api.init(&rawCtx) != 0) {
        report(result);
        return nullptr;
    }
    Context ctx(rawCtx, api.exit);

    libusb_device **rawList = nullptr;
    const ssize_t count = api.getDeviceList(ctx.get(), &rawList);
    if (count < 0) {
        report(result);
        return nullptr;
    }
    std::unique_ptr<libusb_device *, DeviceListFree> list(rawList, DeviceListFree{&api});

    for (ssize_t i = 0; i < count; ++i) {
        libusb_device *dev = list.get()[i];
        libusb_device_descriptor desc{};
        if (api.getDeviceDescriptor(dev, &desc) != 0 || desc.idVendor != vendor ||
            desc.idProduct != product)
            continue;
        int iface = 0;
        uint8_t epOut = 0, epIn = 0;
        if (!findBulkEndpoints(api, dev, &iface, &epOut, &epIn)) continue;
        libusb_device_handle *rawHandle = nullptr;
        const int r = api.open(dev, &rawHandle);
        if (r != 0) {
            if (r == LIBUSB_ERROR_ACCESS) result = UsbOpenResult::NoAccess;
            continue;
        }
        Handle handle(rawHandle, HandleCloser{&api});
        api.setAutoDetachKernelDriver(handle.get(), 1);
        const int c = api.claimInterface(handle.get(), iface);
        if (c != 0) {
            if (c == LIBUSB_ERROR_ACCESS || c == LIBUSB_ERROR_BUSY)
                result = UsbOpenResult::NoAccess;
            continue;
        }
        report(UsbOpenResult::Opened);
        return std::make_unique<LibusbDevice>(api, ctx, std::move(handle), iface, epOut, epIn);
    }
    report(result);
    return nullptr;
}

} // namespace hwlink
