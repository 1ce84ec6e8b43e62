#include "production/pairing.h"

#include "app/lang.h"
#include "app/station.h"

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
        const DongleInfo first = ReadDongleInfo(s_.transport);
        if (tickForDebug >= 0 && first.valid) s_.status.lstDebug.push_back(debugLine("*1*", tickForDebug, first));
        s_.clock.Sleep(10);
        const DongleInfo second = ReadDongleInfo(s_.transport);
        if (tickForDebug >= 0 && second.valid) s_.status.lstDebug.push_back(debugLine("*2*", tickForDebug, second));
        if (first.valid && second.valid && first.mouseId == second.mouseId) {
            out = second;
            return true;
        }
    }
    return false;
}

void Pairing::btnCombo_Cmd_Soft_Bind_SWClick() {
    WindowTimers::set(s_.timers.tmrIsTxLink, false);
    s_.pairingState.BindTicks = 0;
    if (!s_.link.hasDevice()) return;
    DongleInfo info;
    if (!agreeingPair(info, -1)) {
        // No agreement: the dongle is taken as lost, as a tick would.
        s_.detection.ResetDeviceStatus();
        WindowTimers::set(s_.timers.tmrSoftBind, false);
        return;
    }
    s_.pairingState.PrevMouseId = info.mouseId;
    s_.pairingState.PrevKbdId = info.keyboardId;
    s_.status.lstDebug.push_back(debugLine("**", s_.pairingState.BindTicks, info));
    CommandFrame bind = makeFrame(0x08, 0x00, 0x01);
    s_.transport.send(bind);   // binding mode; the result tells nothing more
    WindowTimers::set(s_.timers.tmrSoftBind, true);
    s_.status.picture = ConnectPicture::Bind;
    s_.status.gifBindAnimating = true;   // a run's keyboard binding stops it at its end
    s_.status.btnConnectCaptionId = 0x04;
}

bool Pairing::linkAnswers() {
    // Ten sends of special command 4; the answers of the first nine count.
    bool passed = false;
    for (int send = 0; send < 10 && !passed; ++send) {
        const bool valid = s_.commands.btnSpecialCmd1Click(4);
        if (send < 9 && valid) {
            const long long status = s_.eng.edtSC04[1].value();
            passed = status == 0xBB || status == 0x33;
        }
    }
    return passed;
}

void Pairing::finish(uint8_t resultTextId, bool success) {
    WindowTimers::set(s_.timers.tmrSoftBind, false);
    s_.status.picture = ConnectPicture::Connected;
    s_.status.btnConnectCaptionId = 0x03;
    const bool operatorBind = s_.run.BindInRun == 0;
    if (operatorBind) s_.status.message(LangText(0x02), LangText(resultTextId));
    if (operatorBind || !success) WindowTimers::set(s_.timers.tmrIsTxLink, true);
}

void Pairing::tmrSoftBindTimer() {
    auto& p = s_.pairingState;
    ++p.BindTicks;
    if (!s_.link.hasDevice()) {
        WindowTimers::set(s_.timers.tmrSoftBind, false);
        return;
    }
    DongleInfo now;
    if (!agreeingPair(now, p.BindTicks)) {
        s_.detection.ResetDeviceStatus();
        WindowTimers::set(s_.timers.tmrSoftBind, false);
        return;
    }
    if (linkAnswers()) {
        const bool changed = s_.run.BindInRun == 1
                                 ? now.keyboardId != p.PrevKbdId
                                 : now.mouseId != p.PrevMouseId || now.keyboardId != p.PrevKbdId;
        if (changed) {
            p.PrevMouseId = now.mouseId;
            p.PrevKbdId = now.keyboardId;
            finish(0x05, true);   // "Connect Success"
            return;
        }
    }
    if (p.BindTicks == 16) finish(0x06, false);   // "Connect Fail"
}

} // namespace kestrelon
