#pragma once

#include <string>
#include <utility>
#include <vector>

namespace testsupport {

using Values = std::vector<std::pair<std::string, std::string>>;

// Value `name` of `key` (HKEY_LOCAL_MACHINE) as read back, or "(none)" when
// it cannot be read.
std::string storedText(const std::string& key, const std::string& name);
// Every value of `key` as (name, text), in name order: stores list them in
// their own.
Values storedValues(const std::string& key);
bool storeText(const std::string& key, const std::string& name, const std::string& text);

}  // namespace testsupport
