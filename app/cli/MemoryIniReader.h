#pragma once

// Conversion parameters given on the command line, seen by the engine through the same reader
// interface as a document file.

#include "engine/IniReader.h"

#include <string>
#include <utility>
#include <vector>

namespace quarbel::cli {

class MemoryIniReader : public engine::IniReader {
public:
    // Sets key (matched without regard to case, as in a file) to value, replacing an earlier value.
    void set(std::string_view key, int value);
    // The path is ignored: there is only one set of values.
    int readInt(const std::string& path, std::string_view key, int defaultValue) const override;

private:
    std::vector<std::pair<std::string, int>> m_values;
};

} // namespace quarbel::cli
