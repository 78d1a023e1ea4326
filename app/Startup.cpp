#include "app/Startup.h"

#include "app/Gates.h"

#include <exception>
#include <utility>

namespace kestrune {

std::string addressSpaceShortage(const platform::MemoryStatus& atStart) {
    if (atStart.totalVirtual == 0 || atStart.availVirtual >= kAddressSpaceToRun) return {};
    return "Kestrune needs " + std::to_string(platform::toMB(kAddressSpaceToRun)) +
           " MB of address space to run, and its limit (ulimit -v) leaves it " +
           std::to_string(platform::toMB(atStart.availVirtual)) + " MB.";
}

ScheduleThread::Actions scheduleActions(TKestruneForm& form, const std::atomic<bool>& appClosing,
                                        const std::function<void(const std::string&)>& showException) {
    auto scheduled = [&form, &appClosing, showException](Operation op) {
        return [&form, &appClosing, showException, op] {
            if (appClosing) return;
            try {
                form.scheduledRun(op);
            } catch (const std::exception& e) {
                showException(e.what());
            }
        };
    };
    auto quietLoad = [&form] { return form.quietLoad(); };
    // The form itself declines on a closing window.
    auto loadRun = [&form, showException](const LoadTrigger& trigger) {
        try {
            return form.loadRun(trigger);
        } catch (const std::exception& e) {
            // It started, so its cooldown stays used.
            showException(e.what());
            return true;
        }
    };
    // A scheduled run waits while the user's own operation is in progress.
    return {scheduled(Operation::Scrub), scheduled(Operation::Recover), std::move(quietLoad), std::move(loadRun),
            kGateRecovery | kGateOperation};
}

}  // namespace kestrune
