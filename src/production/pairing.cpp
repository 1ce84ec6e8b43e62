#include "production/pairing.h"

#include <cstdio>

namespace kestrelon {

namespace {
std::string debugLine(const char* prefix, int ticks, const DongleInfo& info) {
    char buf[96];
    std::snprintf(buf, sizeof buf, "%s%d--%sMseID-%X--%sKbdID-%X--channel-%d", prefix, ticks,
                  prefix[1] == '*' ? "pre" : "Now", info.mouseId, prefix[1] == '*' ? "pre" : "Now",
                  info.keyboardId, info.channel);
    return buf;
}
} // namespace

bool Pairing::agreeingPair(DongleInfo& out, int tickForDebug) {
    for (int pair = 0; pair < kAgreementPairs; ++pair) {
        const DongleInfo first = ReadDongleInfo(p_.device.transport);
        if (tickForDebug >= 0 && first.valid) p_.view.debug.add(debugLine("*1*", tickForDebug, first));
        p_.device.transport.clock().Sleep(10);
        const DongleInfo second = ReadDongleInfo(p_.device.transport);
        if (tickForDebug >= 0 && second.valid) p_.view.debug.add(debugLine("*2*", tickForDebug, second));
        if (first.valid && second.valid && first.mouseId == second.mouseId) {
            out = second;
            return true;
        }
    }
    return false;
}

void Pairing::btnCombo_Cmd_Soft_Bind_SWClick() {
    WindowTimers::set(p_.timers.tmrIsTxLink, false);
    p_.state.BindTicks = 0;
    p_.state.BindSucceeded = false;
    if (!p_.device.transport.link().hasDevice()) return;
    DongleInfo info;
    if (!agreeingPair(info, -1)) {
        // No agreement: the dongle is taken as lost, as a tick would.
        p_.linkStatus.ResetDeviceStatus();
        WindowTimers::set(p_.timers.tmrSoftBind, false);
        return;
    }
    p_.state.PrevMouseId = info.mouseId;
    p_.state.PrevKbdId = info.keyboardId;
    p_.view.debug.add(debugLine("**", p_.state.BindTicks, info));
    CommandFrame bind = makeFrame(op::Control, operand::BindingMode[0], operand::BindingMode[1]);
    p_.device.transport.send(bind);   // binding mode; the result tells nothing more
    WindowTimers::set(p_.timers.tmrSoftBind, true);
    p_.view.devices.edit([](DeviceStatus& d) {
        d.picture = ConnectPicture::Bind;
        d.gifBindAnimating = true;   // a run's keyboard binding stops it at its end
        d.btnConnectCaptionId = text_id::ConnectingCaption;
    });
}

bool Pairing::linkAnswers() {
    // Ten sends of special command 4; the answers of the first nine count.
    bool passed = false;
    for (int send = 0; send < 10 && !passed; ++send) {
        const std::optional<CommandFrame> answer = p_.device.calls.readSpecial(operand::SpecialBinding);
        if (send < 9 && answer) {
            const uint8_t status = (*answer)[special::BindStatus];
            passed = status == special::Bound || status == special::BoundAgain;
        }
    }
    return passed;
}

void Pairing::finish(uint8_t resultTextId, bool success) {
    WindowTimers::set(p_.timers.tmrSoftBind, false);
    p_.state.BindSucceeded = success;
    p_.view.devices.edit([](DeviceStatus& d) {
        d.picture = ConnectPicture::Connected;
        d.btnConnectCaptionId = text_id::ConnectCaption;
    });
    const bool operatorBind = p_.run.BindInRun == 0;
    if (operatorBind)
        p_.view.messages.showMessage(MessageKind::Pairing, p_.view.language.text(text_id::ConnectTitle), p_.view.language.text(resultTextId));
    if (operatorBind || !success) WindowTimers::set(p_.timers.tmrIsTxLink, true);
}

void Pairing::tmrSoftBindTimer() {
    auto& p = p_.state;
    ++p.BindTicks;
    if (!p_.device.transport.link().hasDevice()) {
        WindowTimers::set(p_.timers.tmrSoftBind, false);
        return;
    }
    DongleInfo now;
    if (!agreeingPair(now, p.BindTicks)) {
        p_.linkStatus.ResetDeviceStatus();
        WindowTimers::set(p_.timers.tmrSoftBind, false);
        return;
    }
    if (linkAnswers()) {
        const bool changed = p_.run.BindInRun == 1
                                 ? now.keyboardId != p.PrevKbdId
                                 : now.mouseId != p.PrevMouseId || now.keyboardId != p.PrevKbdId;
        if (changed) {
            p.PrevMouseId = now.mouseId;
            p.PrevKbdId = now.keyboardId;
            finish(text_id::ConnectSuccess, true);
            return;
        }
    }
    if (p.BindTicks == kTimeoutTicks) finish(text_id::ConnectFail, false);
}

} // namespace kestrelon
