#include "tools/qpack/Commands.h"

namespace quibel::qpack {

const std::vector<Command>& AllCommands() {
    static const std::vector<Command> commands = {
        {"pack", "write a directory tree as a package (side archive)",
         "qpack pack DIR -o FILE [--banner TEXT]... [-j N]", RunPack},
        {"installer", "write an installer: stub executable followed by a package",
         "qpack installer --stub STUB.exe DIR -o SETUP.exe [--banner TEXT]... [-j N]", RunInstaller},
        {"list", "print a package's banner and tree", "qpack list FILE [--from OFFSET]", RunList},
        {"verify", "decode and check every entry of a package", "qpack verify FILE [--from OFFSET]", RunVerify},
        {"decode", "decode one compressed block file", "qpack decode BLOCK OUT", RunDecode},
        {"extract", "extract a package's tree into a directory", "qpack extract PACKAGE DIR [--from OFFSET]",
         RunExtract},
    };
    return commands;
}

}  // namespace quibel::qpack
