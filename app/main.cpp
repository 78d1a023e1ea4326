#include "Application.h"
#include "Forms.h"
#include "MemmainformWidget.h"
#include "platform/Clock.h"
#include "platform/ProcMemory.h"
#include "platform/QtUiDispatcher.h"
#include "scrub/ScrubformWidget.h"

#include <atomic>
#include <exception>

namespace {

// Set once by the main window when it is about to close; never cleared.
std::atomic<bool> appClosing{false};

}  // namespace

int main(int argc, char** argv) {
    using namespace kestrune;
    KestruneApplication app(argc, argv);
    app.SetTitle("Kestrune");
    platform::QtUiDispatcher dispatcher;
    platform::setUiDispatcher(&dispatcher);
    QtFormFactory forms(platform::systemMemory(), platform::systemClock(), dispatcher);

    try {
        auto* main = app.CreateForm<KestruneFormWidget>(platform::systemMemory(), platform::systemClock(),
                                                        dispatcher, forms, appClosing);
        forms.setOwner(main);
        KestruneForm = &main->form();
        // The scrub window that lives, hidden, for the whole run.
        auto* scrub = app.CreateForm<ScrubFormWidget>(nullptr, platform::systemMemory(), platform::systemClock(),
                                                      dispatcher);
        ScrubForm = &scrub->form();
        main->onClosed = [&app] { app.quit(); };
        main->show();
        app.exec();
    } catch (const std::exception& e) {
        app.ShowException(e.what());
    }
    appClosing = true;
    platform::setUiDispatcher(nullptr);
    return 0;
}
