#include "Tray.h"

namespace kestrune {

bool TrayLogic::setLoad(std::uint32_t load) {
    if (shown_ && load == load_) return false;
    load_ = load;
    shown_ = true;
    return true;
}

}  // namespace kestrune
