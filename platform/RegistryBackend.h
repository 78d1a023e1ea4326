#pragma once

#include "platform/Registry.h"

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>

namespace platform {

// The raw calls the settings store is made of, one implementation per system:
// linux/ on the SQLite file, windows/ on the registry. Each does what its
// system does and no more; RegistryReaderWriter adds the store's rules (the
// key check, the diagnostics, how data reads as text, the limits). Not for
// use by two threads at once.
class RegistryBackend {
public:
    enum class Read { Ok, Missing, TooLarge, Failed };
    // What a conditional change came to: made and stored; not made, as the
    // store did not hold what it asked for; or failed.
    enum class Change { Done, Declined, Failed };

    // This system's back end.
    static std::unique_ptr<RegistryBackend> make();

    RegistryBackend() = default;
    virtual ~RegistryBackend() = default;
    RegistryBackend(const RegistryBackend&) = delete;
    RegistryBackend& operator=(const RegistryBackend&) = delete;

    // Copies the data of value `name` of key `path` into `buffer` if it fits
    // in `capacity` bytes; `size` becomes the count of bytes delivered (on
    // TooLarge, it may be the data's length).
    virtual Read readValue(RootKey root, const std::string& path, const std::string& name, char* buffer,
                           std::uint32_t capacity, std::uint32_t& size) = 0;
    // Creates every missing key on the path and sets the value; true once it
    // is stored.
    virtual bool writeValue(RootKey root, const std::string& path, const std::string& name, std::uint32_t type,
                            const void* data, std::size_t size) = 0;
    // Sets the value only if its data, read into `capacity` bytes and taken
    // up to its first zero byte, is `expected`: compared and set in one step
    // that no other thread or program comes between. Declined when the key
    // or the value is missing or does not fit.
    virtual Change replaceValue(RootKey root, const std::string& path, const std::string& name,
                                const std::string& expected, std::uint32_t capacity, std::uint32_t type,
                                const void* data, std::size_t size) = 0;
    // Sets a value under the smallest decimal name the key holds no value
    // of, creating the path as writeValue does, picked and set in one such
    // step; the name, or nothing when it is not stored.
    virtual std::optional<std::string> writeValueUnderFreeNumber(RootKey root, const std::string& path,
                                                                 std::uint32_t type, const void* data,
                                                                 std::size_t size) = 0;
    // True only if the key held the value and its removal is stored.
    virtual bool deleteValue(RootKey root, const std::string& path, const std::string& name) = 0;

    // Opens a listing of the key's value names, closing the one open; false,
    // with none open, when the key cannot be opened.
    virtual bool openListing(RootKey root, const std::string& path) = 0;
    virtual void closeListing() = 0;
    // The next name of the open listing, whatever its length. `index` counts
    // the calls since the listing opened: the registry lists by it; the
    // SQLite file by a place of its own that each call moves on by one, so
    // that values added or deleted meanwhile never hide or repeat one that
    // stays put.
    virtual bool nextName(std::uint32_t index, std::string& name) = 0;

    // Every value of the key, in the listing's order, in one pass: `each` is
    // given its name and, as readValue would give them, the outcome and the
    // data; it returns false to stop. False when the key cannot be listed.
    using EachValue = std::function<bool(const std::string& name, Read result, const char* data, std::uint32_t size)>;
    virtual bool listValues(RootKey root, const std::string& path, std::uint32_t capacity, const EachValue& each) = 0;

    // A number that changes whenever a value of the key may have changed
    // since this object's previous call (any change to the store may count);
    // nothing when that cannot be told here, so the caller reads it all.
    virtual std::optional<std::uint64_t> changeStamp(RootKey root, const std::string& path) = 0;
};

// Where this system keeps the product key, as a user is told it: the store
// file, or the registry key in the hive it is read from.
std::string storeLocation();

// Closes what this thread holds open of the store between operations. For an
// end the toolkit forces (exit() from within its event loop): what the
// threads stopped then give back is closed too, so no file is left behind.
void closeStore();

}  // namespace platform
