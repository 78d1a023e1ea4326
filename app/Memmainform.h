#pragma once

#include "app/Tmemorythread.h"
#include "app/Wizardform.h"
#include "platform/Clock.h"
#include "platform/Controls.h"
#include "platform/MemoryStatus.h"
#include "platform/UiSync.h"
#include "platform/VirtualMemory.h"
#include "recovery/Recovery.h"
#include "recovery/Waitform.h"
#include "schedule/LoadTrigger.h"
#include "schedule/Schedulerform.h"
#include "scrub/Scrubform.h"
#include "trim/Applicationsform.h"
#include "trim/TrimRunner.h"

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace kestrune {

namespace mainform {
inline constexpr const char* kCaption = "Kestrune";
inline constexpr int kMinClientHeight = 404;
inline constexpr int kTutorialGap = 8;
inline constexpr const char* kSupportUrl = "http://www.tarnwick.example/pages/products/index.cfm?";

inline constexpr platform::Rect kGroupBox6{328, 152, 193, 185};  // "Information"

inline constexpr const char* kHistoryTitle = "Memory History";
inline constexpr const char* kVirtualTitle = "Virtual Memory";
inline constexpr const char* kPageFileTitle = "PageFile";
inline constexpr const char* kPhysicalTitle = "Physical Memory";
inline constexpr const char* kTotalTitle = "Total Memory";
inline constexpr const char* kInformationTitle = "Information";
inline constexpr const char* kRecoverCaption = "Recover Memory";
inline constexpr const char* kScrubCaption = "Scrub Memory";
inline constexpr const char* kDesignKindText = "1024 MB / 1024 MB";
inline constexpr const char* kDesignScaleTop = "1024 MB";
inline constexpr const char* kDesignScaleMiddle = "512 MB";
inline constexpr const char* kScaleBottom = "0 MB";
inline constexpr const char* kDesignStatus = "Memory Load 100%";
inline constexpr const char* kInfoGraph =
    "Above, you see a graph indicating your physical memory use.  This can tell you if your "
    "current load is taking up too much memory, or that you may need more physical memory.";
inline constexpr const char* kInfoBars =
    "To the left, you see progress bars of your current memory state.  By clicking on \"Free "
    "Memory\" you may be able to free some unused memory back to the system.  ";
inline constexpr const char* kFileMenu = "File";
inline constexpr const char* kExitItem = "Exit";
inline constexpr const char* kEditMenu = "Edit";
inline constexpr const char* kSchedulerItem = "Scheduler";
inline constexpr const char* kApplicationsItem = "Applications\u2026";
inline constexpr const char* kHelpMenu = "Help";
inline constexpr const char* kTutorialItem = "Tutorial";
inline constexpr const char* kSupportItem = "Visit Support";
// Help > About Kestrune, below the support page: what the program is and
// where it keeps its settings.
inline constexpr const char* kAboutItem = "About Kestrune";
inline constexpr const char* kAboutCaption = "About Kestrune";
inline constexpr const char* kHomePage = "https://www.tarnwick.example/pages/products/index.cfm?";
inline constexpr const char* kLicence =
    "Proprietary software of Tarnwick Technologies; all rights reserved. It is used and passed on only under the "
    "terms on which Tarnwick Technologies supplies it.";
// The keyboard letter of each menu, item and button.
inline constexpr char kFileKey = 'F';
inline constexpr char kExitKey = 'x';
inline constexpr char kEditKey = 'E';
inline constexpr char kSchedulerKey = 'S';
inline constexpr char kApplicationsKey = 'A';
inline constexpr char kHelpKey = 'H';
inline constexpr char kTutorialKey = 'T';
inline constexpr char kSupportKey = 'V';
inline constexpr char kAboutKey = 'A';
inline constexpr char kRecoverKey = 'R';
inline constexpr char kScrubKey = 'S';
// The notice after a run nobody started by hand.
inline constexpr const char* kScheduledReason = "Run by the schedule.";
inline constexpr const char* kLoadReason = "Run because the memory load exceeded ";
inline constexpr const char* kPressureReason = "Run because the memory pressure exceeded ";
inline constexpr const char* kTrimTitle = "Trim Memory";
inline constexpr const char* kScrubCut = "The scrub was closed before it finished.";
}  // namespace mainform

// What ran unattended, why, and what it achieved, as the desktop notice says it.
struct Notice {
    std::string title, text;
};
enum class Operation { Recover, Scrub, Trim };
// Why it ran: `percent` is the trigger's, of what it watches, or negative
// for a scheduled run.
std::string unattendedReason(int percent, Measure measure = Measure::Load);
Notice unattendedNotice(Operation op, int percent, const std::string& result, Measure measure = Measure::Load);

// The About box's text: the version, the licence, where the store is and the
// home page.
std::string aboutText(const std::string& version, const std::string& storePlace);

// The window arithmetic, shared by the window and its tests.
int centredOffset(int screenExtent, int windowExtent);
// Left edge of the main window when it and the tutorial are centred as a pair;
// negative when the pair is wider than the screen.
int pairLeft(int screenWidth, int mainWidth, int tutorialWidth);
platform::Rect dockedTutorial(const platform::Rect& mainFrame, int tutorialWidth);
// Where the main window and its tutorial stand within the screen's free
// area: the tutorial docked, the pair moved together where it would leave
// the area; where the two cannot stand side by side, the main window within
// the area and the tutorial wholly within it, covering as little of the
// main window as it can.
struct DockedPair {
    platform::Rect main, tutorial;
};
DockedPair dockedPair(const platform::Rect& mainFrame, int tutorialWidth, const platform::Rect& area);
int fixedClientWidth();  // "Information" box's right edge plus 10
int flooredClientHeight(int clientHeight);

// What the Scheduler offers on this system: trimming where the program's
// trims (none: it offers none) work, and the memory pressure where the system
// tells it.
SchedulerOffers schedulerOffers(TrimRunner* trim);

// What the main window creates: the toolkit's views in production, fakes in
// tests. A window a factory returns none for is not shown.
class FormFactory {
public:
    virtual ~FormFactory() = default;
    virtual std::unique_ptr<TutorialWindow> createTutorial() = 0;
    virtual std::unique_ptr<ScrubWindow> createScrubWindow() = 0;
    virtual std::unique_ptr<ProgressWindow> createProgressWindow() = 0;
    virtual std::unique_ptr<ModalWindow> createScheduler() = 0;
    virtual std::unique_ptr<AppListWindow> createApplications() = 0;
};

// The main window's rules: figures, operations, tutorial docking, shutdown.
class TKestruneForm {
public:
    struct Controls {
        platform::Window& self;
        FigureControls figures;
        platform::Button& TeButton1;  // "Recover Memory"
        platform::Button& TeButton2;  // "Scrub Memory"
    };
    struct Services {
        platform::MemorySource& memory;
        platform::VirtualMemory& vm;
        platform::Clock& clock;
        platform::UiDispatcher& ui;
        FormFactory& forms;
        std::atomic<bool>& appClosing;
        // Set when the session asks the program to end; a recovery in
        // progress then ends early. None: it never does.
        const std::atomic<bool>* sessionEnding = nullptr;
        // Where runs nobody started by hand are reported; none: they are not.
        platform::Notifier* notifier = nullptr;
        // The program's trims; none: it offers none.
        TrimRunner* trim = nullptr;
        // The process owning the focused window, which no unattended trim
        // takes; 0 where unknown.
        std::function<long()> focusedPid = {};
    };

    TKestruneForm(Controls controls, Services services);
    ~TKestruneForm();
    TKestruneForm(const TKestruneForm&) = delete;
    TKestruneForm& operator=(const TKestruneForm&) = delete;

    bool showTutorial = false;
    std::string resultMessage;
    std::string resultCaption;

    std::unique_ptr<TutorialWindow> WizardForm;
    std::unique_ptr<TMemoryThread> MemoryThread;
    std::unique_ptr<ProgressWindow> Form2;
    ModalWindow* Scheduler = nullptr;  // while its modal loop runs
    // Modeless, made on first use, one at most; goes when this window closes.
    std::unique_ptr<AppListWindow> ApplicationsForm;

    void FormShow();
    // Always lets the window close, except while an operation runs: then the
    // close is put off until the operation has ended.
    bool FormCloseQuery();
    // The window manager asks to close while a modal window (a message box,
    // the scrub window) blocks this one: during an operation the close is put
    // off as above; otherwise nothing happens and the modal window stays in
    // front. True when it was put off.
    bool BlockedCloseQuery();
    void FormResize();
    void FormPaint();
    void CustomItem1Click();  // File > Exit
    void CustomItem7Click();  // Edit > Scheduler
    void CustomItem8Click();  // Edit > Applications…
    void CustomItem2Click();  // Help > Tutorial
    void CustomItem5Click();  // Help > Visit Support
    void AboutItemClick();    // Help > About Kestrune
    void TeButton1Click();    // "Recover Memory"
    void TeButton2Click();    // "Scrub Memory"

    // A run the schedule started: as a click on the button, then a notice
    // of its result.
    void scheduledRun(Operation op);
    // A memory-load or memory-pressure trigger's run, on the UI thread. Runs
    // nothing and returns false while an operation or a trim is in progress,
    // or, for a load trigger, unless the latest quiet sample is still above
    // its percent. A trim starts in the background; with no application
    // idle it has run all the same, quietly, and waits its cooldown, rather
    // than claiming and giving back its turn in the store on every pass.
    bool loadRun(const LoadTrigger& trigger);
    // Trimming works here, so the tray and the triggers may offer it.
    bool trimOffered() const;
    // No trim in progress.
    bool trimFree() const { return s_.trim != nullptr && !s_.trim->busy(); }
    // The tray's "Trim Idle Applications": the idle applications trimmed in
    // the background, the result told as a desktop notice.
    void trimIdle() { startIdleTrim({}); }
    // Any thread: the load of the latest sample taken with no operation in
    // progress since, or -1 (none yet, or an operation began or ended
    // after it).
    std::int32_t quietLoad() const { return quietLoad_.load(); }
    // `kestrune --scrub` and `--recover`: each as a click on its button,
    // the scrub first, then the window closes as by File > Exit.
    void runAndExit(bool scrub, bool recover);
    // The program is being ended under its windows (the toolkit exits when
    // the display goes away): appClosing is set, the monitor and the scrub
    // window's threads stop, and a recovery in progress gives its blocks
    // back. No window is touched.
    void abandon();
    bool operationInProgress() const { return operations_ > 0; }
    platform::Window& window() { return c_.self; }
    FigureControls& figures() { return c_.figures; }
    platform::WindowHandle handle() const { return c_.self.handle(); }

private:
    void openTutorial();
    void dock(TWizardForm& tutorial);
    // Runs one operation with both buttons disabled and `gates` held; a close
    // asked for meanwhile happens once it is over.
    template <typename Body>
    void runOperation(unsigned gates, Body body);
    // Runs one operation as its button does and returns its result text;
    // empty when there is none to tell (a recovery cut short by the session).
    std::string runForResult(Operation op);
    void report(Operation op, int percent, Measure measure = Measure::Load);
    // False when a trim runs already. `reason` leads the notice of the
    // result; without one (by hand), finding nothing idle is told as well.
    bool startIdleTrim(std::string reason);

    Controls c_;
    Services s_;
    int operations_ = 0;
    bool closePending_ = false;
    std::atomic<std::int32_t> quietLoad_{-1};
    std::string scrubResult_;             // the last scrub's freed line, or why there is none
    MemoryRecovery* recovery_ = nullptr;  // the recovery in progress
    TrimRunner::Ticket trimTicket_ = 0;   // the tray's or a trigger's trim
    // Tutorials replaced by a show while still open; they stay until closing.
    std::vector<std::unique_ptr<TutorialWindow>> strayTutorials_;
};

// The process-wide reference to the main window; empty until it exists.
extern TKestruneForm* KestruneForm;

}  // namespace kestrune
