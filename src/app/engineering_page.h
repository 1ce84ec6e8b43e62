#pragma once
// The engineering page's controls over the typed device calls
// (DeviceCalls), under the names the window and the command line bind to.
// Operands come from the engineering edits and results go back into them,
// as the window shows them. As the calls' watcher it also shows what the
// other parts send: a production run's EEPROM writes, the link check's
// special command, ...

#include "device/device_calls.h"
#include "device/transport.h"
#include "model/engineering_state.h"
#include "model/messages.h"
#include "model/observed.h"
#include "model/product_settings.h"
#include "model/run_state.h"

#include <functional>
#include <optional>
#include <string>
#include <utility>

namespace kestrelon {

class EngineeringPage : private CallWatcher {
public:
    EngineeringPage(DeviceCalls& calls, Transport& transport, RunState& run, Observed<ProductSettings>& options,
                    EngineeringState& eng, std::function<bool()> mouseRxChosen, MessageRouter& messages);
    ~EngineeringPage() override;
    EngineeringPage(const EngineeringPage&) = delete;
    EngineeringPage& operator=(const EngineeringPage&) = delete;

    // --- dongle commands ---
    // n is the digit that ends the sending button's name (1 or 4). True when
    // a valid answer came and was shown in edtSC0n_00..06.
    bool btnSpecialCmd1Click(int n);
    void btnC_Rd_Direct_RegClick();     // 0x14: dongle register -> edtDirectData
    void btnC_Wrt_Direct_RegClick();    // 0x12
    void btnRd_RFICClick();             // 0x06: transceiver register -> edtRFICData
    void btnWrt_RFICClick();            // 0x07, repeated until a send succeeds
    void btnUpdateCustKeyClick();       // 0x08 0B
    void btnC_JUMP_TO_PORClick();       // 0x0E
    void btnC_RELOAD_PARAMETERClick();  // 0x0F
    void rbMSEClick();                  // 0x17: RX type, mouse or keyboard

    // --- mouse commands over RF ---
    // The confirmed EEPROM write; true when the dongle confirmed it.
    bool btnC_RF_Wrt_EEPROMClick();
    void btnC_RF_Rd_EEPROMClick();
    void btnC_RF_Wrt_Index_RegClick();
    void btnC_RF_Rd_Index_RegClick();
    void btnC_RF_Wrt_Direct_RegClick();
    void btnC_RF_Rd_Direct_RegClick();
    void btnC_RF_Wrt_RFIC_RFX5820KClick();
    void btnC_RF_Rd_RFIC_RFX5820KClick();
    void btnC_RF_Wrt_SensorClick();
    void btnC_RF_Rd_SensorClick();
    void rbC_RF_ENTER_ACCESS_WO_LEDClick();
    void rbC_RF_ENTER_ACCESS_W_LEDClick();
    void rbC_RF_LEAVE_ACCESSClick();
    void btnC_RF_SETUP_CPIClick();
    void btnRF_DR_3CClick();   // "Execute Jump to POR Function"
    void btnRF_DR_3DClick();   // "Fast Reload System Parameter"

    // --- the EEPROM page: dongle words read now, writes staged into the
    // dongle image ---
    // sender is the button's name; only its last two characters matter.
    void btnEEPROM_R_00Click(const std::string& sender);
    void btnEEPROM_W_00Click(const std::string& sender);
    // VID and PID into the boxes edtVID_SET and edtPID_SET. A word that
    // cannot be read leaves the box as it was, with a warning.
    void btnEEPROM_R_VIDClick();
    void btnEEPROM_W_VIDClick();
    void btnEEPROM_R_PIDClick();
    void btnEEPROM_W_PIDClick();
    void btnEEPROM_R_20Click();
    // False, with a message and a failure noted, for a descriptor that cannot
    // be stored one byte per character or is longer than 46 characters.
    bool btnEEPROM_W_20Click();

    // The item lists at start-up: selects "WWW HOME" and "MAIL".
    void FillCustKeyLists();

private:
    void sending(uint8_t code, uint8_t address, uint8_t value) override;
    void answered(uint8_t code, uint8_t address, std::optional<uint8_t> answer) override;
    void special(uint8_t n, const CommandFrame& answer) override;
    // The address and data edits of a register or EEPROM command; nulls
    // for a command the page has no edits for.
    std::pair<HexEdit*, HexEdit*> editsOf(uint8_t code);

    bool confirmedRfWrite(uint8_t address, uint8_t data);
    void rfWriteFromEdits(uint8_t code, const HexEdit& addr, const HexEdit& data);
    void rfReadIntoEdit(uint8_t code, const HexEdit& addr, HexEdit& data);
    // Reads word n into edit as its high byte; returns the word (or -1).
    int showWord(int n, HexEdit& edit);
    // The word read into its page edit ("edtEEPROM_" + digits); -1 when
    // nothing was read.
    int readPageWord(const std::string& digits);
    // The two words' high bytes side by side, as the VID or PID box shows
    // them; nothing when either word could not be read or holds no byte.
    std::optional<std::string> readWordPair(const char* highDigits, const char* lowDigits);
    void writeWordsFrom(const std::string& idText, const char* highDigits, const char* lowDigits);

    DeviceCalls& calls_;
    Transport& t_;
    RunState& run_;
    Observed<ProductSettings>& settings_;
    EngineeringState& eng_;
    std::function<bool()> mouseRxChosen_;   // rbMSE, else rbKB
    MessageRouter& messages_;
};

} // namespace kestrelon
