#include "platform/RegistryReaderWriter.h"

#include <cstring>
#include <iostream>

namespace platform {

namespace {

// Callers look for these exact texts, so no line ends are added.
void say(const char* text) { std::cerr << text << std::flush; }

}  // namespace

RegistryReaderWriter::RegistryReaderWriter() : readBuffer_(new char[readBufferSize_]()) {}

RegistryReaderWriter::~RegistryReaderWriter() { closeEnumeration(); }

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
    std::uint32_t size = readBufferSize_;
    const auto result = store_.readValue(rootKey_, keyName_, valueName, readBuffer_.get(), readBufferSize_, size);
    if (result != SqliteStore::Result::Ok) {
        say("Error in readString");
        if (result == SqliteStore::Result::TooLarge) say("Buffer is too small");
        return "null";
    }
    success = true;
    // Data need not end in a zero byte (a number, say); what lies beyond the
    // delivered bytes is left over from earlier reads.
    return std::string(readBuffer_.get(), strnlen(readBuffer_.get(), size));
}

bool RegistryReaderWriter::writeString(const std::string& data, const std::string& valueName) {
    return store_.writeValue(rootKey_, keyName_, valueName, REG_SZ, data.c_str(), data.size() + 1);
}

bool RegistryReaderWriter::writeNumber(std::int32_t value, const std::string& valueName) {
    const auto bits = static_cast<std::uint32_t>(value);
    const unsigned char bytes[4] = {static_cast<unsigned char>(bits), static_cast<unsigned char>(bits >> 8),
                                    static_cast<unsigned char>(bits >> 16), static_cast<unsigned char>(bits >> 24)};
    return store_.writeValue(rootKey_, keyName_, valueName, REG_DWORD, bytes, sizeof bytes);
}

bool RegistryReaderWriter::valueExists(const std::string& valueName) {
    bool success = false;
    readString(valueName, success);
    return success;
}

bool RegistryReaderWriter::deleteValue(const std::string& valueName) {
    return store_.deleteValue(rootKey_, keyName_, valueName);
}

void RegistryReaderWriter::closeEnumeration() {
    enumOpen_ = false;
    enumKey_ = 0;
}

bool RegistryReaderWriter::startEnumeration() {
    if (enumOpen_) closeEnumeration();
    if (noKeyNamed()) return false;
    const auto key = store_.findKey(rootKey_, keyName_);
    if (!key) return false;
    enumKey_ = *key;
    enumIndex_ = 0;
    enumSeq_ = 0;
    enumSkip_ = 0;
    enumOpen_ = true;
    return true;
}

std::string RegistryReaderWriter::nextValueName(bool& success) {
    success = false;
    if (!enumOpen_) return "null";
    ++enumIndex_;  // this call uses up its index whatever comes of it
    std::string name;
    std::int64_t seq = 0;
    if (store_.valueAfter(enumKey_, enumSeq_, enumSkip_, name, seq) != SqliteStore::Result::Ok) {
        ++enumSkip_;
        return "null";
    }
    enumSeq_ = seq;
    enumSkip_ = 0;
    if (name.size() >= maxValueNameLength_) return "null";  // no room for it and its zero byte
    success = true;
    return name;
}

}  // namespace platform
