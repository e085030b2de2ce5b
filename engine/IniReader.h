#pragma once

#include <string>
#include <string_view>

namespace quarbel::engine {

// Reads integer keys from the "Quarbel Ver.2" section of an INI-format file, private-profile style:
// the decimal number at the start of the value, or defaultValue when the key (or file) is missing.
class IniReader {
public:
    virtual ~IniReader() = default;
    virtual int readInt(const std::string& path, std::string_view key, int defaultValue) const = 0;
};

} // namespace quarbel::engine
