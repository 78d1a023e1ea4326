// What the store's two implementations share; each platform's own part is in
// linux/ or windows/.
#include "platform/RegistryReaderWriter.h"

namespace platform {

namespace {
thread_local std::chrono::milliseconds threadLockWait = kLockWait;
}  // namespace

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

bool RegistryReaderWriter::valueExists(const std::string& valueName) {
    bool success = false;
    readString(valueName, success);
    return success;
}

}  // namespace platform
