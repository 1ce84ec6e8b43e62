#include "numbering/numbering_panel.h"

#include "numbering/numbering_words.h"

#include <algorithm>
#include <cctype>
#include <cstring>

namespace kestrelon {

namespace {

std::string hex6(int32_t id) { return PaddedHex(static_cast<uint32_t>(id), 6); }

std::string upper(std::string s) {
    for (char& c : s) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return s;
}

// A text box shows its text only up to the first NUL.
std::string asShown(const std::string& s) {
    return std::string(s.c_str());
}

constexpr int kOpenHeight = 95, kClosedHeight = 35;
constexpr int kBaseHeightRest = 550;   // window height without the two boxes

} // namespace

UnitRFIDs ReadUnitRFIDs(NumberingGenerators& g) {
    UnitRFIDs ids;
    ids.rx = g.RxRFID->NextRFID();
    ids.tx = g.TxRFID->NextRFID();
    if (ids.tx == ids.rx) ids.tx += 1;
    return ids;
}

void AdvanceSerials(NumberingGenerators& g) {
    for (TProdSN* sn : {g.RxSN.get(), g.TxSN.get()})
        if (sn->IsSN() && sn->IncSNByteCount() > 0) sn->setIncCurrentSN(sn->IncNextSN());
}

PassDisplay ShowPassed(NumberingGenerators& g, const UnitRFIDs& used) {
    PassDisplay d;
    auto showSN = [](const TProdSN& sn, PassDisplay::Row& row) {
        if (!sn.IsSN() || sn.IncSNByteCount() <= 0) return;
        row.advanced = true;
        row.current = PaddedHex(sn.IncCurrentSN(), 2 * sn.IncSNByteCount());
        row.next = PaddedHex(sn.IncNextSN(), 2 * sn.IncSNByteCount());
    };
    showSN(*g.RxSN, d.rxSN);
    showSN(*g.TxSN, d.txSN);
    auto advanceID = [](TProdRFID& id, int32_t usedId, PassDisplay::Row& row) {
        if (id.IsRandom()) return;
        id.setIncCurrentRFID(usedId);
        row.advanced = true;
        row.current = hex6(id.IncCurrentRFID());
        row.next = NextRFIDText(id);   // the next unit's ID, not taken: no ID is skipped
    };
    advanceID(*g.RxRFID, used.rx, d.rxRFID);
    advanceID(*g.TxRFID, used.tx, d.txRFID);
    return d;
}

PassDisplay AdvanceAfterPass(NumberingGenerators& g, const UnitRFIDs& used) {
    AdvanceSerials(g);
    return ShowPassed(g, used);
}

NumberingPanel::NumberingPanel(NumberingGenerators& generators, Observed<NumberingBoxes>& boxes,
                               std::function<void()> save, std::function<void(const std::string&)> error)
    : gens_(generators), boxes_(boxes), save_(std::move(save)), error_(std::move(error)) {}

void NumberingPanel::refuse(const std::string& text) {
    if (error_) error_("'$0" + text + "' is not a valid integer value");
}

void NumberingPanel::setSettingsEnabled(bool on) {
    const auto batch = boxes_.batch();
    settingsEnabled_ = on;
    for (NumberingRow r : {NumberingRow::Rx, NumberingRow::Tx}) {
        box(r).fixEnabled = on && box(r).FixByteCount > 0 && sn(r).FixSNByteCount() > 0;
        box(r).initEnabled = on && sn(r).IncSNByteCount() > 0;
    }
}

// ---- control changes -------------------------------------------------------

void NumberingPanel::setIsSN(NumberingRow r, bool checked) {
    const auto batch = boxes_.batch();
    if (box(r).IsSN == checked) return;
    box(r).IsSN = checked;
    cbRX_IsSNClick(r);
}

void NumberingPanel::setIsDate(NumberingRow r, bool checked) {
    const auto batch = boxes_.batch();
    if (box(r).IsDate == checked) return;
    box(r).IsDate = checked;
    cbRX_IsDateClick(r);
}

void NumberingPanel::setFixByteCount(NumberingRow r, int value) {
    const auto batch = boxes_.batch();
    value = std::clamp(value, 0, 6);   // the spin box's own range
    if (box(r).FixByteCount == value) return;
    box(r).FixByteCount = value;
    edtRX_FixByteCountChange(r);
}

void NumberingPanel::setIncByteCount(NumberingRow r, int value) {
    const auto batch = boxes_.batch();
    value = std::clamp(value, 0, 6);
    if (box(r).IncByteCount == value) return;
    box(r).IncByteCount = value;
    edtRX_IncByteCountChange(r);
}

void NumberingPanel::setFixBoxText(NumberingRow r, std::string text) {
    const auto batch = boxes_.batch();
    text = asShown(text);
    if (box(r).fixUpperCase) text = upper(std::move(text));
    if (box(r).FixSN == text) return;
    box(r).FixSN = std::move(text);
    edtRX_FixSNChange(r);
}

void NumberingPanel::setFixSNText(NumberingRow r, const std::string& text) { setFixBoxText(r, text); }

void NumberingPanel::setInitBoxText(NumberingRow r, std::string text) {
    const auto batch = boxes_.batch();
    text = upper(std::move(text));
    if (box(r).IncInitSN == text) return;
    box(r).IncInitSN = std::move(text);
    edtRX_IncInitSNChange(r);
}

void NumberingPanel::setIncInitSNText(NumberingRow r, const std::string& text) { setInitBoxText(r, text); }

void NumberingPanel::checkFixAscii(NumberingRow r) {
    const auto batch = boxes_.batch();
    if (box(r).FixAscii) return;
    box(r).FixAscii = true;
    box(r).FixHex = false;
    rbRX_FixAsciiClick(r, true);
}

void NumberingPanel::checkFixHex(NumberingRow r) {
    const auto batch = boxes_.batch();
    if (box(r).FixHex) return;
    box(r).FixHex = true;
    box(r).FixAscii = false;
    rbRX_FixAsciiClick(r, false);
}

void NumberingPanel::setIncInitRFIDText(NumberingRow r, const std::string& text) {
    const auto batch = boxes_.batch();
    const std::string t = upper(text);
    if (idBox(r).IncInitRFID == t) return;
    idBox(r).IncInitRFID = t;
    edtRX_IncInitRFIDChange(r);
}

// The four RF-ID mode buttons share the ID group box, so they form one radio
// group: checking one unchecks the other three.
void NumberingPanel::checkRandomRFID(NumberingRow r) {
    const auto batch = boxes_.batch();
    if (idBox(r).Random) return;
    all().rxId.Random = all().rxId.Custom = all().txId.Random = all().txId.Custom = false;
    idBox(r).Random = true;
    rbRX_RandomRFIDClick(true);
}

void NumberingPanel::checkCustomRFID(NumberingRow r) {
    const auto batch = boxes_.batch();
    if (idBox(r).Custom) return;
    all().rxId.Random = all().rxId.Custom = all().txId.Random = all().txId.Custom = false;
    idBox(r).Custom = true;
    rbRX_RandomRFIDClick(false);
}

// ---- handlers --------------------------------------------------------------

void NumberingPanel::cbRX_IsSNClick(NumberingRow r) {
    const auto batch = boxes_.batch();
    SerialBoxes& b = box(r);
    sn(r).setIsSN(b.IsSN);
    b.dateVisible = b.IsSN;
    b.height = b.IsSN ? kOpenHeight : kClosedHeight;
    all().BaseHeight = all().rx.height + all().tx.height + kBaseHeightRest;
    save();
}

void NumberingPanel::cbRX_IsDateClick(NumberingRow r) {
    const auto batch = boxes_.batch();
    TProdSN& g = sn(r);
    g.setIsDate(box(r).IsDate);
    setIncByteCount(r, g.IncSNByteCount());
    setFixByteCount(r, g.FixSNByteCount());
    setFixBoxText(r, g.GetFixSNText());
    edtRX_FixSNChange(r);
    box(r).DateLabel = g.GetDateText();
    save();
}

void NumberingPanel::edtRX_FixByteCountChange(NumberingRow r) {
    const auto batch = boxes_.batch();
    TProdSN& g = sn(r);
    SerialBoxes& b = box(r);
    const int limit = g.IsDate() ? 4 : 6;
    if (b.FixByteCount > limit) {
        setFixByteCount(r, limit);   // runs this handler again with the limit
        return;
    }
    if (b.FixByteCount != g.FixSNByteCount()) {
        g.setFixSNByteCount(b.FixByteCount);
        setIncByteCount(r, g.IncSNByteCount());
        save();
    }
    b.fixMaxLength = g.IsFixAscii() ? g.FixSNByteCount() : 2 * g.FixSNByteCount();
    b.fixEnabled = settingsEnabled_ && g.FixSNByteCount() > 0;
}

void NumberingPanel::edtRX_IncByteCountChange(NumberingRow r) {
    const auto batch = boxes_.batch();
    TProdSN& g = sn(r);
    SerialBoxes& b = box(r);
    const int limit = g.IsDate() ? 4 : 6;
    if (b.IncByteCount > limit) {
        setIncByteCount(r, limit);
        return;
    }
    if (b.IncByteCount != g.IncSNByteCount()) {
        g.setIncSNByteCount(b.IncByteCount);
        setFixByteCount(r, g.FixSNByteCount());
        save();
    }
    showSNNext(r);
    b.initMaxLength = 2 * g.IncSNByteCount();
    b.initEnabled = settingsEnabled_ && g.IncSNByteCount() > 0;
}

void NumberingPanel::showSNNext(NumberingRow r) {
    const auto batch = boxes_.batch();
    const TProdSN& g = sn(r);
    box(r).IncNextSN = g.IncSNByteCount() <= 0 ? std::string() : PaddedHex(g.IncNextSN(), 2 * g.IncSNByteCount());
}

void NumberingPanel::edtRX_FixSNChange(NumberingRow r) {
    if (!sn(r).EnterFixSNText(box(r).FixSN)) {
        refuse(box(r).FixSN);
        return;
    }
    save();
}

void NumberingPanel::edtRX_IncInitSNChange(NumberingRow r) {
    const auto batch = boxes_.batch();
    int64_t v = 0;
    if (!ParseHexText(box(r).IncInitSN, v)) {
        refuse(box(r).IncInitSN);
        return;
    }
    // Only the operator restarts a sequence. While the panel is being filled
    // from the generators, the box merely shows the stored start; writing it
    // back would move every counter to its start on each program start and
    // issue those serial numbers again.
    if (!showing_) sn(r).setIncInitSN(v);
    showSNNext(r);
    save();
}

void NumberingPanel::rbRX_FixAsciiClick(NumberingRow r, bool ascii) {
    const auto batch = boxes_.batch();
    TProdSN& g = sn(r);
    SerialBoxes& b = box(r);
    g.setIsFixAscii(ascii);
    b.fixHexFilter = !ascii;
    setFixBoxText(r, "");
    b.fixUpperCase = !ascii;
    b.fixMaxLength = ascii ? g.FixSNByteCount() : 2 * g.FixSNByteCount();
    save();
}

void NumberingPanel::edtRX_IncInitRFIDChange(NumberingRow r) {
    const auto batch = boxes_.batch();
    int64_t v = 0;
    if (!ParseHexText(idBox(r).IncInitRFID, v)) {
        refuse(idBox(r).IncInitRFID);
        return;
    }
    TProdRFID& g = rf(r);
    g.setIncInitRFID(static_cast<int32_t>(static_cast<uint32_t>(v)));
    // The Next box names the ID the next unit gets without taking it: a
    // consuming read would make the first unit miss the start just typed.
    idBox(r).IncNextRFID = NextRFIDText(g);
    save();
}

void NumberingPanel::rbRX_RandomRFIDClick(bool random) {
    const auto batch = boxes_.batch();
    for (NumberingRow r : {NumberingRow::Rx, NumberingRow::Tx}) {
        rf(r).setIsRandom(random);
        idBox(r).IncNextRFID = NextRFIDText(rf(r));
    }
    save();
}

void NumberingPanel::ShowNumberingSettings() {
    const auto batch = boxes_.batch();
    struct Showing {
        explicit Showing(bool& f) : flag(f) { flag = true; }
        ~Showing() { flag = false; }
        bool& flag;
    } showing(showing_);

    for (NumberingRow r : {NumberingRow::Rx, NumberingRow::Tx}) {
        const TProdSN& g = sn(r);
        setIsSN(r, g.IsSN());
        setFixByteCount(r, g.FixSNByteCount());
        setIncByteCount(r, g.IncSNByteCount());
        // A radio button fires when it becomes checked; unchecking is silent.
        if (g.IsFixAscii()) checkFixAscii(r);
        else box(r).FixAscii = false;
        if (!g.IsFixAscii()) checkFixHex(r);
        else box(r).FixHex = false;
        setFixBoxText(r, g.GetFixSNText());
        setInitBoxText(r, PaddedHex(g.IncInitSN(), 2 * g.IncSNByteCount()));
        box(r).IncNextSN = PaddedHex(g.IncNextSN(), 2 * g.IncSNByteCount());
        setIsDate(r, g.IsDate());
    }
    for (NumberingRow r : {NumberingRow::Rx, NumberingRow::Tx}) {
        if (rf(r).IsRandom()) checkRandomRFID(r);
        else idBox(r).Random = false;
        if (!rf(r).IsRandom()) checkCustomRFID(r);
        else idBox(r).Custom = false;
        setIncInitRFIDText(r, hex6(rf(r).IncInitRFID()));
    }
}

void NumberingPanel::showPassDisplay(const PassDisplay& d) {
    const auto batch = boxes_.batch();
    auto apply = [](const PassDisplay::Row& row, std::string& current, std::string& next) {
        if (!row.advanced) return;
        current = row.current;
        next = row.next;
    };
    apply(d.rxSN, all().rx.IncCurrentSN, all().rx.IncNextSN);
    apply(d.txSN, all().tx.IncCurrentSN, all().tx.IncNextSN);
    apply(d.rxRFID, all().rxId.IncCurrentRFID, all().rxId.IncNextRFID);
    apply(d.txRFID, all().txId.IncCurrentRFID, all().txId.IncNextRFID);
}

LoadResult StartUpNumbering(SettingsFile& file, ProductSettings& settings, RunState& run, KnownDeviceTable& devices,
                            NumberingGenerators& generators, NumberingPanel& panel,
                            const std::function<void(int)>& onModelChange) {
    LoadResult loaded = file.load(settings, run, devices, generators, onModelChange);
    panel.ShowNumberingSettings();
    panel.cbRX_IsSNClick(NumberingRow::Rx);
    return loaded;
}

} // namespace kestrelon
