#pragma once
// Walking the entry tree of a package into a base directory: each directory entry is created if missing and
// logged, each file entry's block is decoded and written as a file, then logged.

#include <cstdint>
#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "payload/DirectoryChain.h"
#include "payload/FileSystem.h"
#include "payload/LineSink.h"
#include "payload/PayloadStream.h"

namespace quibel {

class TreeExtractor {
  public:
    TreeExtractor(PayloadStream& stream, FileSystem& fileSystem, LineSink& log);

    // Walks the tree from the stream's position into base (full path without trailing separator, existing).
    // A first tag other than DirectoryTag, or none, makes the tree empty. Failures end the walk at once and leave
    // everything written so far in place. The base and every directory below it are opened without following a
    // link (FileSystem::OpenDirectory) and held while the walk writes below them; files follow the one rule of
    // FileSystem::CreateNewFile.
    void ExtractTree(const std::string& base);

    const std::string& BaseDirectory() const { return baseDirectory_; }

    // By default each file is decoded whole in memory, then created and written in one write, as the installer
    // does. With this, a file is created first and written as its block decodes, so that no file is ever held
    // whole (qpack); a block that does not decode then removes its file.
    void WriteWhileDecoding() { whileDecoding_ = true; }

    // Called with a file's path when its block's symbols ran past the end of its stream (decoded from zeros, as
    // the installer decodes it), after the file is written. qpack warns; the installer does not listen.
    using CutShortHandler = std::function<void(const std::string& filePath, std::int64_t bitsPastEnd)>;
    void OnCutShortBlock(CutShortHandler handler) { cutShort_ = std::move(handler); }

    // Called with the path an entry would have when the name rules refuse its name, before the walk stops with
    // EInOutError 3; the handler may throw in its place (qpack names the path, which the installer's text does
    // not).
    using RefusedNameHandler = std::function<void(const std::string& path)>;
    void OnRefusedName(RefusedNameHandler handler) { refusedName_ = std::move(handler); }

  private:
    // An open directory list, by where its entry's name lies in the stream (the directory's path is the base
    // followed by it). Nesting is an explicit stack, since a canonical package nests one level deeper with every
    // directory entry: names that each hold the whole path are not copied there once more.
    struct OpenDirectory {
        std::int64_t nameOffset;
        std::size_t nameSize;
    };
    using OpenDirectories = std::vector<OpenDirectory>;

    void ExtractDirectory(DirectoryChain& chain, OpenDirectories& open);
    void ExtractFile(DirectoryChain& chain, const std::string& directoryName);
    [[noreturn]] void RefuseName(const std::string& path) const;
    std::string NameOf(const OpenDirectory& directory) const;

    PayloadStream& stream_;
    FileSystem& fileSystem_;
    LineSink& log_;
    std::string baseDirectory_;
    std::string acceptedName_;  // the last directory name that the name rules accepted
    bool whileDecoding_ = false;
    CutShortHandler cutShort_;
    RefusedNameHandler refusedName_;
};

}  // namespace quibel
