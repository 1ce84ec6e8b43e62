#pragma once
// One kernel HID device made through /dev/uhid: each open of /dev/uhid is
// one device, gone when destroyed or when the descriptor is closed.

#include <cstdint>
#include <span>
#include <string>

#include <linux/uhid.h>

namespace kestrelon::uhid {

struct NodeIdentity {
    std::string name;
    uint16_t vendorId = 0;
    uint16_t productId = 0;
    uint16_t version = 0;
};

class UhidNode {
public:
    UhidNode() = default;
    ~UhidNode();
    UhidNode(const UhidNode&) = delete;
    UhidNode& operator=(const UhidNode&) = delete;

    // Opens /dev/uhid and asks the kernel for a USB HID device with this
    // descriptor. False with a reason (no uhid module, no access, refused).
    bool create(const NodeIdentity& id, std::span<const uint8_t> descriptor, std::string& whyNot);
    // Unplugs the device; the hidraw node goes away. Safe to call twice.
    void destroy();

    bool alive() const { return fd_ >= 0; }
    int fd() const { return fd_; }

    // One event; false when nothing could be read (EAGAIN) or on error.
    bool readEvent(uhid_event& ev);
    bool replyGet(uint32_t id, uint16_t err, std::span<const uint8_t> data);
    bool replySet(uint32_t id, uint16_t err);

private:
    bool write(const uhid_event& ev);
    int fd_ = -1;
};

} // namespace kestrelon::uhid
