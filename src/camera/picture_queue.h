#pragma once
// The work a load does on each picture once its file is in the library:
// turning it upright and making its preview. Both decode the whole picture and
// are most of a load's processor time, so the load hands them to this queue and
// goes on copying the next file while worker threads do them. Each picture is
// still turned and previewed exactly as it would be in turn (the turn first,
// then the preview of the turned file); only when changes. Whoever takes the
// run back or completes it waits for the queue first (finish or abandon), so no
// file is written after that. The files written here are handed to the disk
// without waiting for it: the load flushes them with its copies.

#include "media/jpeg_rotate.h"

#include <condition_variable>
#include <cstdint>
#include <deque>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace lumbrel::camera {

class PictureQueue {
public:
    /// A preview made (or not: made false), with the library whose total
    /// size it adds to.
    struct Made {
        std::string library;
        std::string preview;
        std::uint64_t bytes = 0;
        bool made = true;
        std::string picture;
    };

    /// workers 0: as many as the processor has cores (the load's own thread
    /// mostly waits for the disk, or turns pictures while they work).
    explicit PictureQueue(unsigned workers = 0);
    ~PictureQueue();
    PictureQueue(const PictureQueue&) = delete;
    PictureQueue& operator=(const PictureQueue&) = delete;

    /// Turns picture (a library file) upright by turn (an orientation code,
    /// 0 = leave it) and makes its preview at preview, for library. A picture
    /// that cannot be turned stays as it is; one that cannot be decoded has no
    /// preview. bytes: the picture's size, for the order of the work.
    void submit(std::string picture, int turn, std::string preview, std::string library, std::uint64_t bytes);
    /// Waits until every submitted preview is made; returns the outcome of
    /// each job since the last call (a picture that cannot be decoded has no
    /// preview: made false).
    std::vector<Made> finish();
    /// Drops the previews not yet begun and waits for the ones under way.
    void abandon();

private:
    struct Job {
        std::string picture;
        int turn = 0;
        std::string preview;
        std::string library;
        std::uint64_t work = 0;  ///< a measure of its processor time
    };
    /// Does one job; true when its preview was made. threads: whether a turn
    /// may use a second processor (not when every processor has a worker).
    static bool run(const Job& job, media::TurnThreads threads);
    void work();

    std::mutex mutex_;
    std::condition_variable wake_;   // a job or the end for the workers
    std::condition_variable idle_;   // no job left and none under way
    std::deque<Job> jobs_;
    std::vector<Made> made_;
    unsigned busy_ = 0;
    bool closing_ = false;
    std::vector<std::thread> workers_;
};

}  // namespace lumbrel::camera
