#pragma once

#include "platform/RegistryReaderWriter.h"
#include "support/CapturedStderr.h"
#include "support/IsolatedStore.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace registrytest {

// An object on `key`, with the success flags folded into the results.
struct Reg : platform::RegistryReaderWriter {
    Reg() = default;
    explicit Reg(const std::string& key, platform::RootKey root = platform::HKEY_LOCAL_MACHINE) {
        setRootKey(root);
        setKeyName(key);
    }
    // The text read, or "!" and what came back on a failure.
    std::string read(const std::string& name) {
        bool ok = false;
        const std::string text = readString(name, ok);
        return ok ? text : "!" + text;
    }
    std::string next() {
        bool ok = false;
        const std::string name = nextValueName(ok);
        return ok ? name : "!" + name;
    }
    std::vector<std::string> names() {
        std::vector<std::string> out;
        if (startEnumeration())
            for (std::string name = next(); name != "!null"; name = next()) out.push_back(name);
        return out;
    }
};

using CerrCapture = testsupport::CapturedStderr;

// A store of the test's own, empty at the start.
class StoreTest : public ::testing::Test {
protected:
    testsupport::IsolatedStore store_;
};

}  // namespace registrytest
