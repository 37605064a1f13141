// Placeholder until the lh5 decoder lands: rejects every block that would decode to something.
#include "payload/DecompressBlock.h"

#include "payload/Errors.h"

namespace quibel {

void DecompressBlock(PayloadStream& source, PayloadStream&) {
    std::int32_t size = 0;
    if (source.ReadInt32(size) && size > 0) {
        throw ECorruptFile();
    }
}

}  // namespace quibel
