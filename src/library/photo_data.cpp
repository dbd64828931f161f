#include "library/photo_data.h"

namespace lumbrel::library {

CPhotoData::CPhotoData(const Texts& texts, std::int32_t fileSize, std::int32_t flag)
    : fileSize_(fileSize), flag_(flag) {
    std::size_t total = 0;
    for (auto t : texts) total += t.size();
    buf_.reserve(total);
    for (int i = 0; i < kTextCount; ++i) {
        buf_.append(texts[static_cast<std::size_t>(i)]);
        end_[static_cast<std::size_t>(i)] = static_cast<std::uint32_t>(buf_.size());
    }
}

std::string_view CPhotoData::text(Text which) const {
    const auto i = static_cast<std::size_t>(which);
    const std::uint32_t begin = i == 0 ? 0 : end_[i - 1];
    return std::string_view(buf_).substr(begin, end_[i] - begin);
}

CPhotoData::Texts CPhotoData::texts() const {
    Texts t;
    for (int i = 0; i < kTextCount; ++i) t[static_cast<std::size_t>(i)] = text(static_cast<Text>(i));
    return t;
}

void CPhotoData::setText(Text which, std::string_view value) {
    Texts t = texts();
    // value may point into buf_: build the new block before replacing it.
    t[static_cast<std::size_t>(which)] = value;
    *this = CPhotoData(t, fileSize_, flag_);
}

void CPhotoData::setRecordingDate(std::string_view d) {
    const std::string date(d);                 // d or the path may point into buf_
    const std::string path(imagePath());
    auto part = [&](std::size_t pos, std::size_t len) {
        return pos < date.size() ? std::string_view(date).substr(pos, len) : std::string_view{};
    };
    *this = CPhotoData({path, part(0, 4), part(4, 2), part(6, 2), part(8, 2), part(10, 2), part(12, 2)},
                       fileSize_, flag_);
}

bool CPhotoData::operator==(const CPhotoData& o) const {
    return buf_ == o.buf_ && end_ == o.end_ && fileSize_ == o.fileSize_ && flag_ == o.flag_;
}

}  // namespace lumbrel::library
