#pragma once

#include <string>
#include <string_view>

namespace quarbel::engine {

// The one section every Quarbel INI-format file uses.
inline constexpr std::string_view IniSection = "Quarbel Ver.2";

// Reads integer keys from section IniSection of an INI-format file, private-profile style:
// the decimal number at the start of the value, or defaultValue when the key (or file) is missing.
class IniReader {
public:
    virtual ~IniReader() = default;
    virtual int readInt(const std::string& path, std::string_view key, int defaultValue) const = 0;
};

} // namespace quarbel::engine
