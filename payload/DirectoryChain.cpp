#include "payload/DirectoryChain.h"

#include <algorithm>

namespace quibel {

namespace {

bool IsSeparator(char c) {
    return c == '\\' || c == '/';
}

// Where each level of base + name ends in that path: the base (or the glued first level), then every component
// of the name; empty components count for nothing, as the system reads them.
std::vector<std::size_t> LevelEnds(const std::string& path, std::size_t baseSize) {
    std::vector<std::size_t> ends;
    std::size_t i = baseSize;
    if (i == path.size() || IsSeparator(path[i])) {
        ends.push_back(baseSize);
    }
    while (i < path.size()) {
        while (i < path.size() && IsSeparator(path[i])) {
            ++i;
        }
        if (i == path.size()) {
            break;
        }
        while (i < path.size() && !IsSeparator(path[i])) {
            ++i;
        }
        ends.push_back(i);
    }
    return ends;
}

}  // namespace

DirectoryChain::DirectoryChain(FileSystem& fileSystem, std::string base)
    : fileSystem_(fileSystem), base_(std::move(base)) {}

const FileSystem::Directory& DirectoryChain::Reach(const std::string& name, bool create) {
    const std::string path = base_ + name;
    const std::vector<std::size_t> ends = LevelEnds(path, base_.size());
    // The levels already open that lead to this one: the deepest whose path is a prefix of this path, found in
    // pre-order at the first or second comparison.
    std::size_t common = std::min(levels_.size(), ends.size());
    while (common > 0 && !(levels_[common - 1].end == ends[common - 1] &&
                           path.compare(0, ends[common - 1], path_, 0, ends[common - 1]) == 0)) {
        --common;
    }
    while (levels_.size() > common) {
        held_ -= levels_.back().directory ? 1 : 0;
        levels_.pop_back();
    }
    letGoBelow_ = std::max<std::size_t>(1, std::min(letGoBelow_, levels_.size()));
    if (common < ends.size()) {
        path_.assign(path, 0, ends.back());
    }
    for (std::size_t index = common; index < ends.size(); ++index) {
        levels_.push_back({ends[index], nullptr});
        Open(index, create && index + 1 == ends.size());
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
    levels_[index].directory = fileSystem_.OpenDirectory(parent, path_.substr(0, end), path_.substr(begin, end - begin),
                                                         create);
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
