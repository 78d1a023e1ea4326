#include "app/Memmainform.h"

#include "app/Gates.h"
#include "platform/MessageBox.h"
#include "platform/RegistryBackend.h"

#include <algorithm>
#include <utility>

namespace kestrune {

TKestruneForm* KestruneForm = nullptr;

int centredOffset(int screenExtent, int windowExtent) { return screenExtent / 2 - windowExtent / 2; }

int pairLeft(int screenWidth, int mainWidth, int tutorialWidth) {
    if (screenWidth <= 0) return 0;
    const float r = static_cast<float>(mainWidth + tutorialWidth) / static_cast<float>(screenWidth);
    return static_cast<int>(screenWidth * ((1.0 - static_cast<double>(r)) * 0.5));
}

platform::Rect dockedTutorial(const platform::Rect& main, int tutorialWidth) {
    return {main.left + main.width + mainform::kTutorialGap, main.top, tutorialWidth, main.height};
}

namespace {

// `at` moved as little as it takes for `extent` from it to lie within `room`
// from `start`; a start that cannot is the room's own.
int within(int at, int extent, int start, int room) { return std::max(start, std::min(at, start + room - extent)); }

}  // namespace

DockedPair dockedPair(const platform::Rect& main, int tutorialWidth, const platform::Rect& area) {
    platform::Rect m = main;
    m.top = within(m.top, m.height, area.top, area.height);
    const int pairWidth = m.width + mainform::kTutorialGap + tutorialWidth;
    if (pairWidth <= area.width) {
        m.left = within(m.left, pairWidth, area.left, area.width);
        return {m, dockedTutorial(m, tutorialWidth)};
    }
    // Each at its own edge of the area, the tutorial on the side it is
    // docked to: the least they can overlap.
    const int width = std::min(tutorialWidth, area.width);
    m.left = area.left;
    return {m, {area.left + area.width - width, m.top, width, std::min(m.height, area.height)}};
}

int fixedClientWidth() { return mainform::kGroupBox6.left + mainform::kGroupBox6.width + 10; }

int flooredClientHeight(int clientHeight) { return std::max(clientHeight, mainform::kMinClientHeight); }

SchedulerOffers schedulerOffers(TrimRunner* trim) {
    return {.trim = trim != nullptr && trim->applications().unavailable().empty(),
            .pressure = platform::reportsMemoryPressure()};
}

std::string aboutText(const std::string& version, const std::string& storePlace) {
    return std::string(mainform::kCaption) + " " + version +
           "\nWatches memory use live and gives unused memory back to the system.\n\n" + mainform::kLicence +
           "\n\nSettings and schedule are kept in:\n" + storePlace + "\n\nHome page:\n" + mainform::kHomePage;
}

std::string unattendedReason(int percent, Measure measure) {
    if (percent < 0) return mainform::kScheduledReason;
    return (measure == Measure::Pressure ? mainform::kPressureReason : mainform::kLoadReason) +
           std::to_string(percent) + " %.";
}

Notice unattendedNotice(Operation op, int percent, const std::string& result, Measure measure) {
    Notice n;
    n.title = op == Operation::Recover ? mainform::kRecoverCaption
              : op == Operation::Scrub ? mainform::kScrubCaption
                                       : mainform::kTrimTitle;
    n.text = unattendedReason(percent, measure) + " " + result;
    return n;
}

TKestruneForm::TKestruneForm(Controls controls, Services services) : c_(std::move(controls)), s_(std::move(services)) {
    // The load triggers judge by samples that no operation of ours skewed.
    c_.figures.sampled = [this, view = std::move(c_.figures.sampled)](const platform::MemoryStatus& s) {
        if (!operationInProgress()) quietLoad_ = static_cast<std::int32_t>(s.memoryLoad);
        if (view) view(s);
    };
}

TKestruneForm::~TKestruneForm() {
    // A window destroyed without closing still stops its thread.
    if (MemoryThread) MemoryThread->stop();
    if (KestruneForm == this) KestruneForm = nullptr;
}

void TKestruneForm::FormShow() {
    const int screenWidth = c_.self.screenWidth();
    const int screenHeight = c_.self.screenHeight();
    const platform::Rect frame = c_.self.frame();
    const int top = centredOffset(screenHeight, frame.height);
    c_.self.moveTo(frame.left, top);

    if (!MemoryThread) MemoryThread = std::make_unique<TMemoryThread>(c_.figures, s_.memory, s_.clock, s_.ui);
    if (!Form2) Form2 = s_.forms.createProgressWindow();

    if (!showTutorial) {
        c_.self.moveTo(centredOffset(screenWidth, frame.width), top);
        return;
    }
    // Unlike the menu item, this does not look for a tutorial already open:
    // that one stays open, and the reference moves to the new one.
    if (WizardForm) strayTutorials_.push_back(std::move(WizardForm));
    WizardForm = s_.forms.createTutorial();
    TWizardForm& tutorial = WizardForm->form();
    tutorial.showNextTimeFlag = &showTutorial;
    tutorial.window().show();
    c_.self.moveTo(pairLeft(screenWidth, frame.width, tutorial.window().frame().width), top);
    tutorial.window().hide();
    dock(tutorial);
    tutorial.window().show();
}

bool TKestruneForm::FormCloseQuery() {
    if (operationInProgress()) {
        closePending_ = true;
        return false;
    }
    s_.appClosing = true;
    // Destroyed without its close handling: the box is not copied back.
    WizardForm.reset();
    ApplicationsForm.reset();
    // Its result would go to a window that is no more.
    if (s_.trim != nullptr) s_.trim->abandon(trimTicket_);
    strayTutorials_.clear();
    if (MemoryThread) {
        MemoryThread->stop();
        MemoryThread.reset();
    }
    Form2.reset();
    return true;
}

bool TKestruneForm::BlockedCloseQuery() {
    if (!operationInProgress()) return false;
    closePending_ = true;
    return true;
}

void TKestruneForm::FormResize() {
    const int width = fixedClientWidth();
    const int height = flooredClientHeight(c_.self.clientHeight());
    if (width != c_.self.clientWidth() || height != c_.self.clientHeight()) c_.self.setClientSize(width, height);
}

void TKestruneForm::FormPaint() {
    if (WizardForm && WizardForm->form().window().visible()) dock(WizardForm->form());
}

void TKestruneForm::dock(TWizardForm& tutorial) {
    platform::Window& w = tutorial.window();
    const platform::Rect main = c_.self.frame();
    const DockedPair pair = dockedPair(main, w.frame().width, c_.self.availableArea());
    if (pair.main.left != main.left || pair.main.top != main.top) c_.self.moveTo(pair.main.left, pair.main.top);
    const platform::Rect& to = pair.tutorial;
    const platform::Rect now = w.frame();
    if (now.left != to.left || now.top != to.top) w.moveTo(to.left, to.top);
    if (now.height != to.height) w.setFrameHeight(to.height);
}

void TKestruneForm::CustomItem1Click() { c_.self.close(); }

void TKestruneForm::CustomItem7Click() {
    std::unique_ptr<ModalWindow> window = s_.forms.createScheduler();
    Scheduler = window.get();
    window->showModal();
    Scheduler = nullptr;
}

void TKestruneForm::CustomItem8Click() {
    if (!ApplicationsForm) ApplicationsForm = s_.forms.createApplications();
    if (ApplicationsForm) ApplicationsForm->showInFront();
}

void TKestruneForm::CustomItem2Click() {
    if (WizardForm) {
        if (WizardForm->form().window().visible()) return;
        WizardForm.reset();
    }
    openTutorial();
}

void TKestruneForm::openTutorial() {
    WizardForm = s_.forms.createTutorial();
    TWizardForm& tutorial = WizardForm->form();
    tutorial.showNextTimeFlag = &showTutorial;
    tutorial.window().show();
    tutorial.window().hide();
    dock(tutorial);
    tutorial.window().show();
}

void TKestruneForm::CustomItem5Click() { platform::shellOpen(mainform::kSupportUrl); }

void TKestruneForm::AboutItemClick() {
    platform::messageBox(handle(), aboutText(KESTRUNE_VERSION, platform::storeLocation()), mainform::kAboutCaption,
                         platform::BoxKind::About);
}

template <typename Body>
void TKestruneForm::runOperation(unsigned gates, Body body) {
    struct Guard {
        TKestruneForm& f;
        platform::GateHold hold;
        Guard(TKestruneForm& form, unsigned g) : f(form), hold(form.s_.ui, g) {
            ++f.operations_;
            f.quietLoad_ = -1;
            f.c_.TeButton1.setEnabled(false);
            f.c_.TeButton2.setEnabled(false);
        }
        ~Guard() {
            f.c_.TeButton1.setEnabled(true);
            f.c_.TeButton2.setEnabled(true);
            --f.operations_;
            f.quietLoad_ = -1;  // the next sample shows what the operation left
        }
    };
    {
        Guard guard(*this, gates);
        body();
    }
    if (closePending_ && !operationInProgress()) {
        closePending_ = false;
        c_.self.close();
    }
}

void TKestruneForm::TeButton1Click() {
    // Nothing but the progress window is served until the run is over: the
    // monitor's update and a scheduled run wait, then catch up.
    runOperation(kGateRecovery | kGateOperation, [this] {
        if (!Form2) Form2 = s_.forms.createProgressWindow();
        MemoryRecovery recovery(
            RecoveryHost{c_.TeButton1, c_.TeButton2, resultMessage, resultCaption, handle(), s_.sessionEnding},
            Form2->form(), s_.memory, s_.vm, s_.clock);
        recovery_ = &recovery;
        struct Forget {
            MemoryRecovery*& slot;
            ~Forget() { slot = nullptr; }
        } forget{recovery_};
        recovery.run();
    });
}

void TKestruneForm::abandon() {
    s_.appClosing = true;
    if (recovery_ != nullptr) recovery_->abandon();
    if (ScrubForm != nullptr) ScrubForm->FormClose();
    if (MemoryThread) {
        MemoryThread->stop();
        MemoryThread.reset();
    }
}

void TKestruneForm::TeButton2Click() {
    // A scheduled run waits while the scrub window is open; the figures go on.
    runOperation(kGateOperation, [this] {
        std::unique_ptr<ScrubWindow> scrub = s_.forms.createScrubWindow();
        ScrubForm = &scrub->form();
        scrub->showModal();
        const std::string& freed = scrub->form().freedLine;
        scrubResult_ = freed.empty() ? mainform::kScrubCut : freed;
        scrub.reset();
        ScrubForm = nullptr;
    });
}

std::string TKestruneForm::runForResult(Operation op) {
    if (op == Operation::Scrub) {
        scrubResult_.clear();
        TeButton2Click();
        return scrubResult_;
    }
    TeButton1Click();
    // A recovery the session's end cut short has no result.
    return s_.sessionEnding != nullptr && *s_.sessionEnding ? std::string() : resultMessage;
}

void TKestruneForm::report(Operation op, int percent, Measure measure) {
    const std::string result = runForResult(op);
    if (result.empty() || s_.notifier == nullptr) return;
    const Notice n = unattendedNotice(op, percent, result, measure);
    s_.notifier->notify(n.title, n.text);
}

void TKestruneForm::scheduledRun(Operation op) { report(op, -1); }

bool TKestruneForm::loadRun(const LoadTrigger& trigger) {
    if (s_.appClosing || operationInProgress() || (s_.trim != nullptr && s_.trim->busy())) return false;
    // The pressure was read by the schedule thread just now; the load is
    // judged by the latest sample no operation of ours skewed.
    if (trigger.measure == Measure::Load && quietLoad_ <= trigger.percent) return false;
    if (taskTrims(trigger.task)) {
        if (!trimOffered()) return false;
        return startIdleTrim(unattendedReason(trigger.percent, trigger.measure));
    }
    if (taskScrubs(trigger.task)) report(Operation::Scrub, trigger.percent, trigger.measure);
    if (taskRecovers(trigger.task) && !s_.appClosing) report(Operation::Recover, trigger.percent, trigger.measure);
    return true;
}

bool TKestruneForm::trimOffered() const { return s_.trim != nullptr && s_.trim->applications().unavailable().empty(); }

bool TKestruneForm::startIdleTrim(std::string reason) {
    if (!trimFree() || !trimOffered()) return false;
    const std::time_t now = s_.trim->clock().now();
    const std::vector<platform::AppMemory> apps = s_.trim->applications().list(s_.focusedPid ? s_.focusedPid() : 0);
    s_.trim->activity().observe(apps, now);
    std::vector<platform::AppMemory> chosen = s_.trim->activity().idle(apps, now);
    const bool byHand = reason.empty();
    auto tell = [this, reason = std::move(reason)](const std::string& result) {
        if (s_.notifier != nullptr)
            s_.notifier->notify(mainform::kTrimTitle, reason.empty() ? result : reason + " " + result);
    };
    if (chosen.empty()) {
        // Asked for by hand, it says why nothing came back.
        if (byHand) {
            TrimResult none;
            none.none = s_.trim->activity().whyNoneIdle(apps, now);
            tell(none.describe());
        }
        return true;
    }
    trimTicket_ = s_.trim->start(std::move(chosen), {{}, [this, tell](const TrimResult& r, const std::string& failure) {
                                                         trimTicket_ = 0;
                                                         tell(describeTrim(r, failure));
                                                     }});
    return trimTicket_ != 0;
}

void TKestruneForm::runAndExit(bool scrub, bool recover) {
    if (scrub) TeButton2Click();
    if (recover && !s_.appClosing) TeButton1Click();
    // Closed meanwhile, the window has already gone.
    if (!s_.appClosing) CustomItem1Click();
}

}  // namespace kestrune
