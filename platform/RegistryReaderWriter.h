#pragma once

#include "platform/Registry.h"

#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <set>
#include <string>

namespace platform {

class RegistryBackend;

// The failed reads already named on the error stream. A caller that reads
// the same values again and again (the schedule thread, on every pass)
// gives each of its objects the same one, so that each value's failure is
// named once, not on every read.
class NamedFailures {
public:
    // True the first time this kind of failure of this value is asked about.
    bool firstTime(const std::string& key, const std::string& value, int kind);

private:
    std::set<std::string> named_;
};

// How long a store call may wait for another thread's or program's write to
// end before it fails: a background thread can afford to wait, the UI thread
// must not freeze for long.
inline constexpr std::chrono::milliseconds kLockWait{10000};
inline constexpr std::chrono::milliseconds kUiLockWait{2000};

// Reads and writes the program's settings as registry values of one key: in
// the Windows registry on Windows, in an SQLite file elsewhere. Every
// operation but a listing opens what it needs, does its one thing and leaves
// at most the store's connection open; nothing read is kept between calls.
// Each thread uses objects of its own. Diagnostics go to std::cerr; nothing
// throws on a failed store.
class RegistryReaderWriter {
public:
    RegistryReaderWriter();
    virtual ~RegistryReaderWriter();
    RegistryReaderWriter(const RegistryReaderWriter&) = delete;
    RegistryReaderWriter& operator=(const RegistryReaderWriter&) = delete;

    bool setRootKey(RootKey root);
    bool setKeyName(const std::string& keyName);

    // The value's data up to its first zero byte, whatever its type; "null"
    // with success false when there is no such key or value, when the data
    // is longer than the read buffer, or when no key is named.
    std::string readString(const std::string& valueName, bool& success);
    // Both true only once the value is committed to the store.
    bool writeString(const std::string& data, const std::string& valueName);
    bool writeNumber(std::int32_t value, const std::string& valueName);
    bool valueExists(const std::string& valueName);
    bool deleteValue(const std::string& valueName);

    enum class CompareAndWrite {
        Written,   // this call wrote the value
        Differed,  // the value did not read as expected (or is missing): nothing written
        Failed,    // the store could not be read or written
    };
    // Writes string value `valueName` only if it now reads as `expected`
    // (as readString would give it), the comparison and the write one step
    // that no other thread or program can come between: of several callers
    // expecting the same text, one writes.
    CompareAndWrite compareAndWriteString(const std::string& expected, const std::string& data,
                                          const std::string& valueName);
    // Writes `data` as a string value under the smallest decimal name ("0",
    // "1", ...) that the key holds no value of, whatever that value's data,
    // picked and written in one such step. Creates the key as writeString
    // does. Returns the name, or "" when nothing was stored.
    std::string writeStringUnderFreeNumber(const std::string& data);

    // This thread's calls wait at most `limit` for another's write
    // (kLockWait until set): start-up gives the UI thread kUiLockWait.
    static void setLockWait(std::chrono::milliseconds limit);
    static std::chrono::milliseconds lockWait();

    // Lists the key's value names by index, each call using up one whether
    // or not it gives a name: in the order they were first written on the
    // SQLite store, in the registry's own order on Windows. The listing stays
    // open after its last name until the next start.
    bool startEnumeration();
    std::string nextValueName(bool& success);

    // Gives `each` every value of the key: its name, its text ("null" when
    // it could not be read) and whether it was read, as a listing with a
    // readString of each name would (readString's diagnostics included), but
    // in one pass over the store; the listing ends where nextValueName's
    // would, at a name too long for it. False when the key could not be
    // listed whole (it is missing, or the store cannot be read). `each` may
    // not use this object.
    using EachValue = std::function<void(const std::string& name, const std::string& text, bool read)>;
    bool listValues(const EachValue& each);

    // A number that stays the same from one call on this object to the next
    // only while no value of the key has changed; nothing when the store
    // cannot tell, and everything is to be read again.
    std::optional<std::uint64_t> changeStamp();

    // From now on this object names each failed read once in `named`.
    void nameFailuresOnce(NamedFailures& named) { named_ = &named; }

private:
    bool noKeyNamed() const { return keyName_ == "null"; }
    // Writes a failed read's diagnostics, unless they were named before.
    void readFailed(const std::string& valueName, int result);
    void closeEnumeration();

    std::string keyName_ = "null";  // "null" means no key is named
    RootKey rootKey_ = HKEY_LOCAL_MACHINE;
    std::uint32_t readBufferSize_ = 260;
    std::uint32_t enumIndex_ = 0;
    bool enumOpen_ = false;
    std::uint32_t maxValueNameLength_ = 1000;  // including the terminating zero
    std::unique_ptr<char[]> readBuffer_;
    std::unique_ptr<RegistryBackend> backend_;  // this system's store and where a listing stands
    NamedFailures* named_ = nullptr;            // none: every failure is named
};

}  // namespace platform
