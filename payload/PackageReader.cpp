#include "payload/PackageReader.h"

#include "payload/Errors.h"
#include "payload/PackageFormat.h"

namespace quibel {

std::string ReadLengthString(PayloadStream& stream) {
    std::int32_t length = 0;
    if (!stream.ReadInt32(length)) {
        throw EReadError();
    }
    if (length <= 0) {
        return {};
    }
    if (length > stream.Remaining()) {
        stream.SetPosition(stream.Size());
        throw EReadError();
    }
    std::string text(static_cast<std::size_t>(length), '\0');
    stream.Read(text.data(), length);
    return text;
}

namespace {

// Reads the words after a first MarkerWord; false as soon as one is not MarkerWord or cannot be read whole.
bool RestOfMarkerFollows(PayloadStream& stream) {
    for (int i = 1; i < MarkerWordCount; ++i) {
        std::uint16_t word = 0;
        if (!stream.ReadUInt16(word) || word != MarkerWord) {
            return false;
        }
    }
    return true;
}

}  // namespace

bool FindPayload(PayloadStream& stream, std::int32_t start, LineSink& bannerLines) {
    stream.SetPosition(start);
    while (stream.Position() >= 0 && stream.Position() < stream.Size()) {
        std::uint16_t word = 0;
        if (!stream.ReadUInt16(word)) {
            return false;
        }
        if (word == MarkerWord && RestOfMarkerFollows(stream)) {
            ReadBanner(stream, bannerLines);
            return true;
        }
    }
    return false;
}

void ReadBanner(PayloadStream& stream, LineSink& bannerLines) {
    std::uint16_t reserved = 0;
    std::int32_t count = 0;
    if (!stream.ReadUInt16(reserved) || !stream.ReadInt32(count)) {
        throw EReadError();
    }
    for (std::int32_t i = 0; i < count; ++i) {
        bannerLines.AppendLine(ReadLengthString(stream));
    }
}

}  // namespace quibel
