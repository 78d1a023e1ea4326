// The settings store on the Windows registry.
#include "platform/RegistryReaderWriter.h"

#include <windows.h>

#include <algorithm>
#include <cstring>
#include <iostream>

namespace platform {

namespace {

// Callers look for these exact texts, so no line ends are added.
void say(const char* text) { std::cerr << text << std::flush; }

// Creates the key where it is missing and sets one value in it; true only
// once the value is stored.
bool setValue(HKEY root, const std::string& keyName, const std::string& valueName, DWORD type, const void* data,
              std::size_t size) {
    HKEY key = nullptr;
    if (RegCreateKeyExA(root, keyName.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE, KEY_ALL_ACCESS, nullptr, &key,
                        nullptr) != ERROR_SUCCESS)
        return false;
    const LONG result =
        RegSetValueExA(key, valueName.c_str(), 0, type, static_cast<const BYTE*>(data), static_cast<DWORD>(size));
    RegCloseKey(key);
    return result == ERROR_SUCCESS;
}

}  // namespace

struct RegistryReaderWriter::Backend {
    HKEY listing = nullptr;  // the listed key, open while enumOpen_
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
    HKEY key = nullptr;
    if (RegOpenKeyExA(rootKey_, keyName_.c_str(), 0, KEY_QUERY_VALUE, &key) != ERROR_SUCCESS) {
        say("Error in readString");
        return "null";
    }
    // The count is in and out: each call starts again from the whole buffer.
    DWORD size = readBufferSize_;
    const LONG result =
        RegQueryValueExA(key, valueName.c_str(), nullptr, nullptr, reinterpret_cast<BYTE*>(readBuffer_.get()), &size);
    RegCloseKey(key);
    if (result != ERROR_SUCCESS) {
        say("Error in readString");
        if (result == ERROR_MORE_DATA) say("Buffer is too small");
        return "null";
    }
    success = true;
    // Data need not end in a zero byte (a number, say); what lies beyond the
    // delivered bytes is left over from earlier reads.
    return std::string(readBuffer_.get(), strnlen(readBuffer_.get(), std::min<DWORD>(size, readBufferSize_)));
}

bool RegistryReaderWriter::writeString(const std::string& data, const std::string& valueName) {
    return setValue(rootKey_, keyName_, valueName, REG_SZ, data.c_str(), data.size() + 1);
}

bool RegistryReaderWriter::writeNumber(std::int32_t value, const std::string& valueName) {
    const auto bits = static_cast<std::uint32_t>(value);
    const unsigned char bytes[4] = {static_cast<unsigned char>(bits), static_cast<unsigned char>(bits >> 8),
                                    static_cast<unsigned char>(bits >> 16), static_cast<unsigned char>(bits >> 24)};
    return setValue(rootKey_, keyName_, valueName, REG_DWORD, bytes, sizeof bytes);
}

bool RegistryReaderWriter::deleteValue(const std::string& valueName) {
    HKEY key = nullptr;
    if (RegOpenKeyExA(rootKey_, keyName_.c_str(), 0, KEY_SET_VALUE, &key) != ERROR_SUCCESS) return false;
    const LONG result = RegDeleteValueA(key, valueName.c_str());
    RegCloseKey(key);
    return result == ERROR_SUCCESS;
}

void RegistryReaderWriter::closeEnumeration() {
    if (backend_->listing != nullptr) RegCloseKey(backend_->listing);
    backend_->listing = nullptr;
    enumOpen_ = false;
}

bool RegistryReaderWriter::startEnumeration() {
    if (enumOpen_) closeEnumeration();
    if (noKeyNamed()) return false;
    HKEY key = nullptr;
    if (RegOpenKeyExA(rootKey_, keyName_.c_str(), 0, KEY_QUERY_VALUE, &key) != ERROR_SUCCESS) return false;
    backend_->listing = key;
    enumIndex_ = 0;
    enumOpen_ = true;
    return true;
}

std::string RegistryReaderWriter::nextValueName(bool& success) {
    success = false;
    if (!enumOpen_) return "null";
    std::string name(maxValueNameLength_, '\0');
    DWORD length = maxValueNameLength_;
    // This call uses up its index whatever comes of it.
    if (RegEnumValueA(backend_->listing, enumIndex_++, name.data(), &length, nullptr, nullptr, nullptr, nullptr) !=
        ERROR_SUCCESS)
        return "null";
    success = true;
    name.resize(length);
    return name;
}

}  // namespace platform
