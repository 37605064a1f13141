#pragma once
// Where qpack extract writes: the directory given, made absolute and normal before the walk, and a file system
// that creates nothing outside it. The reader's rules keep a package's names below the base; this is the second
// line of defence, checked on the text of every path before it is created.

#include <cstdint>
#include <filesystem>
#include <string>

#include "payload/Errors.h"
#include "payload/FileSystem.h"

namespace quibel::qpack {

// The directory as the walk's base: absolute, without "." or ".." components or a trailing separator (a root
// keeps its own), in Windows-1252 with "\" separators. Throws PackError when it has no Windows-1252 form.
std::string ExtractionBase(const std::filesystem::path& directory);

// True when path, taken lexically ("." dropped, ".." going up), lies below base (or is base), or is the glued
// form of a name without a leading "\": a directory beside base whose name begins with base's last component,
// or a path below one.
bool LiesWithinBase(const std::string& base, const std::string& path);

// The host system's words for a failure of a file system: the reason it carries (platform/SystemReason.h), the
// system's message for its code on Windows, or else what failed.
std::string SystemReasonOf(const Exception& failure);

// "the installer would stop with "TEXT"": what the installer's failure display would show for it.
std::string InstallerWouldStop(const Exception& failure);

// Passes everything to another file system, but refuses to open or create a directory or a file outside the base
// (see LiesWithinBase), naming it. A directory that the system does not open or create, and a file it does not
// create or write, throw PackError "PATH: REASON; the installer would stop with "TEXT"".
class ConfinedFileSystem final : public FileSystem {
  public:
    ConfinedFileSystem(FileSystem& inner, std::string base) : inner_(inner), base_(std::move(base)) {}

    bool IsDirectory(const std::string& path) override { return inner_.IsDirectory(path); }
    bool IsFile(const std::string& path) override { return inner_.IsFile(path); }
    void CreateDirectoryLevel(const std::string& path) override;
    void WriteWholeFile(const std::string& path, const std::uint8_t* data, std::size_t size) override;
    std::vector<std::uint8_t> LoadWholeFile(const std::string& path) override { return inner_.LoadWholeFile(path); }
    std::unique_ptr<Directory> OpenDirectory(const Directory* parent,
                                             const std::string& path,
                                             const std::string& name,
                                             bool create) override;
    std::unique_ptr<NewFile> CreateNewFile(const Directory& directory,
                                           const std::string& path,
                                           const std::string& name) override;

    // The last file created (a block that does not decode fails while it is written), empty before the first.
    const std::string& LastFile() const { return lastFile_; }
    // The bytes written into the files created.
    std::uint64_t BytesWritten() const { return bytesWritten_; }

  private:
    void RequireWithinBase(const std::string& path) const;

    FileSystem& inner_;
    std::string base_;
    std::string lastFile_;
    std::uint64_t bytesWritten_ = 0;
};

}  // namespace quibel::qpack
