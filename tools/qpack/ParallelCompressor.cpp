#include "tools/qpack/ParallelCompressor.h"

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <chrono>
#include <condition_variable>
#include <cstring>
#include <exception>
#include <fstream>
#include <mutex>
#include <optional>
#include <thread>

#include "tools/qpack/PackError.h"
#include "tools/qpack/RegularFile.h"
#include "tools/qpack/TreeScanner.h"

namespace quibel::qpack {

namespace {

struct Slot {
    std::optional<std::vector<std::uint8_t>> block;
    std::exception_ptr failure;
    std::uint64_t bytesIn = 0;
};

// The state the workers share with the consuming thread; workers stop taking files once stop is set.
struct SharedWork {
    const std::vector<std::filesystem::path>& files;
    const std::vector<std::size_t>& order;  // largest files first, so that no big one is left for the end
    const EncoderSettings& settings;
    std::vector<Slot> slots;
    std::atomic<std::size_t> next{0};
    std::atomic<bool> stop{false};
    std::mutex mutex;
    std::condition_variable ready;

    void Work() {
        for (;;) {
            const std::size_t taken = next.fetch_add(1);
            if (taken >= order.size() || stop) {
                return;
            }
            const std::size_t index = order[taken];
            Slot result;
            try {
                const std::vector<std::uint8_t> content = ReadHostFile(files[index]);
                result.bytesIn = content.size();
                result.block = EncodeBlock(content, settings);
            } catch (...) {
                result.failure = std::current_exception();
            }
            {
                const std::lock_guard lock(mutex);
                slots[index] = std::move(result);
            }
            ready.notify_all();
        }
    }
};

// Joins the workers however the consuming thread leaves.
class WorkerThreads {
  public:
    WorkerThreads(SharedWork& work, int count) : work_(work) {
        for (int i = 0; i < count; ++i) {
            threads_.emplace_back([&work] { work.Work(); });
        }
    }
    ~WorkerThreads() {
        work_.stop = true;
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

void CompressInOrder(const std::vector<std::filesystem::path>& files,
                     int threads,
                     const EncoderSettings& settings,
                     const std::function<void(std::size_t, const std::vector<std::uint8_t>&)>& consume,
                     const std::function<void(const CompressionProgress&)>& report) {
    std::vector<std::size_t> order(files.size());
    std::vector<std::uintmax_t> sizes(files.size());
    for (std::size_t i = 0; i < files.size(); ++i) {
        order[i] = i;
        std::error_code ignored;
        sizes[i] = std::filesystem::file_size(files[i], ignored);
    }
    std::stable_sort(order.begin(), order.end(), [&](std::size_t a, std::size_t b) { return sizes[a] > sizes[b]; });
    SharedWork work{files, order, settings, std::vector<Slot>(files.size()), {}, {}, {}, {}};
    CompressionProgress progress;
    WorkerThreads workers(work, std::max(1, std::min<int>(threads, static_cast<int>(files.size()))));
    for (std::size_t index = 0; index < files.size(); ++index) {
        Slot slot;
        {
            std::unique_lock lock(work.mutex);
            while (!work.slots[index].block && !work.slots[index].failure) {
                if (work.ready.wait_for(lock, std::chrono::milliseconds(200)) == std::cv_status::timeout) {
                    lock.unlock();
                    report(progress);
                    lock.lock();
                }
            }
            slot = std::move(work.slots[index]);
            work.slots[index] = Slot{};
        }
        if (slot.failure) {
            std::rethrow_exception(slot.failure);
        }
        consume(index, *slot.block);
        ++progress.filesDone;
        progress.bytesIn += slot.bytesIn;
        progress.bytesOut += slot.block->size();
    }
    report(progress);
}

}  // namespace quibel::qpack
