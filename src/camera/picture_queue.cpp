#include "camera/picture_queue.h"

#include <algorithm>
#include <system_error>
#include <utility>

#include "media/preview.h"
#include "media/rotate_file.h"
#include "platform/files.h"

namespace lumbrel::camera {

PictureQueue::PictureQueue(unsigned workers) {
    if (workers == 0) workers = std::max(1u, std::thread::hardware_concurrency());
    try {
        for (unsigned i = 0; i < workers; ++i) workers_.emplace_back([this] { work(); });
    } catch (const std::system_error&) {
        // No thread to be had: submit() makes the previews itself.
    }
}

PictureQueue::~PictureQueue() {
    {
        const std::lock_guard lock(mutex_);
        closing_ = true;
        jobs_.clear();
    }
    wake_.notify_all();
    for (std::thread& worker : workers_) worker.join();
}

bool PictureQueue::run(const Job& job, media::TurnThreads threads) {
    try {
        // A turn that decodes the picture anyway hands back a small copy of
        // it, and the preview is made from that instead of a second decode.
        media::ReducedImage small;
        // Both files are handed to the disk only: the load flushes them with
        // its copies before the index names them.
        constexpr auto later = platform::AtomicFile::Flush::Later;
        if (job.turn != 0 && media::rotateFile(job.picture, job.turn, &small, threads, later) && !small.image.rgb.empty())
            return media::makePreviewFrom(small, job.preview, later);
        return media::makePreview(job.picture, job.preview, later);
    } catch (...) {
        return false;
    }
}

void PictureQueue::submit(std::string picture, int turn, std::string preview, std::string library, std::uint64_t bytes) {
    // A picture's decode takes time with its size, and a turn decodes and
    // encodes it; a movie's preview decodes one small frame.
    const std::uint64_t size = media::isMovieName(picture) ? 0 : bytes;
    Job job{std::move(picture), turn, std::move(preview), std::move(library), turn != 0 ? 2 * size : size};
    if (workers_.empty()) {
        const bool made = run(job, media::TurnThreads::UpToTwo);
        const std::uint64_t bytes = made ? platform::fileSize(job.preview).value_or(0) : 0;
        const std::lock_guard lock(mutex_);
        made_.push_back({std::move(job.library), std::move(job.preview), bytes, made, std::move(job.picture)});
        return;
    }
    {
        const std::lock_guard lock(mutex_);
        jobs_.push_back(std::move(job));
    }
    wake_.notify_one();
}

void PictureQueue::work() {
    std::unique_lock lock(mutex_);
    while (true) {
        wake_.wait(lock, [this] { return closing_ || !jobs_.empty(); });
        if (jobs_.empty()) return;  // closing
        // The longest job first, so that the last ones to finish are short and
        // no processor waits long for another at the end of a load.
        const auto longest = std::max_element(jobs_.begin(), jobs_.end(),
                                              [](const Job& a, const Job& b) { return a.work < b.work; });
        Job job = std::move(*longest);
        jobs_.erase(longest);
        // With several workers every processor has a picture of its own, but
        // the last job may take the processors the others leave.
        const bool last = jobs_.empty();
        ++busy_;
        lock.unlock();
        const bool made = run(job, workers_.size() > 1 && !last ? media::TurnThreads::One : media::TurnThreads::UpToTwo);
        const std::uint64_t bytes = made ? platform::fileSize(job.preview).value_or(0) : 0;
        lock.lock();
        made_.push_back({std::move(job.library), std::move(job.preview), bytes, made, std::move(job.picture)});
        --busy_;
        if (jobs_.empty() && busy_ == 0) idle_.notify_all();
    }
}

std::vector<PictureQueue::Made> PictureQueue::finish() {
    std::unique_lock lock(mutex_);
    idle_.wait(lock, [this] { return jobs_.empty() && busy_ == 0; });
    return std::exchange(made_, {});
}

void PictureQueue::abandon() {
    {
        const std::lock_guard lock(mutex_);
        jobs_.clear();
    }
    finish();
}

}  // namespace lumbrel::camera
