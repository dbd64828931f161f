#pragma once
// The name a picture gets in a library folder that already holds a file of
// its name. Candidates are the base (the name up to its last "_", or the name
// without its last four characters when it has none), "_", a number from 1 up
// and the extension (the last four characters, in upper case): AB_0001.JPG
// becomes AB_1.JPG, ABCD0001.JPG becomes ABCD0001_1.JPG. An existing file with
// the same recording time is the same picture, which is then not loaded again.

#include <string>
#include <string_view>

namespace lumbrel::camera {

/// The n-th candidate for name.
std::string candidateName(std::string_view name, int n);

struct FreeName {
    std::string path;          ///< the free path; empty when none was found
    bool samePicture = false;  ///< a file with the same recording time is there
};

/// Looks for name in folder, then for its candidates, until a free path is
/// found or a file of the same recording time as incomingTime.
FreeName findFreeName(const std::string& folder, std::string_view name, std::string_view incomingTime);

}  // namespace lumbrel::camera
