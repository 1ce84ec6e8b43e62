#include "uhid/dongle_server.h"

#include "uhid/report_descriptors.h"

#include <poll.h>
#include <sys/signalfd.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <cstdio>

namespace kestrelon::uhid {

namespace {

constexpr uint16_t kEio = EIO;

std::string hex(const uint8_t* data, size_t len) {
    std::string s;
    char b[4];
    for (size_t i = 0; i < len; ++i) {
        std::snprintf(b, sizeof b, i ? " %02X" : "%02X", data[i]);
        s += b;
    }
    return s;
}

} // namespace

bool DongleServer::plug(std::string& whyNot) {
    NodeIdentity id{"", firmware_.vendorId(), firmware_.productId(), firmware_.versionNumber()};
    // The mouse interface first, as a receiver enumerates: the tool must not
    // take the first interface with the right IDs.
    id.name = "Kestrelon 2.4G Receiver Mouse";
    if (!mouse_.create(id, MouseInterfaceDescriptor(), whyNot)) return false;
    id.name = "Kestrelon 2.4G Receiver";
    if (!vendor_.create(id, VendorInterfaceDescriptor(), whyNot)) {
        mouse_.destroy();
        return false;
    }
    return true;
}

void DongleServer::unplug() {
    vendor_.destroy();
    mouse_.destroy();
}

int DongleServer::serve(int signalFd) {
    while (plugged()) {
        std::array<pollfd, 3> fds{{{signalFd, POLLIN, 0}, {vendor_.fd(), POLLIN, 0}, {mouse_.fd(), POLLIN, 0}}};
        if (::poll(fds.data(), fds.size(), -1) < 0) {
            if (errno == EINTR) continue;
            log_ << "kestrelon-uhid-dongle: poll failed, unplugging\n";
            unplug();
            return 0;
        }
        if (fds[0].revents & POLLIN) {
            signalfd_siginfo si{};
            if (::read(signalFd, &si, sizeof si) == static_cast<ssize_t>(sizeof si))
                return static_cast<int>(si.ssi_signo);
        }
        uhid_event ev{};
        if (fds[2].revents & POLLIN)
            while (mouse_.readEvent(ev)) handleMouseEvent(ev);
        if (fds[1].revents & POLLIN)
            while (plugged() && vendor_.readEvent(ev)) handleVendorEvent(ev);
        if ((fds[1].revents | fds[2].revents) & (POLLERR | POLLHUP)) {
            log_ << "kestrelon-uhid-dongle: the kernel closed the device\n";
            unplug();
        }
    }
    return 0;
}

// The mouse interface declares no feature reports, but hidraw passes the
// request on all the same; refuse at once rather than let the caller wait
// for the kernel's time-out.
void DongleServer::handleMouseEvent(const uhid_event& ev) {
    if (ev.type == UHID_GET_REPORT) mouse_.replyGet(ev.u.get_report.id, kEio, {});
    if (ev.type == UHID_SET_REPORT) mouse_.replySet(ev.u.set_report.id, kEio);
}

void DongleServer::handleVendorEvent(const uhid_event& ev) {
    switch (ev.type) {
    case UHID_GET_REPORT:
        answerGet(ev.u.get_report);
        afterReport();
        break;
    case UHID_SET_REPORT:
        answerSet(ev.u.set_report);
        afterReport();
        break;
    default:
        break;   // start, stop, open, close, output: nothing to answer
    }
}

void DongleServer::answerGet(const uhid_get_report_req& req) {
    ++reports_;
    std::array<uint8_t, 9> data{};
    data[0] = req.rnum;
    bool ok = req.rtype == UHID_FEATURE_REPORT;
    const bool injected = options_.getErrorFrom && reports_ >= *options_.getErrorFrom;
    ok = ok && !injected && firmware_.getFeature(data.data(), data.size());
    // The firmware's bytes go back as they are: it answers with data from
    // byte 0 on, where the report ID was, as the real receiver does.
    vendor_.replyGet(req.id, ok ? 0 : kEio, data);
    if (options_.trace)
        log_ << "report " << reports_ << " GET " << int(req.rnum) << " -> "
             << (ok ? hex(data.data(), data.size()) : injected ? "EIO (injected)" : "EIO") << "\n";
}

void DongleServer::answerSet(const uhid_set_report_req& req) {
    ++reports_;
    const size_t len = std::min<size_t>(req.size, sizeof req.data);
    const bool ok = req.rtype == UHID_FEATURE_REPORT && firmware_.setFeature(req.data, len);
    vendor_.replySet(req.id, ok ? 0 : kEio);
    if (options_.trace) log_ << "report " << reports_ << " SET " << hex(req.data, len) << (ok ? "" : " -> EIO") << "\n";
}

void DongleServer::afterReport() {
    if (!firmware_.attached()) {
        log_ << "kestrelon-uhid-dongle: the firmware detached after report " << reports_ << ", unplugging\n";
        unplug();
    } else if (options_.vanishAfter && reports_ >= *options_.vanishAfter) {
        log_ << "kestrelon-uhid-dongle: vanishing after report " << reports_ << "\n";
        unplug();
    }
}

} // namespace kestrelon::uhid
