// Feeds arbitrary bytes to the image data reader, both in memory and as a file
// read in pieces. For any input: no crash or read outside the bytes (the
// sanitizers stop the run), and both readings give the same record.

#include <sys/mman.h>
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <span>
#include <string>

#include "plugin/image_info.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using lumbrel::plugin::readImageInfo;
    static const int fd = ::memfd_create("image_info_fuzz", 0);
    static const std::string path = "/proc/self/fd/" + std::to_string(fd);
    if (fd < 0 || ::ftruncate(fd, 0) != 0) std::abort();
    if (size > 0 && ::pwrite(fd, data, size, 0) != static_cast<ssize_t>(size)) std::abort();

    const auto whole = readImageInfo(std::span<const std::uint8_t>(data, size), size);
    if (whole.dateTime.size() != 0 && whole.dateTime.size() != 14) std::abort();
    // Small pieces (a border somewhere in every structure) and one piece.
    if (!(readImageInfo(path, 16 + size % 48) == whole)) std::abort();
    if (!(readImageInfo(path, 1 << 16) == whole)) std::abort();
    return 0;
}
