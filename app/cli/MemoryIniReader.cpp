#include "app/cli/MemoryIniReader.h"

#include <algorithm>

namespace quarbel::cli {

namespace {

bool sameKey(std::string_view a, std::string_view b) {
    const auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; };
    return a.size() == b.size() &&
           std::equal(a.begin(), a.end(), b.begin(), [&](char x, char y) { return lower(x) == lower(y); });
}

} // namespace

void MemoryIniReader::set(std::string_view key, int value) {
    for (auto& [name, stored] : m_values) {
        if (sameKey(name, key)) {
            stored = value;
            return;
        }
    }
    m_values.emplace_back(std::string(key), value);
}

int MemoryIniReader::readInt(const std::string&, std::string_view key, int defaultValue) const {
    for (const auto& [name, value] : m_values) {
        if (sameKey(name, key)) {
            return value;
        }
    }
    return defaultValue;
}

} // namespace quarbel::cli
