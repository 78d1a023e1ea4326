// The settings store on an SQLite file (see docs/store.md).
#include "platform/RegistryReaderWriter.h"

#include "platform/SqliteStore.h"

#include <cstring>
#include <iostream>

namespace platform {

namespace {

// Callers look for these exact texts, so no line ends are added.
void say(const char* text) { std::cerr << text << std::flush; }

}  // namespace

struct RegistryReaderWriter::Backend {
    SqliteStore store;
    std::int64_t enumKey = 0;  // the listed key's identity in the store; valid while enumOpen_
    // Where the listing stands: after the value numbered enumSeq, enumSkip
    // places on (each failed call moves one place). Other threads' and
    // programs' additions and deletions then never hide or repeat a value
    // that stays put.
    std::int64_t enumSeq = 0;
    std::int64_t enumSkip = 0;
};

RegistryReaderWriter::RegistryReaderWriter()
    : readBuffer_(new char[readBufferSize_]()), backend_(std::make_unique<Backend>()) {}

RegistryReaderWriter::~RegistryReaderWriter() { closeEnumeration(); }

std::string RegistryReaderWriter::readString(const std::string& valueName, bool& success) {
    success = false;
    if (noKeyNamed()) {
        say("Null Key Name ");
        return "null";
    }
    std::uint32_t size = readBufferSize_;
    const auto result =
        backend_->store.readValue(rootKey_, keyName_, valueName, readBuffer_.get(), readBufferSize_, size);
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
    return backend_->store.writeValue(rootKey_, keyName_, valueName, REG_SZ, data.c_str(), data.size() + 1);
}

bool RegistryReaderWriter::writeNumber(std::int32_t value, const std::string& valueName) {
    const auto bits = static_cast<std::uint32_t>(value);
    const unsigned char bytes[4] = {static_cast<unsigned char>(bits), static_cast<unsigned char>(bits >> 8),
                                    static_cast<unsigned char>(bits >> 16), static_cast<unsigned char>(bits >> 24)};
    return backend_->store.writeValue(rootKey_, keyName_, valueName, REG_DWORD, bytes, sizeof bytes);
}

RegistryReaderWriter::CompareAndWrite RegistryReaderWriter::compareAndWriteString(const std::string& expected,
                                                                                const std::string& data,
                                                                                const std::string& valueName) {
    if (noKeyNamed()) return CompareAndWrite::Failed;
    switch (backend_->store.replaceValue(rootKey_, keyName_, valueName, expected, readBufferSize_, REG_SZ,
                                         data.c_str(), data.size() + 1)) {
    case SqliteStore::Change::Done: return CompareAndWrite::Written;
    case SqliteStore::Change::Declined: return CompareAndWrite::Differed;
    case SqliteStore::Change::Failed: break;
    }
    return CompareAndWrite::Failed;
}

std::string RegistryReaderWriter::writeStringUnderFreeNumber(const std::string& data) {
    if (noKeyNamed()) return {};
    return backend_->store.writeValueUnderFreeNumber(rootKey_, keyName_, REG_SZ, data.c_str(), data.size() + 1)
        .value_or(std::string());
}

bool RegistryReaderWriter::deleteValue(const std::string& valueName) {
    return backend_->store.deleteValue(rootKey_, keyName_, valueName);
}

void RegistryReaderWriter::closeEnumeration() {
    enumOpen_ = false;
    backend_->enumKey = 0;
}

bool RegistryReaderWriter::startEnumeration() {
    if (enumOpen_) closeEnumeration();
    if (noKeyNamed()) return false;
    const auto key = backend_->store.findKey(rootKey_, keyName_);
    if (!key) return false;
    Backend& b = *backend_;
    b.enumKey = *key;
    enumIndex_ = 0;
    b.enumSeq = 0;
    b.enumSkip = 0;
    enumOpen_ = true;
    return true;
}

std::string RegistryReaderWriter::nextValueName(bool& success) {
    success = false;
    if (!enumOpen_) return "null";
    ++enumIndex_;  // this call uses up its index whatever comes of it
    Backend& b = *backend_;
    std::string name;
    std::int64_t seq = 0;
    if (b.store.valueAfter(b.enumKey, b.enumSeq, b.enumSkip, name, seq) != SqliteStore::Result::Ok) {
        ++b.enumSkip;
        return "null";
    }
    b.enumSeq = seq;
    b.enumSkip = 0;
    if (name.size() >= maxValueNameLength_) return "null";  // no room for it and its zero byte
    success = true;
    return name;
}

}  // namespace platform
