#pragma once

#include "platform/RegistryReaderWriter.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <functional>
#include <iostream>
#include <sstream>
#include <string>
#include <vector>

namespace registrytest {

// An object already on `key`.
struct Reg : platform::RegistryReaderWriter {
    explicit Reg(const std::string& key, platform::RootKey root = platform::HKEY_LOCAL_MACHINE);
    // The names of one whole listing.
    std::vector<std::string> names();
};

// Takes what goes to std::cerr while it lives.
class CerrCapture {
public:
    CerrCapture() : old_(std::cerr.rdbuf(out_.rdbuf())) {}
    ~CerrCapture() { std::cerr.rdbuf(old_); }
    CerrCapture(const CerrCapture&) = delete;
    CerrCapture& operator=(const CerrCapture&) = delete;
    // What came since the last take.
    std::string take();

private:
    std::ostringstream out_;
    std::streambuf* old_;
};

// A store file of the test's own in a fresh folder. Idle connections are
// closed at the end, so none outlives its file.
class StoreTest : public ::testing::Test {
protected:
    StoreTest() { useStore(store()); }
    ~StoreTest() override;
    std::string store() const { return dir_.file("registry.sqlite3"); }
    static void useStore(const std::string& path);
    // Removes the store file with its -wal and -shm.
    void removeStore() const;

    testsupport::TempDir dir_;
};

// The first column of each row of `sql` run on the file, joined by '|', with
// "!" and SQLite's message on an error. Creates the file if it is missing.
std::string sql(const std::string& file, const std::string& query);

// Runs `body` where file permissions bind: here, or, when running as root
// (which they don't bind), in a forked child turned into the user nobody.
// False if that was impossible, with the test marked skipped.
bool asUnprivileged(const std::function<void()>& body);

}  // namespace registrytest
