#pragma once

#include "platform/Registry.h"
#include "platform/SqliteStore.h"

#include <cstdint>
#include <memory>
#include <string>

namespace platform {

// Reads and writes the program's settings as registry values of one key.
// Every operation but a listing opens what it needs, does its one thing and
// leaves only the connection open; nothing read is kept between calls. Each
// thread uses objects of its own. Diagnostics go to std::cerr; nothing throws
// on a failed store.
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

    // Lists the key's value names in the order they were first written. The
    // listing stays open after its last name until the next start.
    bool startEnumeration();
    std::string nextValueName(bool& success);

private:
    bool noKeyNamed() const { return keyName_ == "null"; }
    void closeEnumeration();

    std::string keyName_ = "null";  // "null" means no key is named
    RootKey rootKey_ = HKEY_LOCAL_MACHINE;
    std::int64_t enumKey_ = 0;  // the listed key's identity in the store; valid while enumOpen_
    std::uint32_t readBufferSize_ = 260;
    std::uint32_t enumIndex_ = 0;
    bool enumOpen_ = false;
    std::uint32_t maxValueNameLength_ = 1000;  // including the terminating zero
    std::unique_ptr<char[]> readBuffer_;

    // Where the listing stands: after the value numbered enumSeq_, enumSkip_
    // places on (each failed call moves one place). Other threads' and
    // programs' additions and deletions then never hide or repeat a value
    // that stays put.
    std::int64_t enumSeq_ = 0;
    std::int64_t enumSkip_ = 0;
    SqliteStore store_;
};

}  // namespace platform
