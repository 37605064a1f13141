#include "platform/WholeFileRead.h"

#include <new>
#include <stdexcept>

#include "payload/Errors.h"

namespace quibel {

std::vector<std::uint8_t> ReadWholeOpenFile(std::intptr_t file, std::uint64_t size, const FileRead& read) {
    std::vector<std::uint8_t> content;
    try {
        if (size > content.max_size()) {
            throw std::length_error("file size");
        }
        content.resize(static_cast<std::size_t>(size));
    } catch (const std::bad_alloc&) {
        throw EStreamError();
    } catch (const std::length_error&) {
        throw EStreamError();
    }
    std::size_t done = 0;
    while (done < content.size()) {
        const std::int64_t got = read(file, content.data() + done, content.size() - done);
        if (got <= 0) {
            throw EReadError();
        }
        done += static_cast<std::size_t>(got);
    }
    return content;
}

}  // namespace quibel
