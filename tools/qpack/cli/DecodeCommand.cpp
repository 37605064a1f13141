// qpack decode BLOCK OUT: one compressed block file (int32 size + lh5 bits) decoded into OUT, which appears whole
// or not at all: the decoded pieces go to a temporary file beside it, renamed over it once the block is done.

#include <filesystem>
#include <string>

#include "payload/DecompressBlock.h"
#include "payload/Errors.h"
#include "platform/NativeFileSystem.h"
#include "tools/qpack/cli/Commands.h"
#include "tools/qpack/cli/HostArguments.h"
#include "tools/qpack/common/Messages.h"
#include "tools/qpack/common/PackError.h"
#include "tools/qpack/common/RegularFile.h"
#include "tools/qpack/write/OutputFile.h"

namespace quibel::qpack {

namespace {

class OutputSink final : public ByteSink {
  public:
    explicit OutputSink(OutputFile& out) : out_(out) {}
    void Write(const std::uint8_t* bytes, std::int32_t count) override {
        out_.Write(bytes, static_cast<std::size_t>(count));
    }

  private:
    OutputFile& out_;
};

}  // namespace

int RunDecode(const DecodeOptions& options) {
    const auto fileSystem = MakeNativeFileSystem();
    try {
        const std::filesystem::path blockPath = HostPathFromArgument(options.block);
        const std::filesystem::path outPath = HostPathFromArgument(options.output);
        RequireRegularFile(blockPath);
        RefuseOutputOverInput(outPath, blockPath, "the block file");
        PayloadStream block;
        block.Replace(fileSystem->LoadWholeFile(InstallerPathFromArgument(options.block)));
        OutputFile out(outPath);
        OutputSink sink(out);
        const BlockDecodeEnd decodeEnd = DecompressBlock(block, sink);
        out.Commit();
        if (decodeEnd.bitsPastEnd > 0) {
            PrintWarning("decode", "the bit stream ends " + std::to_string(decodeEnd.bitsPastEnd) +
                                       " bits short; the missing bits were read as zeros, so the output is likely "
                                       "damaged");
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
