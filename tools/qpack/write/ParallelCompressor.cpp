#include "tools/qpack/write/ParallelCompressor.h"
#include "tools/qpack/common/DisplayPath.h"

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <chrono>
#include <condition_variable>
#include <cstring>
#include <exception>
#include <fstream>
#include <map>
#include <mutex>
#include <optional>
#include <thread>

#ifdef __GLIBC__
#include <malloc.h>
#endif

#include "tools/qpack/common/PackError.h"
#include "tools/qpack/common/RegularFile.h"
#include "tools/qpack/tree/HostFile.h"
#include "tools/qpack/write/ReorderWindow.h"

namespace quibel::qpack {

namespace {

// One part of one file: what a worker compresses at a time.
struct WorkItem {
    std::size_t file;
    FilePart part;
    bool last;  // the file's last part: its block is whole once this one is joined
};

struct Slot {
    BitString bits;
    std::exception_ptr failure;
};

// The state the workers share with the consuming thread, all of it under the mutex; workers stop taking parts
// once stop is set.
class SharedWork {
  public:
    SharedWork(const std::vector<InputFile>& files, const CompressionOptions& options)
        : files_(files),
          encoder_(options.encoder),
          items_(ItemsOf(files, options.encoder)),
          partsLeft_(PartCounts(files.size(), items_)),
          window_(SizesOf(items_), WindowBytes(options)) {
        encoder_.encodedBytes = &encoded_;
    }

    // Every part of every file, in package order.
    const std::vector<WorkItem>& Items() const { return items_; }

    void Work() {
        for (;;) {
            std::unique_lock lock(mutex_);
            std::optional<std::size_t> index;
            while (!stop_ && !window_.AllStarted() && !(index = window_.Start())) {
                room_.wait(lock);
            }
            if (!index) {
                return;
            }
            lock.unlock();
            const WorkItem& item = items_[*index];
            Slot result;
            try {
                const InputFile& file = files_[item.file];
                const std::vector<std::uint8_t> content =
                    ReadScannedFile(*file.directory / *file.name, {file.identity, file.size}, file.viaLink,
                                    item.part.history, item.part.end);
                result.bits =
                    EncodePart(content, static_cast<std::size_t>(item.part.begin - item.part.history), encoder_);
            } catch (...) {
                result.failure = std::current_exception();
            }
            const std::size_t held = result.bits.bytes.size();
            lock.lock();
            if (--partsLeft_[item.file] == 0) {
                ++progress_.filesDone;
            }
            progress_.bytesOut += held;
            finished_.emplace(*index, std::move(result));
            window_.Finish(*index, held);
            lock.unlock();
            ready_.notify_one();
        }
    }

    // Waits for the part whose turn it is, calling report every eighth of a second meanwhile. Its bits stay
    // counted in the window until HandedOn.
    Slot NextInTurn(const std::function<void(const CompressionProgress&)>& report) {
        std::unique_lock lock(mutex_);
        while (!window_.TurnIsReady()) {
            if (ready_.wait_for(lock, std::chrono::milliseconds(125)) == std::cv_status::timeout) {
                const CompressionProgress snapshot = Snapshot();
                lock.unlock();
                report(snapshot);
                lock.lock();
            }
        }
        return std::move(finished_.extract(window_.Turn()).mapped());
    }

    // The part whose turn it was is joined to its block: its bytes leave the window and later parts may start.
    CompressionProgress HandedOn() {
        CompressionProgress snapshot;
        {
            const std::lock_guard lock(mutex_);
            window_.HandedOn();
            snapshot = Snapshot();
        }
        room_.notify_all();
        return snapshot;
    }

    void Stop() {
        {
            const std::lock_guard lock(mutex_);
            stop_ = true;
        }
        room_.notify_all();
    }

  private:
    // Under the mutex.
    CompressionProgress Snapshot() const {
        CompressionProgress snapshot = progress_;
        snapshot.bytesIn = encoded_.load(std::memory_order_relaxed);
        return snapshot;
    }

    static std::uint64_t WindowBytes(const CompressionOptions& options) {
        constexpr std::uint64_t perThread = 8u << 20;
        return options.windowBytes > 0 ? options.windowBytes
                                       : perThread * static_cast<std::uint64_t>(std::max(2, options.threads));
    }

    static std::vector<WorkItem> ItemsOf(const std::vector<InputFile>& files, const EncoderSettings& encoder) {
        std::vector<WorkItem> items;
        items.reserve(files.size());
        for (std::size_t f = 0; f < files.size(); ++f) {
            const std::vector<FilePart> parts = PartsOf(files[f].size, encoder);
            for (std::size_t p = 0; p < parts.size(); ++p) {
                items.push_back({f, parts[p], p + 1 == parts.size()});
            }
        }
        return items;
    }

