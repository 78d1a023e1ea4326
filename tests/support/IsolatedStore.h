#pragma once

#include <memory>
#include <string>

namespace testsupport {

// The key under which tests keep values of their own (HKEY_LOCAL_MACHINE);
// cleared with the product key.
inline constexpr char kTestKey[] = "SOFTWARE\\Kestrune Test";

// Gives a test the settings store to itself, empty, for as long as it lives.
// On Linux that is a fresh file in a folder of its own; on Windows, where
// the registry is one for every program, the product key and the test key,
// and the user's copies and virtual stores of them, are deleted before and
// after, so test programs that share it run one at a time.
class IsolatedStore {
public:
    IsolatedStore();
    ~IsolatedStore();
    IsolatedStore(const IsolatedStore&) = delete;
    IsolatedStore& operator=(const IsolatedStore&) = delete;

    // From now on no write reaches the store: it cannot create the product
    // key. Reads find nothing.
    void makeUnwritable();

    // Takes the store's write lock from a connection of its own, as another
    // program in the middle of a write would, until releaseWriteLock or the
    // end. False where the store has no such lock (the registry).
    bool holdWriteLock();
    void releaseWriteLock();

    // The type and data of the value `name` of key `key` (HKEY_LOCAL_MACHINE)
    // as stored, e.g. "1:6E756C6C00" for REG_SZ "null"; empty when missing.
    std::string rawValue(const std::string& key, const std::string& name) const;

    // The store's file where it is one, else empty.
    std::string file() const;

private:
    struct State;
    std::unique_ptr<State> state_;
};

}  // namespace testsupport
