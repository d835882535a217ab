// SPDX-License-Identifier: GPL-3.0-or-later
// The libusb calls the USB link makes, gathered in one table so that the link can run against a
// fake bus in tests. kLibusbApi is libusb itself.
#pragma once
#include <libusb.h>

namespace hwlink {

struct UsbApi {
    int (*init)(libusb_context **ctx);
    void (*exit)(libusb_context *ctx);
    ssize_t (*getDeviceList)(libusb_context *ctx, libusb_device ***list);
    void (*freeDeviceList)(libusb_device **list, int unrefDevices);
    int (*getDeviceDescriptor)(libusb_device *dev, libusb_device_descriptor *desc);
    int (*getActiveConfigDescriptor)(libusb_device *dev, libusb_config_descriptor **config);
    int (*getConfigDescriptor)(libusb_device *dev, uint8_t index,
                               libusb_config_descriptor **config);
    void (*freeConfigDescriptor)(libusb_config_descriptor *config);
    int (*open)(libusb_device *dev, libusb_device_handle **handle);
    void (*close)(libusb_device_handle *handle);
    int (*setAutoDetachKernelDriver)(libusb_device_handle *handle, int enable);
    int (*claimInterface)(libusb_device_handle *handle, int iface);
    int (*releaseInterface)(libusb_device_handle *handle, int iface);
    int (*controlTransfer)(libusb_device_handle *handle, uint8_t requestType, uint8_t request,
                           uint16_t value, uint16_t index, unsigned char *data, uint16_t length,
                           unsigned int timeoutMs);
    int (*bulkTransfer)(libusb_device_handle *handle, unsigned char endpoint, unsigned char *data,
                        int length, int *transferred, unsigned int timeoutMs);
    int (*clearHalt)(libusb_device_handle *handle, unsigned char endpoint);
};

extern const UsbApi kLibusbApi;

} // namespace hwlink
