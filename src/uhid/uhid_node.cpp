#include "uhid/uhid_node.h"

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

namespace kestrelon::uhid {

UhidNode::~UhidNode() { destroy(); }

bool UhidNode::create(const NodeIdentity& id, std::span<const uint8_t> descriptor, std::string& whyNot) {
    if (descriptor.size() > HID_MAX_DESCRIPTOR_SIZE) {
        whyNot = "report descriptor too long";
        return false;
    }
    fd_ = ::open("/dev/uhid", O_RDWR | O_CLOEXEC | O_NONBLOCK);
    if (fd_ < 0) {
        const int e = errno;
        whyNot = std::string("cannot open /dev/uhid: ") + std::strerror(e) +
                 (e == ENOENT ? " (load the uhid module: modprobe uhid)" : "");
        return false;
    }
    uhid_event ev{};
    ev.type = UHID_CREATE2;
    auto& req = ev.u.create2;
    std::strncpy(reinterpret_cast<char*>(req.name), id.name.c_str(), sizeof req.name - 1);
    std::strncpy(reinterpret_cast<char*>(req.phys), "kestrelon-uhid", sizeof req.phys - 1);
    req.rd_size = static_cast<uint16_t>(descriptor.size());
    req.bus = 0x03;   // BUS_USB: detection filters on the IDs of USB devices
    req.vendor = id.vendorId;
    req.product = id.productId;
    req.version = id.version;
    std::copy(descriptor.begin(), descriptor.end(), req.rd_data);
    if (!write(ev)) {
        whyNot = std::string("the kernel refused the HID device: ") + std::strerror(errno);
        ::close(fd_);
        fd_ = -1;
        return false;
    }
    return true;
}

void UhidNode::destroy() {
    if (fd_ < 0) return;
    uhid_event ev{};
    ev.type = UHID_DESTROY;
    write(ev);
    ::close(fd_);
    fd_ = -1;
}

bool UhidNode::readEvent(uhid_event& ev) {
    if (fd_ < 0) return false;
    const ssize_t n = ::read(fd_, &ev, sizeof ev);
    return n > 0;
}

bool UhidNode::replyGet(uint32_t id, uint16_t err, std::span<const uint8_t> data) {
    uhid_event ev{};
    ev.type = UHID_GET_REPORT_REPLY;
    auto& r = ev.u.get_report_reply;
    r.id = id;
    r.err = err;
    if (err == 0) {
        r.size = static_cast<uint16_t>(std::min<size_t>(data.size(), UHID_DATA_MAX));
        std::copy_n(data.begin(), r.size, r.data);
    }
    return write(ev);
}

bool UhidNode::replySet(uint32_t id, uint16_t err) {
    uhid_event ev{};
    ev.type = UHID_SET_REPORT_REPLY;
    ev.u.set_report_reply.id = id;
    ev.u.set_report_reply.err = err;
    return write(ev);
}

// uhid takes every event in one write; a short write does not happen.
bool UhidNode::write(const uhid_event& ev) {
    if (fd_ < 0) return false;
    return ::write(fd_, &ev, sizeof ev) == static_cast<ssize_t>(sizeof ev);
}

} // namespace kestrelon::uhid
