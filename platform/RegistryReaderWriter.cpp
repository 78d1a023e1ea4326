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

std::string RegistryReaderWriter::readString(const std::string& valueName, bool& success) {
    success = false;
    if (noKeyNamed()) {
        say("Null Key Name ");
        return "null";
    }
    std::uint32_t size = 0;
    const auto result = backend_->readValue(rootKey_, keyName_, valueName, readBuffer_.get(), readBufferSize_, size);
    if (result != RegistryBackend::Read::Ok) {
        say("Error in readString");
        if (result == RegistryBackend::Read::TooLarge) say("Buffer is too small");
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
