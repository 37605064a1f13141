#include "tools/qpack/inspect/ExtractionTarget.h"
#include "tools/qpack/common/DisplayPath.h"

#include <system_error>
#include <vector>

#ifdef _WIN32
#include "platform/Win32System.h"
#endif

#include "payload/Errors.h"
#include "platform/SystemReason.h"
#include "platform/TextEncoding.h"
#include "tools/qpack/common/PackError.h"
#include "tools/qpack/common/TerminalText.h"

namespace quibel::qpack {

namespace {

// The components of a path, read as the system reads it: empty and "." components dropped, ".." going up.
std::vector<std::string> LexicalComponents(const std::string& path) {
    std::vector<std::string> components;
    std::size_t begin = 0;
    while (begin <= path.size()) {
        const std::size_t end = std::min(path.find_first_of("\\/", begin), path.size());
        const std::string component = path.substr(begin, end - begin);
        if (component == "..") {
            if (!components.empty()) {
                components.pop_back();
            }
        } else if (!component.empty() && component != ".") {
            components.push_back(component);
        }
        begin = end + 1;
    }
    return components;
}

// The installer's texts for these failures name no path, and a path's log line comes only once it is made (or
// not at all, with -q).
PackError NamedFailure(const std::string& path, const Exception& failure) {
    return PackError(TerminalText(path, true) + ": " + SystemReasonOf(failure) + "; " + InstallerWouldStop(failure));
}

}  // namespace

std::string SystemReasonOf(const Exception& failure) {
    if (const auto* reason = dynamic_cast<const SystemReason*>(&failure)) {
        return ShownText(reason->Text());
    }
#ifdef _WIN32
    if (const auto* inOut = dynamic_cast<const EInOutError*>(&failure)) {
        return TerminalText(SystemErrorText(inOut->ErrorCode()));
    }
#endif
    if (dynamic_cast<const EWriteError*>(&failure) != nullptr) {
        return "cannot be written";
    }
    return dynamic_cast<const EFCreateError*>(&failure) != nullptr ? "cannot be created"
                                                                   : "cannot be opened or created";
}

std::string InstallerWouldStop(const Exception& failure) {
    return "the installer would stop with \"" + TerminalText(FailureDisplayText(failure.what())) + "\"";
}

std::string ExtractionBase(const std::filesystem::path& directory) {
    std::error_code error;
    std::filesystem::path full = std::filesystem::absolute(directory, error).lexically_normal();
    if (error) {
        throw PackError(DisplayPath(directory) + ": " + error.message());
    }
    if (!full.has_filename() && full.has_relative_path()) {
        full = full.parent_path();  // "X/." and "X/" normalise to "X/"
    }
    const std::u8string utf8 = full.u8string();
    std::optional<std::string> base = Utf8ToCp1252(std::string(utf8.begin(), utf8.end()));
    if (!base) {
        throw PackError(DisplayPath(directory) + ": the path has no Windows-1252 form");
    }
    for (char& c : *base) {
        if (c == '/') {
            c = '\\';
        }
    }
    return *base;
}

bool LiesWithinBase(const std::string& base, const std::string& path) {
    // What the walk hands over is the base followed by a name: with no ".." after the base it lies below it or is
    // glued to it, and the components need not be taken apart (a deep tree would pay for every level each time).
    if (path.compare(0, base.size(), base) == 0 && path.find("..", base.size()) == std::string::npos) {
        return true;
    }
    const std::vector<std::string> baseParts = LexicalComponents(base);
    const std::vector<std::string> parts = LexicalComponents(path);
    if (baseParts.empty()) {
        return true;
    }
    const std::size_t last = baseParts.size() - 1;
    if (parts.size() <= last) {
        return false;
    }
    for (std::size_t i = 0; i < last; ++i) {
        if (parts[i] != baseParts[i]) {
            return false;
        }
    }
    return parts[last].compare(0, baseParts[last].size(), baseParts[last]) == 0;
}

void ConfinedFileSystem::CreateDirectoryLevel(const std::string& path) {
    RequireWithinBase(path);
    try {
        inner_.CreateDirectoryLevel(path);
    } catch (const EInOutError& failure) {
        throw NamedFailure(path, failure);
    }
}

void ConfinedFileSystem::WriteWholeFile(const std::string& path, const std::uint8_t* data, std::size_t size) {
    RequireWithinBase(path);
    try {
        inner_.WriteWholeFile(path, data, size);
    } catch (const EWriteError& failure) {
        throw NamedFailure(path, failure);
    }
}

namespace {

// The installer's write failure names no file: this one does, and counts what it wrote.
class NamedNewFile final : public FileSystem::NewFile {
  public:
    NamedNewFile(std::unique_ptr<NewFile> inner, std::string path, std::uint64_t& written)
        : inner_(std::move(inner)), path_(std::move(path)), written_(written) {}
    void Write(const std::uint8_t* bytes, std::int32_t count) override {
        Named([&] { inner_->Write(bytes, count); });
        written_ += static_cast<std::uint64_t>(count);
    }
    void Close() override {
        Named([&] { inner_->Close(); });
    }
    void Remove() override { inner_->Remove(); }

  private:
    template <typename Step>
    void Named(const Step& step) {
        try {
            step();
        } catch (const EWriteError& failure) {
            throw NamedFailure(path_, failure);
        }
    }

    std::unique_ptr<NewFile> inner_;
    std::string path_;
    std::uint64_t& written_;
};

}  // namespace

std::unique_ptr<FileSystem::Directory> ConfinedFileSystem::OpenDirectory(const Directory* parent,
                                                                         const std::string& path,
                                                                         const std::string& name,
                                                                         bool create) {
    RequireWithinBase(path);
    try {
        return inner_.OpenDirectory(parent, path, name, create);
    } catch (const EInOutError& failure) {
        throw NamedFailure(path, failure);
    }
}

std::unique_ptr<FileSystem::NewFile> ConfinedFileSystem::CreateNewFile(const Directory& directory,
                                                                       const std::string& path,
                                                                       const std::string& name) {
    RequireWithinBase(path);
    lastFile_ = path;
    try {
        return std::make_unique<NamedNewFile>(inner_.CreateNewFile(directory, path, name), path, bytesWritten_);
    } catch (const EInOutError& failure) {
        throw NamedFailure(path, failure);
    } catch (const EFCreateError& failure) {
        throw NamedFailure(path, failure);
    }
}

void ConfinedFileSystem::RequireWithinBase(const std::string& path) const {
    if (!LiesWithinBase(base_, path)) {
        throw PackError(TerminalText(path, true) + ": outside " + TerminalText(base_, true) + ": refused");
    }
}

}  // namespace quibel::qpack
