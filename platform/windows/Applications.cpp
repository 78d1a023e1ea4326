#include "platform/Applications.h"

namespace platform {
namespace {

// Offers nothing until this system's back end is written.
class NoApplications final : public Applications {
public:
    std::string unavailable() const override {
        return "Trimming applications is not built into this version of Kestrune.";
    }
    std::string caveat() const override { return {}; }
    std::vector<AppMemory> list(long /*focusedPid*/) override { return {}; }
    SystemFigures system() override { return {}; }
    Reclaim reclaim(AppMemory& /*app*/, std::uint64_t /*bytes*/) override { return Reclaim::Refused; }
    bool refresh(AppMemory& /*app*/) override { return false; }
};

}  // namespace

Applications& userApplications() {
    static NoApplications apps;
    return apps;
}

}  // namespace platform
