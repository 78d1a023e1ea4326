// The store's rules, the same on every system, over this system's raw calls
// (RegistryBackend, in linux/ or windows/).
#include "platform/RegistryReaderWriter.h"

#include "platform/RegistryBackend.h"

#include <algorithm>
#include <cstring>
#include <iostream>

namespace platform {

namespace {

thread_local std::chrono::milliseconds threadLockWait = kLockWait;

// Callers look for these exact texts, so no line ends are added.
void say(const char* text) { std::cerr << text << std::flush; }

// A kind of failed read besides the back end's outcomes.
constexpr int kNoKeyNamed = -1;

}  // namespace

RegistryReaderWriter::RegistryReaderWriter()
    : readBuffer_(new char[readBufferSize_]()), backend_(RegistryBackend::make()) {}

RegistryReaderWriter::~RegistryReaderWriter() { closeEnumeration(); }

void RegistryReaderWriter::setLockWait(std::chrono::milliseconds limit) { threadLockWait = limit; }

std::chrono::milliseconds RegistryReaderWriter::lockWait() { return threadLockWait; }

bool RegistryReaderWriter::setRootKey(RootKey root) {
    rootKey_ = root;
    return true;
}

bool RegistryReaderWriter::setKeyName(const std::string& keyName) {
    keyName_ = keyName;
    return true;
}

bool NamedFailures::firstTime(const std::string& key, const std::string& value, int kind) {
    std::string entry = key;
    entry += '\0';
    entry += value;
    entry += '\0';
    entry += std::to_string(kind);
    return named_.insert(std::move(entry)).second;
}

void RegistryReaderWriter::readFailed(const std::string& valueName, int result) {
    if (named_ != nullptr && !named_->firstTime(keyName_, valueName, result)) return;
    if (result == kNoKeyNamed) {
        say("Null Key Name ");
        return;
    }
    say("Error in readString");
    if (result == static_cast<int>(RegistryBackend::Read::TooLarge)) say("Buffer is too small");
}

std::string RegistryReaderWriter::readString(const std::string& valueName, bool& success) {
    success = false;
    if (noKeyNamed()) {
        readFailed(valueName, kNoKeyNamed);
        return "null";
    }
    std::uint32_t size = 0;
    const auto result = backend_->readValue(rootKey_, keyName_, valueName, readBuffer_.get(), readBufferSize_, size);
    if (result != RegistryBackend::Read::Ok) {
        readFailed(valueName, static_cast<int>(result));
        return "null";
    }
    success = true;
    // Data need not end in a zero byte (a number, say); what lies beyond the
    // delivered bytes is left over from earlier reads.
    return std::string(readBuffer_.get(), strnlen(readBuffer_.get(), std::min(size, readBufferSize_)));
}

bool RegistryReaderWriter::valueExists(const std::string& valueName) {
    bool success = false;
    readString(valueName, success);
    return success;
}

bool RegistryReaderWriter::writeString(const std::string& data, const std::string& valueName) {
    return backend_->writeValue(rootKey_, keyName_, valueName, REG_SZ, data.c_str(), data.size() + 1);
}

bool RegistryReaderWriter::writeNumber(std::int32_t value, const std::string& valueName) {
    const auto bits = static_cast<std::uint32_t>(value);
    const unsigned char bytes[4] = {static_cast<unsigned char>(bits), static_cast<unsigned char>(bits >> 8),
                                    static_cast<unsigned char>(bits >> 16), static_cast<unsigned char>(bits >> 24)};
    return backend_->writeValue(rootKey_, keyName_, valueName, REG_DWORD, bytes, sizeof bytes);
}

RegistryReaderWriter::CompareAndWrite RegistryReaderWriter::compareAndWriteString(const std::string& expected,
                                                                                  const std::string& data,
                                                                                  const std::string& valueName) {
    if (noKeyNamed()) return CompareAndWrite::Failed;
    switch (backend_->replaceValue(rootKey_, keyName_, valueName, expected, readBufferSize_, REG_SZ, data.c_str(),
                                   data.size() + 1)) {
        case RegistryBackend::Change::Done:
            return CompareAndWrite::Written;
        case RegistryBackend::Change::Declined:
            return CompareAndWrite::Differed;
        case RegistryBackend::Change::Failed:
            break;
    }
    return CompareAndWrite::Failed;
}

std::string RegistryReaderWriter::writeStringUnderFreeNumber(const std::string& data) {
    if (noKeyNamed()) return {};
    return backend_->writeValueUnderFreeNumber(rootKey_, keyName_, REG_SZ, data.c_str(), data.size() + 1)
        .value_or(std::string());
}

bool RegistryReaderWriter::deleteValue(const std::string& valueName) {
    return backend_->deleteValue(rootKey_, keyName_, valueName);
}

void RegistryReaderWriter::closeEnumeration() {
    backend_->closeListing();
    enumOpen_ = false;
}

bool RegistryReaderWriter::startEnumeration() {
    if (enumOpen_) closeEnumeration();
    if (noKeyNamed() || !backend_->openListing(rootKey_, keyName_)) return false;
    enumIndex_ = 0;
    enumOpen_ = true;
    return true;
}

bool RegistryReaderWriter::listValues(const EachValue& each) {
    if (noKeyNamed()) return false;
    std::string text;  // one buffer for every value's text
    return backend_->listValues(
        rootKey_, keyName_, readBufferSize_,
        [&](const std::string& name, RegistryBackend::Read result, const char* data, std::uint32_t size) {
            // Where nextValueName would fail, the listing ends.
            if (name.size() >= maxValueNameLength_) return false;
            const bool read = result == RegistryBackend::Read::Ok;
            if (read) {
                text.assign(data, strnlen(data, std::min(size, readBufferSize_)));
            } else {
                readFailed(name, static_cast<int>(result));
                text = "null";
            }
            each(name, text, read);
            return true;
        });
}

std::optional<std::uint64_t> RegistryReaderWriter::changeStamp() {
    if (noKeyNamed()) return std::nullopt;
    return backend_->changeStamp(rootKey_, keyName_);
}

std::string RegistryReaderWriter::nextValueName(bool& success) {
    success = false;
    if (!enumOpen_) return "null";
    std::string name;
    // This call uses up its index whatever comes of it; a name with no room
    // for it and its zero byte fails it.
    if (!backend_->nextName(enumIndex_++, name) || name.size() >= maxValueNameLength_) return "null";
    success = true;
    return name;
}

}  // namespace platform
