#pragma once
// The command line of list and verify: FILE [--from OFFSET].

#include <cstdint>
#include <optional>
#include <string>

#include "tools/qpack/Commands.h"

namespace quibel::qpack {

struct InspectArguments {
    std::string file;
    std::int32_t from = 0;
    bool help = false;
};

std::optional<InspectArguments> ParseInspectArguments(const char* command, const Arguments& arguments, int& exitCode);

}  // namespace quibel::qpack
