#include "app/TrayLogic.h"

#include "platform/MessageBox.h"

#include <stdexcept>

namespace kestrune {

bool TrayLogic::setLoad(std::uint32_t load) {
    if (shown_ && load == load_) return false;
    load_ = load;
    shown_ = true;
    return true;
}

void TrayLogic::setStartAtLogin(bool on) {
    if (autostart_ == nullptr) return;
    try {
        autostart_->setEnabled(on);
    } catch (const std::runtime_error& e) {
        platform::messageBox(nullptr,
                             std::string(on ? "Kestrune could not set itself to start at login: "
                                            : "Kestrune could not stop starting at login: ") +
                                 e.what(),
                             "Kestrune", platform::BoxKind::Error);
    }
}

}  // namespace kestrune
