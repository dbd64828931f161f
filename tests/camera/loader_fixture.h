#pragma once
// A program folder, a library root and a card in a temporary folder, with a
// scripted prompt, a progress window that can press "Suspend", and helpers
// that write small camera pictures and fingerprint whole folder trees.

#include <gtest/gtest.h>

#include <cstdint>
#include <deque>
#include <filesystem>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "app/settings.h"
#include "camera/image_loader.h"
#include "library/album_doc.h"
#include "media/avi_builder.h"
#include "media/exif_builder.h"
#include "platform/files.h"
#include "platform/profile.h"
#include "support/temp_dir.h"

namespace lumbrel::camera::test {

class ScriptedLoaderPrompt : public LoaderPrompt {
public:
    std::optional<std::string> askLoadDate(std::string_view shown, bool unassigned) override {
        calls.push_back(std::string("date") + (unassigned ? "+unassigned:" : ":") + std::string(shown));
        return next(dates);
    }
    UndatedChoice askUndated() override {
        calls.push_back("undated");
        if (undated.empty()) return UndatedChoice::Cancel;
        const UndatedChoice c = undated.front();
        undated.pop_front();
        return c;
    }
    std::optional<std::string> askTitle(std::string_view shown) override {
        calls.push_back("title:" + std::string(shown));
        return next(titles);
    }
    void showMessage(int id, std::string_view) override { messages.push_back(id); }

    std::deque<std::optional<std::string>> dates, titles;
    std::deque<UndatedChoice> undated;
    std::vector<std::string> calls;
    std::vector<int> messages;

private:
    static std::optional<std::string> next(std::deque<std::optional<std::string>>& answers) {
        if (answers.empty()) return std::nullopt;
        auto a = answers.front();
        answers.pop_front();
        return a;
    }
};

/// Presses "Suspend" once cancelAfter files are done (never when 0).
class ScriptedProgress : public Progress {
public:
    void begin(std::string_view caption_, std::string_view text_, std::size_t total_) override {
        caption = caption_;
        text = text_;
        total = total_;
    }
    void step(std::size_t done_) override { done = done_; }
    bool cancelled() override { return cancelAfter != 0 && done >= cancelAfter; }

    std::string caption, text;
    std::size_t total = 0, done = 0, cancelAfter = 0;
};

struct RecordingSite : app::SitePages {
    bool removePass(const std::vector<std::string>& keys) override { removed = keys; return true; }
    bool addPass(const std::vector<std::string>& keys) override { added = keys; return true; }
    bool writeNewSite() override { return true; }
    std::vector<std::string> removed, added;
};

struct RecordingOpener : PageOpener {
    bool open(const std::string& path) override { opened.push_back(path); return succeed; }
    std::vector<std::string> opened;
    bool succeed = true;
};

/// Every file and folder under root: relative path to its kind, bytes, mode and
/// last-write time.
inline std::map<std::string, std::string> fingerprint(const std::string& root) {
    namespace fs = std::filesystem;
    std::map<std::string, std::string> out;
    std::error_code ec;
    if (!fs::exists(root, ec)) return out;
    for (auto it = fs::recursive_directory_iterator(root, ec); !ec && it != fs::recursive_directory_iterator();
         it.increment(ec)) {
        const std::string rel = fs::relative(it->path(), root).string();
        if (it->is_directory()) {
            out[rel] = "dir";
            continue;
        }
        const auto bytes = lumbrel::test::readBytes(it->path().string());
        out[rel] = std::string(bytes.begin(), bytes.end()) + "|" +
                   std::to_string(static_cast<int>(fs::status(it->path()).permissions())) + "|" +
                   std::to_string(platform::lastWriteTime(it->path().string()).value_or(0));
    }
    return out;
}

/// A small decodable picture with an Exif recording date ("YYYY:MM:DD HH:MM:SS")
/// and, when given, an Exif orientation. seed varies the pixels.
inline std::vector<std::uint8_t> picture(std::optional<std::string> date, int seed = 0,
                                         std::optional<std::uint16_t> orientation = {}) {
    lumbrel::test::ExifFields f;
    f.dateTimeOriginal = std::move(date);
    f.orientation = orientation;
    auto jpeg = lumbrel::test::testJpeg(64 + 16 * (seed % 4), 48, 80 + seed % 10);
    if (!f.dateTimeOriginal && !f.orientation) return jpeg;
    return lumbrel::test::withSegments(jpeg, {lumbrel::test::exifSegment(f)});
}

/// Local time "YYYY-MM-DD HH:MM:SS" in nanoseconds since the epoch.
inline std::int64_t localTime(int y, int mo, int d, int h = 12, int mi = 0, int s = 0) {
    std::tm tm{};
    tm.tm_year = y - 1900;
    tm.tm_mon = mo - 1;
    tm.tm_mday = d;
    tm.tm_hour = h;
    tm.tm_min = mi;
    tm.tm_sec = s;
    tm.tm_isdst = -1;
    return static_cast<std::int64_t>(std::mktime(&tm)) * 1'000'000'000;
}

/// A program folder, a library root and a card folder in a fresh temporary
/// folder, with a loader context over scripted user answers.
struct LoaderWorld {
    LoaderWorld()
        : profile_(dir_ / "Lumbrel.conf"), settings_(profile_, dir_ / "prog"),
          context_{settings_, doc_, prompt_, progress_, dir_ / "prog/Lumbrel.kds", &site_, nullptr, &opener_} {
        std::filesystem::create_directories(dir_ / "prog");
        std::filesystem::create_directories(card_);
        settings_.set(app::setting::SaveFolder, root_);
        settings_.set(app::setting::ShowLibrary, 1);
    }
    LoaderWorld(const LoaderWorld&) = delete;
    LoaderWorld& operator=(const LoaderWorld&) = delete;

    /// Writes a file on the card (relative path) with a last-write time.
    std::string put(const std::string& rel, const std::vector<std::uint8_t>& bytes,
                    std::int64_t mtime = localTime(2001, 6, 16)) {
        const std::string path = card_ + "/" + rel;
        lumbrel::test::writeBytes(path, bytes);
        platform::setLastWriteTime(path, mtime);
        return path;
    }

    LoadResult load(std::vector<std::string> sources) {
        ImageLoader loader(context_);
        const LoadResult result = loader.loadCamera(sources);
        report_ = loader.report();
        return result;
    }

    /// Everything a failed or cancelled run must leave as it was.
    std::map<std::string, std::string> state() const {
        auto all = fingerprint(card_);
        for (const auto& [k, v] : fingerprint(root_)) all["lib/" + k] = v;
        for (const auto& [k, v] : fingerprint(dir_ / "prog")) all["prog/" + k] = v;
        return all;
    }

    bool inLibrary(const std::string& rel) const { return platform::isFile(root_ + "/" + rel); }

    lumbrel::test::TempDir dir_;
    std::string card_ = dir_ / "card";
    std::string root_ = dir_ / "lib";
    platform::Profile profile_;
    app::Settings settings_;
    library::CKDCardAlbumDoc doc_;
    ScriptedLoaderPrompt prompt_;
    ScriptedProgress progress_;
    RecordingSite site_;
    RecordingOpener opener_;
    LoaderContext context_;
    LoadReport report_;
};

class LoaderTest : public ::testing::Test, public LoaderWorld {};

}  // namespace lumbrel::camera::test