    static std::vector<std::size_t> PartCounts(std::size_t fileCount, const std::vector<WorkItem>& items) {
        std::vector<std::size_t> counts(fileCount, 0);
        for (const WorkItem& item : items) {
            ++counts[item.file];
        }
        return counts;
    }

    // What each part reads.
    static std::vector<std::uint64_t> SizesOf(const std::vector<WorkItem>& items) {
        std::vector<std::uint64_t> sizes;
        sizes.reserve(items.size());
        for (const WorkItem& item : items) {
            sizes.push_back(item.part.end - item.part.history);
        }
        return sizes;
    }

    const std::vector<InputFile>& files_;
    EncoderSettings encoder_;
    const std::vector<WorkItem> items_;
    std::vector<std::size_t> partsLeft_;      // per file: its parts not yet compressed
    std::atomic<std::uint64_t> encoded_ = 0;  // input bytes encoded so far, within files too
    std::mutex mutex_;
    std::condition_variable room_;   // a part may start: the window moved, or stop
    std::condition_variable ready_;  // a part is compressed
    ReorderWindow window_;
    std::map<std::size_t, Slot> finished_;  // the parts waiting for their turn
    CompressionProgress progress_;
    bool stop_ = false;
};

// Large buffers (a file's content, its block) go back to the system as soon as they are freed. Left to itself,
// glibc raises its threshold to the largest buffer freed so far and serves the later ones from a heap that
// fragments a little more with every file, so that the peak would grow with the package after all. The
// encoder's tables of each file (a few hundred KiB) stay below the threshold, and the heap keeps that much free
// at its top, so that they are not mapped and faulted in anew for every file.
void ReturnLargeBuffersToTheSystem() {
#ifdef __GLIBC__
    mallopt(M_MMAP_THRESHOLD, 1 << 20);
    mallopt(M_TRIM_THRESHOLD, 2 << 20);
#endif
}

// Joins the workers however the consuming thread leaves. What they run keeps no thread_local object with a
// destructor: the 32-bit Windows runtime may free such an object's storage before its destructor runs when the
// thread ends, and the destructor then frees a pointer read from freed memory.
class WorkerThreads {
  public:
    WorkerThreads(SharedWork& work, int count) : work_(work) {
        for (int i = 0; i < count; ++i) {
            threads_.emplace_back([&work] { work.Work(); });
        }
    }
    ~WorkerThreads() {
        work_.Stop();
        for (auto& thread : threads_) {
            thread.join();
        }
    }
    WorkerThreads(const WorkerThreads&) = delete;
    WorkerThreads& operator=(const WorkerThreads&) = delete;

  private:
    SharedWork& work_;
    std::vector<std::thread> threads_;
};

}  // namespace

std::vector<std::uint8_t> ReadHostFile(const std::filesystem::path& path) {
    RequireRegularFile(path);
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        throw PackError(DisplayPath(path) + ": cannot be read: " + std::strerror(errno));
    }
    std::vector<std::uint8_t> content;
    in.seekg(0, std::ios::end);
    const std::streamoff size = in.tellg();
    in.seekg(0, std::ios::beg);
    if (size < 0) {
        throw PackError(DisplayPath(path) + ": cannot be read");
    }
    content.resize(static_cast<std::size_t>(size));
    if (!in.read(reinterpret_cast<char*>(content.data()), size) || in.peek() != std::ifstream::traits_type::eof()) {
        throw PackError(DisplayPath(path) + ": cannot be read whole (changed while packing?)");
    }
    return content;
}

void CompressInOrder(const std::vector<InputFile>& files,
                     const CompressionOptions& options,
                     const std::function<void(std::size_t, const std::vector<std::uint8_t>&)>& consume,
                     const std::function<void(const CompressionProgress&)>& report) {
    ReturnLargeBuffersToTheSystem();
    SharedWork work(files, options);
    const std::vector<WorkItem>& items = work.Items();
    const int threads = std::max(1, std::min<int>(options.threads, static_cast<int>(items.size())));
    WorkerThreads workers(work, threads);
    BitString block;
    for (const WorkItem& item : items) {
        if (item.part.begin == 0) {
            block = BlockHead(files[item.file].size);
        }
        {
            const Slot slot = work.NextInTurn(report);
            if (slot.failure) {
                std::rethrow_exception(slot.failure);
            }
            block.Append(slot.bits);
        }  // the part's bits are freed before they leave the window
        report(work.HandedOn());
        if (item.last) {
            consume(item.file, block.bytes);
            block = {};
        }
    }
}

}  // namespace quibel::qpack
