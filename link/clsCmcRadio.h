#pragma once
// The radio identity: the model codes the program expects, the EEPROM image
// of the connected transceiver and the address ranges a clone write sends.
#include <cstdint>
#include <memory>
#include <string>

#include "link/clsCmcEeprom.h"

class clsCmcRadio {
public:
    const std::string& radioNameM() const { return nameM_; }
    void setradioNameM(const std::string& v) { nameM_ = v; }
    const std::string& radionameS() const { return nameS_; }
    void setradionameS(const std::string& v) { nameS_ = v; }

    // Entries of ten characters: "SSSS-EEEE," in upper-case hexadecimal.
    const std::string& cloneWriteAdrList() const { return adrList_; }
    void cloneWriteAdrList_Clear() { adrList_.clear(); }
    void cloneWriteAdrList_Add(int32_t adr0, int32_t adr1);

    clsCmcEeprom& eepImage();

private:
    std::string nameM_ = "0000";
    std::string nameS_ = "0000";
    std::string adrList_;
    std::unique_ptr<clsCmcEeprom> eep_;
};
