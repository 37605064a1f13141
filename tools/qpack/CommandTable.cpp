#include "tools/qpack/Commands.h"

namespace quibel::qpack {

const std::vector<Command>& AllCommands() {
    static const std::vector<Command> commands = {
        {"decode", "decode one compressed block file", "qpack decode BLOCK OUT", RunDecode},
        {"extract", "extract a package's tree into a directory", "qpack extract PACKAGE DIR [--from OFFSET]",
         RunExtract},
    };
    return commands;
}

}  // namespace quibel::qpack
