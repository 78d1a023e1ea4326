// Any text through parseText, then every wording; entries that can be written
// back must read back equal.
#include "schedule/ScheduleEntry.h"

#include <cstdint>
#include <cstdlib>
#include <string>

using kestrune::ScheduleEntry;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string text(reinterpret_cast<const char*>(data), size);
    ScheduleEntry e;
    try {
        e.parseText(text);
    } catch (const kestrune::ConversionError&) {
        // The fields read so far stay; the words must still come out.
        (void)e.describe();
        (void)e.taskTitle();
        (void)e.toText();
        return 0;
    }
    (void)e.describe();
    (void)e.taskTitle();
    (void)ScheduleEntry::clockText(e.hour, e.minute);
    const bool writable = e.task.find(' ') == std::string::npos && e.period.find(' ') == std::string::npos &&
                          kestrune::lowerCase(e.period) == e.period;
    if (writable) {
        ScheduleEntry back;
        back.parseText(e.toText());
        if (!(back == e)) std::abort();
    }
    return 0;
}
