// The engineering commands: talk to a receiver and its mouse without the
// window, through the same core calls the window uses.
#include "app/link_presenter.h"
#include "app/station_numbers.h"
#include "cli/commands.h"
#include "cli/engineering.h"
#include "device/detection.h"
#include "device/dongle_info.h"
#include "model/product_models.h"

#include <functional>
#include <ostream>

namespace kestrelon::cli {

namespace {

const char* modelOfVersion(int version) {
    const ProductModel* m = ModelAt(ModelOfDongleVersion(version));
    return m ? m->name : nullptr;
}

bool number(const Args& args, size_t i, unsigned long long max, const char* what, const Io& io,
            unsigned long long& out) {
    if (parseNumber(args.positional[i], max, out)) return true;
    io.error(std::string(what) + " must be a number from 0 to " + Hex(static_cast<long long>(max), 0).insert(0, "0x") +
             " (decimal or 0x...), not '" + args.positional[i] + "'");
    return false;
}

std::string modelName(int model) { return ModelAt(model) ? ModelAt(model)->name : "?"; }

int info(const Args& args, const Io& io) {
    int model = 0;
    if (args.has("model")) {
        const std::string m = args.value("model");
        model = ModelNamed(m);
        if (model < 0) {
            io.error("--model must be " + ModelNameList());
            return kExitUsage;
        }
    }
    EngineeringSession s;
    s.model = model;
    if (const int rc = OpenReceiver(args, io, s, true)) return rc;
    Station& st = *s.station;
    const int version = st.link.DongleVersion;
    const char* fits = modelOfVersion(version);
    io.out << "dongle: " << Hex(st.link.vendorId, 4) << ":" << Hex(st.link.productId, 4) << " version "
           << Hex(version, 4) << "\n";
    io.out << "model: " << (fits ? fits : "none (version fits no model)") << "\n";
    io.out << "selected model: " << modelName(model) << "\n";
    io.out << "numbers from: "
           << NumbersSource(args.value("settings", kSettingsFileName), args.value("store"), args.value("product"),
                            st.clock)
           << "\n";
    // The lamps and their texts, as the window would show them now.
    const LinkState& link = st.detection.state();
    io.out << "RX lamp: " << LampText(RxLamp(link)) << ", " << RxText(link) << "\n";
    io.out << "TX lamp: " << LampText(TxLamp(link)) << ", " << TxText(link) << "\n";
    if (!link.receiverReady) {
        io.error("the receiver does not answer (dongle information)");
        return CloseReceiver(s, io, kExitFailed);
    }
    const DongleInfo di = ReadDongleInfo(st.transport);
    io.out << "paired mouse ID: " << Hex(st.pairingState.PrevMouseId, 2) << "\n";
    io.out << "paired keyboard ID: " << Hex(st.pairingState.PrevKbdId, 2) << "\n";
    io.out << "RF channel: " << (di.valid ? Hex(di.channel, 2) : std::string("unknown")) << "\n";
    int chip = -1;
    if (link.mouseAnswering) {
        chip = st.detection.readChipByte();
        io.out << "mouse: answers over RF";
        if (chip >= 0) io.out << ", chip byte " << Hex(chip, 2);
        io.out << "\n";
    } else {
        io.out << "mouse: does not answer over RF\n";
    }

    // Ready means what a green lamp means on the window.
    std::string notReady;
    if (!link.receiverFitsModel)
        notReady = "the receiver's version " + Hex(version, 4) + " does not fit model " + modelName(model);
    if (!link.mouseAnswering) {
        notReady += (notReady.empty() ? "" : "; ") + std::string("the mouse does not answer over RF");
    } else if (!link.mouseFitsModel && notReady.empty()) {
        notReady = "the mouse's chip byte " + (chip >= 0 ? Hex(chip, 2) : std::string("(unread)")) +
                   " does not fit model " + modelName(model);
    }
    if (!notReady.empty()) {
        io.error("not ready: " + notReady);
        return CloseReceiver(s, io, kExitFailed);
    }
    return CloseReceiver(s, io, kExitOk);
}

int rxRead(const Args& args, const Io& io) {
    unsigned long long word;
    if (!number(args, 0, 63, "WORD", io, word)) return kExitUsage;
    EngineeringSession s;
    if (const int rc = OpenReceiver(args, io, s, false)) return rc;
    const std::optional<uint16_t> v = s.station->transport.readDongleWord(static_cast<uint8_t>(word));
    if (!v) {
        io.error(ReceiverProblem(s, "the receiver gave no valid answer reading word " + Hex(static_cast<long long>(word), 2)));
        return CloseReceiver(s, io, kExitFailed);
    }
    io.out << Hex(*v, 4) << "\n";
    return CloseReceiver(s, io, kExitOk);
}

int rxWrite(const Args& args, const Io& io) {
    unsigned long long word, value;
    if (!number(args, 0, 63, "WORD", io, word) || !number(args, 1, 0xFFFF, "VALUE", io, value)) return kExitUsage;
    EngineeringSession s;
    if (const int rc = OpenReceiver(args, io, s, false)) return rc;
    auto& t = s.station->transport;
    if (!t.writeDongleWord(static_cast<uint8_t>(word), static_cast<uint16_t>(value))) {
        io.error(ReceiverProblem(s, "word " + Hex(static_cast<long long>(word), 2) + " did not read back as " +
                                        Hex(static_cast<long long>(value), 4) + " (no answer or verify mismatch)"));
        return CloseReceiver(s, io, kExitFailed);
    }
    io.out << Hex(static_cast<long long>(value), 4) << "\n";
    return CloseReceiver(s, io, kExitOk);
}

int txRead(const Args& args, const Io& io) {
    unsigned long long addr;
    if (!number(args, 0, 0x7F, "ADDR", io, addr)) return kExitUsage;
    EngineeringSession s;
    if (const int rc = OpenReceiver(args, io, s, false)) return rc;
    Station& st = *s.station;
    st.ui.engineering.edtRF_EEPROMAddr.setValue(static_cast<long long>(addr));
    st.commands.btnC_RF_Rd_EEPROMClick();
    if (st.transport.failed()) {
        io.error(ReceiverProblem(s, "the mouse did not answer over RF reading byte " + Hex(static_cast<long long>(addr), 2)));
        return CloseReceiver(s, io, kExitFailed);
    }
    io.out << st.ui.engineering.edtRF_EEPROMData.text() << "\n";
    return CloseReceiver(s, io, kExitOk);
}

int txWrite(const Args& args, const Io& io) {
    unsigned long long addr, value;
    if (!number(args, 0, 0x7F, "ADDR", io, addr) || !number(args, 1, 0xFF, "VALUE", io, value)) return kExitUsage;
    EngineeringSession s;
    if (const int rc = OpenReceiver(args, io, s, false)) return rc;
    Station& st = *s.station;
    // The mouse takes EEPROM writes only in access mode.
    st.commands.rbC_RF_ENTER_ACCESS_WO_LEDClick();
    st.clock.Sleep(50);
    st.ui.engineering.edtRF_EEPROMAddr.setValue(static_cast<long long>(addr));
    st.ui.engineering.edtRF_EEPROMData.setValue(static_cast<long long>(value));
    const bool confirmed = st.commands.btnC_RF_Wrt_EEPROMClick();
    st.commands.rbC_RF_LEAVE_ACCESSClick();
    st.clock.Sleep(50);
    if (!confirmed || st.transport.failed()) {
        io.error(ReceiverProblem(s, "the mouse did not confirm writing byte " + Hex(static_cast<long long>(addr), 2)));
        return CloseReceiver(s, io, kExitFailed);
    }
    io.out << Hex(static_cast<long long>(value), 2) << "\n";
    return CloseReceiver(s, io, kExitOk);
}

int rxDump(const Args& args, const Io& io) {
    EngineeringSession s;
    if (const int rc = OpenReceiver(args, io, s, false)) return rc;
    std::string text;   // printed only when every word was read
    for (int w = 0; w < 64; ++w) {
        const std::optional<uint16_t> v = s.station->transport.readDongleWord(static_cast<uint8_t>(w));
        if (!v) {
            io.error(ReceiverProblem(s, "the receiver gave no valid answer reading word " + Hex(w, 2)));
            return CloseReceiver(s, io, kExitFailed);
        }
        text += (w % 8 == 0 ? Hex(w, 2) + ":" : std::string()) + " " + Hex(*v, 4) + (w % 8 == 7 ? "\n" : "");
    }
    io.out << text;
    return CloseReceiver(s, io, kExitOk);
}

int txDump(const Args& args, const Io& io) {
    EngineeringSession s;
    if (const int rc = OpenReceiver(args, io, s, false)) return rc;
    Station& st = *s.station;
    std::string text;
    for (int a = 0; a < 128; ++a) {
        const std::optional<uint8_t> v = st.transport.readMouseByte(op::RfEepromRead, static_cast<uint8_t>(a));
        if (!v) {
            io.error(ReceiverProblem(s, "the mouse did not answer over RF reading byte " + Hex(a, 2)));
            return CloseReceiver(s, io, kExitFailed);
        }
        text += (a % 16 == 0 ? Hex(a, 2) + ":" : std::string()) + " " + Hex(*v, 2) + (a % 16 == 15 ? "\n" : "");
    }
    io.out << text;
    return CloseReceiver(s, io, kExitOk);
}

// What the engineering commands' exit statuses mean.
std::vector<std::string> receiverExits(const std::string& done) {
    return {"0  " + done,
            "1  no receiver, it did not answer or was unplugged, the mouse did not answer, or the receiver is",
            "   in use by a window or a run on this folder's settings file",
            "2  bad usage"};
}

Command engineeringCommand(std::string name, std::string summary, std::string usage, std::vector<Option> options,
                           size_t positional, std::function<int(const Args&, const Io&)> run, std::string done,
                           std::string example) {
    return {std::move(name), std::move(summary), std::move(usage), std::move(options), positional, positional,
            std::move(run), receiverExits(done), std::move(example)};
}

} // namespace

Command infoCommand() {
    auto options = receiverOptions();
    options.push_back({"model", "NN", "the selected model the receiver is checked against: 01 (default), 02, 03"});
    options.push_back({"settings", "FILE", "the settings file that names the number store (default TX.ini)"});
    options.push_back({"store", "URI", "the number store a run would use (instead of KESTRELON_STORE, NumberStore)"});
    options.push_back({"product", "NAME", "the product in the number store"});
    Command c = engineeringCommand("info",
                                   "open the receiver and report its IDs, model, pairing, channel and whether the mouse answers",
                                   "info", options, 0, info, "the receiver and its mouse are ready for the model",
                                   "info --model 02");
    c.exits[1] = "1  no receiver, or the receiver or its mouse is not ready for the model (the lamps would not";
    c.exits[2] = "   both be green), or the receiver is in use by a window or a run on this folder's settings file";
    return c;
}
Command rxReadCommand() {
    return engineeringCommand("rx-read", "read one word (0-63) of the receiver's EEPROM", "rx-read WORD",
                              receiverOptions(), 1, rxRead, "the word is printed in hex", "rx-read 0x3C");
}
Command rxWriteCommand() {
    return engineeringCommand("rx-write", "write one word of the receiver's EEPROM and read it back until it matches",
                              "rx-write WORD VALUE", receiverOptions(), 2, rxWrite, "written and read back",
                              "rx-write 0x2F 0x40BF");
}
Command txReadCommand() {
    return engineeringCommand("tx-read", "read one byte (0-0x7F) of the mouse's EEPROM over RF", "tx-read ADDR",
                              receiverOptions(), 1, txRead, "the byte is printed in hex", "tx-read 0x78");
}
Command txWriteCommand() {
    return engineeringCommand("tx-write", "write one byte of the mouse's EEPROM over RF, confirmed by the receiver",
                              "tx-write ADDR VALUE", receiverOptions(), 2, txWrite, "written and confirmed",
                              "tx-write 0x12 0x33");
}
Command rxDumpCommand() {
    return engineeringCommand("rx-dump", "read all 64 words of the receiver's EEPROM", "rx-dump", receiverOptions(), 0,
                              rxDump, "all words are printed", "rx-dump --vid 0xF3D7 --pid 0x053A");
}
Command txDumpCommand() {
    return engineeringCommand("tx-dump", "read all 128 bytes of the mouse's EEPROM over RF", "tx-dump",
                              receiverOptions(), 0, txDump, "all bytes are printed", "tx-dump --sim");
}

} // namespace kestrelon::cli
