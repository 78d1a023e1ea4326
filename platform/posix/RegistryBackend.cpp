// The settings store's raw calls on an SQLite file (see docs/store.md).
#include "platform/RegistryBackend.h"

#include "platform/posix/SqliteStore.h"

namespace platform {

namespace {

class SqliteBackend final : public RegistryBackend {
public:
    Read readValue(RootKey root, const std::string& path, const std::string& name, char* buffer, std::uint32_t capacity,
                   std::uint32_t& size) override {
        return store_.readValue(root, path, name, buffer, capacity, size);
    }

    bool writeValue(RootKey root, const std::string& path, const std::string& name, std::uint32_t type,
                    const void* data, std::size_t size) override {
        return store_.writeValue(root, path, name, type, data, size);
    }

    Change replaceValue(RootKey root, const std::string& path, const std::string& name, const std::string& expected,
                        std::uint32_t capacity, std::uint32_t type, const void* data, std::size_t size) override {
        return store_.replaceValue(root, path, name, expected, capacity, type, data, size);
    }

    std::optional<std::string> writeValueUnderFreeNumber(RootKey root, const std::string& path, std::uint32_t type,
                                                         const void* data, std::size_t size) override {
        return store_.writeValueUnderFreeNumber(root, path, type, data, size);
    }

    bool deleteValue(RootKey root, const std::string& path, const std::string& name) override {
        return store_.deleteValue(root, path, name);
    }

    bool openListing(RootKey root, const std::string& path) override {
        closeListing();
        const auto key = store_.findKey(root, path);
        if (!key) return false;
        listedKey_ = *key;
        return true;
    }

    void closeListing() override {
        listedKey_ = 0;
        listedSeq_ = 0;
        listedSkip_ = 0;
    }

    bool nextName(std::uint32_t /*index*/, std::string& name) override {
        std::int64_t seq = 0;
        if (store_.valueAfter(listedKey_, listedSeq_, listedSkip_, name, seq) != SqliteStore::Result::Ok) {
            ++listedSkip_;
            return false;
        }
        listedSeq_ = seq;
        listedSkip_ = 0;
        return true;
    }

    bool listValues(RootKey root, const std::string& path, std::uint32_t capacity, const EachValue& each) override {
        return store_.listValues(root, path, capacity, each);
    }

    std::optional<std::uint64_t> changeStamp(RootKey, const std::string&) override { return store_.changeStamp(); }

private:
    SqliteStore store_;
    std::int64_t listedKey_ = 0;  // the listed key's identity in the store
    // Where the listing stands: after the value numbered listedSeq_,
    // listedSkip_ places on (each failed call moves one place). Other
    // threads' and programs' additions and deletions then never hide or
    // repeat a value that stays put.
    std::int64_t listedSeq_ = 0;
    std::int64_t listedSkip_ = 0;
};

}  // namespace

std::unique_ptr<RegistryBackend> RegistryBackend::make() { return std::make_unique<SqliteBackend>(); }

std::string storeLocation() {
    const std::string path = SqliteStore::defaultPath();
    return path.empty() ? "nowhere: neither KESTRUNE_REGISTRY nor a home folder is set" : path;
}

void closeStore() { SqliteStore::closeIdleConnections(); }

}  // namespace platform
