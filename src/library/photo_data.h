#pragma once
// The image record: one per image or movie file placed in a library.
//
// An index holds hundreds of thousands of these, so the seven texts share one
// heap block: a record costs about twice the bytes it takes in the index file.

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

namespace lumbrel::library {

class CPhotoData {
public:
    /// The texts of a record, in the order the index file stores them.
    enum Text : int { ImagePath, Year, Month, Day, Hour, Minute, Second };
    static constexpr int kTextCount = 7;
    using Texts = std::array<std::string_view, kTextCount>;

    CPhotoData() = default;
    CPhotoData(const Texts& texts, std::int32_t fileSize, std::int32_t flag);

    std::string_view text(Text which) const;
    void setText(Text which, std::string_view value);

    std::string_view imagePath() const { return text(ImagePath); }
    std::string_view year() const { return text(Year); }
    std::string_view month() const { return text(Month); }
    std::string_view day() const { return text(Day); }
    std::string_view hour() const { return text(Hour); }
    std::string_view minute() const { return text(Minute); }
    std::string_view second() const { return text(Second); }
    void setImagePath(std::string_view v) { setText(ImagePath, v); }

    /// Sets year, month, day, hour, minute and second from a 14-digit recording-date
    /// string YYYYMMDDHHMMSS (shorter input fills as far as it goes).
    void setRecordingDate(std::string_view yyyymmddhhmmss);

    std::int32_t fileSize() const { return fileSize_; }   ///< low 32 bits of the size
    std::int32_t flag() const { return flag_; }           ///< always 0 when made here
    void setFileSize(std::int32_t v) { fileSize_ = v; }
    void setFlag(std::int32_t v) { flag_ = v; }

    Texts texts() const;
    bool operator==(const CPhotoData& other) const;

private:
    std::string buf_;                             // the seven texts one after the other
    std::array<std::uint32_t, kTextCount> end_{}; // end offset of each text in buf_
    std::int32_t fileSize_ = 0;
    std::int32_t flag_ = 0;
};

}  // namespace lumbrel::library
