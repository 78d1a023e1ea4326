#include "app/TrayLogic.h"

#include "platform/MessageBox.h"

#include <string>

namespace kestrune {

bool TrayLogic::setLoad(std::uint32_t load) {
    if (shown_ && load == load_) return false;
    load_ = load;
    shown_ = true;
    return true;
}

void TrayLogic::setStartAtLogin(bool on) {
    if (autostart_ == nullptr) return;
    if (const platform::Result<void> set = autostart_->setEnabled(on); !set) {
        platform::messageBox(nullptr,
                             std::string(on ? "Kestrune could not set itself to start at login: "
                                            : "Kestrune could not stop starting at login: ") +
                                 set.error().text,
                             "Kestrune", platform::BoxKind::Error);
    }
}

}  // namespace kestrune
