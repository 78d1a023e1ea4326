#include "scrub/Scrubform.h"

#include <algorithm>

namespace kestrune {

TScrubForm* ScrubForm = nullptr;

std::string FormatDuration(int s) {
    std::string out;
    const int h = s / 3600;
    if (h != 0) {
        out += std::to_string(h) + " hrs ";
        s -= 3600 * h;
    }
    const int m = s / 60;
    if (m != 0 || h != 0) {
        out += std::to_string(m) + " minutes ";
        s -= 60 * m;
    }
    return out + std::to_string(s) + " seconds";
}

std::string MapDescription(int pageSet, unsigned doneCells, unsigned cells) {
    return "Page set " + std::to_string(pageSet) + ": " + std::to_string(doneCells) + " of " + std::to_string(cells) +
           " cells done";
}

TScrubForm::TScrubForm(const Controls& controls, Services services)
    : lastStepTick(services.clock.tickCount()), c_(controls), s_(std::move(services)) {}

TScrubForm::~TScrubForm() {
    // A window destroyed without closing still gives its memory back.
    FormClose();
    if (ScrubForm == this) ScrubForm = nullptr;
}

void TScrubForm::FormShow() {
    using namespace scrubform;
    display = std::make_unique<PartitionDisplay>(&c_.canvas, s_.random);
    display->SetStepLimit(10);
    display->SetCellSize(10, 10);
    display->SetBounds(kBevel1.left + 2, kBevel1.top + 2, kBevel1.width, kBevel1.height);

    updateThread = s_.makeUpdateThread([this] {
        if (settled()) return false;  // a finished map is not drawn again and again
        c_.self.repaintNow();
        return true;
    });
    worker = s_.makeWorker();

    startAvailPhys = s_.memory.sample().availPhys;
    c_.TeMemo1.addLine("Physical Memory Available: " + GroupThousands(std::to_string(startAvailPhys / 1024)) + " KB");
    c_.TeMemo1.addLine("Scrubbing Memory - Pageset: 1");
    c_.TeButton1.setCaption(kStop);
    // The keyboard starts on the one thing to press, not in the read-only list.
    c_.TeButton1.takeFocus();
    pageSet = 1;

    display->SetDoneColor(platform::clGreen);
    display->Shuffle();
    display->SetStepLimit(30);
    step();

    worker->StartScrub();
    startTime = s_.clock.now();
    finishSeen = false;
    previousIdle = false;
    inProgress = true;
}

void TScrubForm::FormPaint() {
    using namespace scrubform;
    if (!worker) return;  // never shown, or closed
    const std::uint32_t now = s_.clock.tickCount();
    const platform::MemoryStatus sample = s_.memory.sample();
    if ((sample.availPhys + sample.availBeyondPhys) / 1024 <= kLowMemoryKB) {
        worker->RequestStop();
        return;
    }
    const bool idle = worker->IsIdle();
    if (!display) return;

    if (idle) {
        if (!previousIdle) finishSeen = true;
        if (display->IsComplete() && finishSeen) finish(sample);
    }
    if (inProgress && static_cast<std::uint32_t>(now - lastStepTick) > kStepIntervalMs) {
        if (display->IsComplete()) {
            display->Shuffle();
            if (c_.TeButton1.caption() != kStopping) {
                ++pageSet;
                c_.TeMemo1.addLine("Scrubbing Memory - Pageset: " + std::to_string(pageSet));
            } else {
                c_.TeMemo1.setText(c_.TeMemo1.text() + "...");
            }
        }
        step();
        lastStepTick = s_.clock.tickCount();
    }
    previousIdle = idle;
    display->Draw();
}

void TScrubForm::step() {
    display->Step();
    if (c_.mapDescription != nullptr)
        c_.mapDescription->setText(MapDescription(pageSet, display->DoneCells(), display->Rows() * display->Columns()));
}

void TScrubForm::finish(const platform::MemoryStatus& sample) {
    const auto freed = std::max<std::int64_t>(
        0, static_cast<std::int64_t>(sample.availPhys) - static_cast<std::int64_t>(startAvailPhys));
    c_.TeMemo1.addLine("Done Freeing Memory");
    freedLine = "Memory Freed: " + GroupThousands(std::to_string(freed / 1024)) + " KB Physical Memory";
    c_.TeMemo1.addLine(freedLine);
    c_.TeMemo1.addLine("Time Took: " + FormatDuration(static_cast<int>(s_.clock.now() - startTime)));
    c_.TeMemo1.addLine("");
    c_.TeButton1.setEnabled(true);
    c_.TeButton1.setCaption(scrubform::kClose);
    // Disabled while stopping, it lost the keyboard: it takes it back, so
    // Enter or Space closes.
    c_.TeButton1.takeFocus();
    inProgress = false;
    finishSeen = false;
}

void TScrubForm::TeButton1Click() {
    if (!inProgress) {
        c_.self.close();
        return;
    }
    worker->RequestStop();
    c_.TeButton1.setEnabled(false);
    display->SetStepLimit(30);
    c_.TeButton1.setCaption(scrubform::kStopping);
    c_.TeMemo1.addLine("Stopping scrub...");
}

void TScrubForm::EscapePressed() {
    if (c_.TeButton1.enabled()) TeButton1Click();
}

void TScrubForm::FormClose() {
    // The map first, so a refresh still in flight finds none and ends; then
    // the refresh thread; then the worker, which gives all its memory back.
    display.reset();
    updateThread.reset();
    if (worker) {
        worker->Quit();
        worker.reset();
    }
}

}  // namespace kestrune
