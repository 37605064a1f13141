// qpack decode BLOCK OUT: one compressed block file (int32 size + lh5 bits) decoded into OUT.

#include <cstdio>

#include "payload/DecompressBlock.h"
#include "payload/Errors.h"
#include "platform/NativeFileSystem.h"
#include "tools/qpack/Commands.h"
#include "tools/qpack/PackArguments.h"
#include "tools/qpack/PackError.h"
#include "tools/qpack/RegularFile.h"

namespace quibel::qpack {

int RunDecode(const Arguments& arguments) {
    if (arguments.size() == 1 && (arguments[0] == "--help" || arguments[0] == "-h")) {
        std::printf(
            "usage: qpack decode BLOCK OUT\n\nDecodes one compressed block (a 4-byte little-endian decoded size "
            "followed by an lh5 bit stream)\ninto OUT. On failure nothing is left at OUT.\n");
        return 0;
    }
    if (arguments.size() != 2) {
        return UsageError("decode", "expected BLOCK and OUT");
    }
    const auto fileSystem = MakeNativeFileSystem();
    try {
        RequireRegularFile(HostPathFromArgument(arguments[0]));
        PayloadStream block;
        block.Replace(fileSystem->LoadWholeFile(FromNativeText(arguments[0])));
        PayloadStream content;
        const BlockDecodeEnd decodeEnd = DecompressBlock(block, content);
        if (decodeEnd.bitsPastEnd > 0) {
            std::fprintf(stderr,
                         "qpack decode: warning: the bit stream ends %lld bits short; the missing bits were read as "
                         "zeros, so the output is likely damaged\n",
                         static_cast<long long>(decodeEnd.bitsPastEnd));
        }
        const std::string out = FromNativeText(arguments[1]);
        try {
            fileSystem->WriteWholeFile(out, content.Data(), static_cast<std::size_t>(content.Size()));
        } catch (const EWriteError&) {
            std::remove(arguments[1].c_str());
            throw;
        }
    } catch (const Exception& failure) {
        std::fprintf(stderr, "qpack decode: %s\n", ToNativeText(FailureDisplayText(failure.what()), false).c_str());
        return 1;
    } catch (const PackError& failure) {
        std::fprintf(stderr, "qpack decode: %s\n", failure.what());
        return 1;
    }
    return 0;
}

}  // namespace quibel::qpack
