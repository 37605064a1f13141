#include "payload/DirectoryChain.h"

#include <algorithm>

namespace quibel {

namespace {

bool IsSeparator(char c) {
    return c == '\\' || c == '/';
}

}  // namespace

DirectoryChain::DirectoryChain(FileSystem& fileSystem, std::string base)
    : fileSystem_(fileSystem), base_(std::move(base)) {}

const FileSystem::Directory& DirectoryChain::Reach(const std::string& name, bool create) {
    const std::string path = base_ + name;
    // The levels already open that lead to this one: those whose path is a prefix of this path, ending where one
    // of its components ends. One pass finds how far the two paths agree; in pre-order the deepest level or its
    // parent is kept.
    const std::size_t agree = static_cast<std::size_t>(
        std::mismatch(path.begin(), path.end(), path_.begin(), path_.end()).first - path.begin());
    while (!levels_.empty() && (levels_.back().end > agree ||
                                (levels_.back().end < path.size() && !IsSeparator(path[levels_.back().end])))) {
        held_ -= levels_.back().directory ? 1 : 0;
        levels_.pop_back();
    }
    letGoBelow_ = std::max<std::size_t>(1, std::min(letGoBelow_, levels_.size()));
    // The levels below: the base (or the level glued to it) first, then every component of the name; empty
    // components count for nothing, as the system reads them.
    std::size_t at = levels_.empty() ? base_.size() : levels_.back().end;
    const std::size_t first = levels_.size();
    if (levels_.empty() && (at == path.size() || IsSeparator(path[at]))) {
        levels_.push_back({at, nullptr});
    }
    while (at < path.size()) {
        while (at < path.size() && IsSeparator(path[at])) {
            ++at;
        }
        if (at == path.size()) {
            break;
        }
        while (at < path.size() && !IsSeparator(path[at])) {
            ++at;
        }
        levels_.push_back({at, nullptr});
    }
    if (levels_.size() > first) {
        path_.assign(path, 0, levels_.back().end);
    }
    for (std::size_t index = first; index < levels_.size(); ++index) {
        Open(index, create && index + 1 == levels_.size());
    }
    return Held(levels_.size() - 1);
}

// Opens a level from the one above it (the first one as its path stands) and holds it.
void DirectoryChain::Open(std::size_t index, bool create) {
    const std::size_t end = levels_[index].end;
    const FileSystem::Directory* parent = nullptr;
    std::size_t begin = 0;
    if (index > 0) {
        parent = &Held(index - 1);
        begin = levels_[index - 1].end;
        while (begin < end && IsSeparator(path_[begin])) {
            ++begin;
        }
    }
    MakeRoom(index - (index > 0 ? 1 : 0));
    levels_[index].directory =
        fileSystem_.OpenDirectory(parent, path_.substr(0, end), path_.substr(begin, end - begin), create);
    ++held_;
}

// A level that was let go is opened again, each level on the way from its deepest held ancestor (level 0 is never
// let go), none of them created: they were there when the walk first passed.
const FileSystem::Directory& DirectoryChain::Held(std::size_t index) {
    if (!levels_[index].directory) {
        std::size_t ancestor = index;
        while (!levels_[ancestor].directory) {
            --ancestor;
        }
        for (std::size_t level = ancestor + 1; level <= index; ++level) {
            letGoBelow_ = std::min(letGoBelow_, level);
            Open(level, false);
        }
    }
    return *levels_[index].directory;
}

// Lets go of the shallowest held level but the first and the parent about to be opened from, so that opening one
// more level keeps at most MaxHeld held: the walk goes on below the deepest ones.
void DirectoryChain::MakeRoom(std::size_t parent) {
    if (held_ < MaxHeld) {
        return;
    }
    std::size_t shallowest = std::max<std::size_t>(1, letGoBelow_);
    while (shallowest < levels_.size() && !levels_[shallowest].directory) {
        ++shallowest;
    }
    letGoBelow_ = shallowest;
    if (shallowest == parent) {
        ++shallowest;
        while (shallowest < levels_.size() && !levels_[shallowest].directory) {
            ++shallowest;
        }
    }
    if (shallowest < levels_.size()) {
        levels_[shallowest].directory.reset();
        --held_;
        letGoBelow_ = letGoBelow_ == shallowest ? shallowest + 1 : letGoBelow_;
    }
}

}  // namespace quibel
