// qpack decode BLOCK OUT: one compressed block file (int32 size + lh5 bits) decoded into OUT.

#include <filesystem>
#include <string>
#include <system_error>

#include "payload/DecompressBlock.h"
#include "payload/Errors.h"
#include "platform/NativeFileSystem.h"
#include "tools/qpack/Commands.h"
#include "tools/qpack/HostArguments.h"
#include "tools/qpack/Messages.h"
#include "tools/qpack/OutputFile.h"
#include "tools/qpack/PackError.h"
#include "tools/qpack/RegularFile.h"

namespace quibel::qpack {

int RunDecode(const DecodeOptions& options) {
    const auto fileSystem = MakeNativeFileSystem();
    try {
        const std::filesystem::path blockPath = HostPathFromArgument(options.block);
        const std::filesystem::path outPath = HostPathFromArgument(options.output);
        RequireRegularFile(blockPath);
        RefuseOutputOverInput(outPath, blockPath, "the block file");
        PayloadStream block;
        block.Replace(fileSystem->LoadWholeFile(InstallerPathFromArgument(options.block)));
        PayloadStream content;
        const BlockDecodeEnd decodeEnd = DecompressBlock(block, content);
        if (decodeEnd.bitsPastEnd > 0) {
            PrintWarning("decode", "the bit stream ends " + std::to_string(decodeEnd.bitsPastEnd) +
                                       " bits short; the missing bits were read as zeros, so the output is likely "
                                       "damaged");
        }
        const std::string out = InstallerPathFromArgument(options.output);
        try {
            fileSystem->WriteWholeFile(out, content.Data(), static_cast<std::size_t>(content.Size()));
        } catch (const EWriteError&) {
            std::error_code ignored;
            std::filesystem::remove(outPath, ignored);
            throw;
        }
    } catch (const Exception& failure) {
        PrintError("decode", ToNativeText(FailureDisplayText(failure.what()), false));
        return 1;
    } catch (const PackError& failure) {
        PrintError("decode", failure.what());
        return 1;
    }
    return 0;
}

}  // namespace quibel::qpack
