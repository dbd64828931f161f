#include "web/template_choice.h"

#include <limits>

#include "app/strings.h"

namespace lumbrel::web {

namespace {

constexpr int kMaxSampleSide = 4096;

std::uint32_t le32(std::span<const std::uint8_t> b, std::size_t at) {
    return std::uint32_t(b[at]) | std::uint32_t(b[at + 1]) << 8 | std::uint32_t(b[at + 2]) << 16 |
           std::uint32_t(b[at + 3]) << 24;
}
std::uint16_t le16(std::span<const std::uint8_t> b, std::size_t at) {
    return static_cast<std::uint16_t>(b[at] | b[at + 1] << 8);
}

}  // namespace

StoredTemplate storedTemplate(const app::Settings& settings) {
    return {settings.get(app::setting::DllPath), settings.get(app::setting::TemplateTypeNo),
            settings.get(app::setting::TemplateBackNo)};
}

bool saveTemplateChoice(app::Settings& settings, const ChosenTemplate& choice) {
    // Every value is written even after a failure, so that as much of the
    // choice as can be kept is kept; the caller hears of the failure.
    bool ok = settings.set(app::setting::TemplateType, choice.title);
    ok = settings.set(app::setting::TemplateTypeNo, choice.templateNo) && ok;
    ok = settings.set(app::setting::TemplateBackCol, choice.colourName) && ok;
    ok = settings.set(app::setting::TemplateBackNo, choice.colourNo) && ok;
    ok = settings.set(app::setting::DllPath, dllPathOf(choice.pluginFile)) && ok;
    return ok;
}

std::string choiceText(std::string_view title, std::string_view colourName) {
    std::string text(title);
    text += app::text(app::kStrBackgroundJoin);
    text += colourName;
    return text;
}

std::optional<SampleImage> decodeSample(std::span<const std::uint8_t> dib) {
    // BITMAPINFOHEADER: size, width, height, planes, bit count, compression,
    // image size, resolution x and y, colours used, colours important.
    if (dib.size() < 40) return std::nullopt;
    const std::uint32_t headerSize = le32(dib, 0);
    const auto width = static_cast<std::int32_t>(le32(dib, 4));
    const auto rawHeight = static_cast<std::int32_t>(le32(dib, 8));
    const std::uint16_t bits = le16(dib, 14);
    const std::uint32_t compression = le32(dib, 16);
    const std::uint32_t coloursUsed = le32(dib, 32);
    if (headerSize < 40 || headerSize > dib.size() || compression != 0 || (bits != 24 && bits != 32))
        return std::nullopt;
    if (rawHeight == std::numeric_limits<std::int32_t>::min()) return std::nullopt;
    const bool topDown = rawHeight < 0;
    const std::int32_t height = topDown ? -rawHeight : rawHeight;
    if (width < 1 || width > kMaxSampleSide || height < 1 || height > kMaxSampleSide) return std::nullopt;

    // Sizes in 64 bits: the header's counts come from the plug-in.
    const std::uint64_t stride = (std::uint64_t(width) * bits + 31) / 32 * 4;
    const std::uint64_t pixelsAt = std::uint64_t(headerSize) + std::uint64_t(coloursUsed) * 4;
    if (pixelsAt > dib.size() || stride * std::uint64_t(height) > dib.size() - pixelsAt) return std::nullopt;

    SampleImage image{width, height, {}};
    image.rgb.resize(std::size_t(width) * std::size_t(height) * 3);
    const std::size_t step = bits / 8;
    for (std::int32_t y = 0; y < height; ++y) {
        const std::size_t sourceRow = topDown ? std::size_t(y) : std::size_t(height - 1 - y);
        const std::uint8_t* from = dib.data() + pixelsAt + sourceRow * stride;
        std::uint8_t* to = image.rgb.data() + std::size_t(y) * std::size_t(width) * 3;
        for (std::int32_t x = 0; x < width; ++x, from += step, to += 3) {
            to[0] = from[2];
            to[1] = from[1];
            to[2] = from[0];
        }
    }
    return image;
}

TemplatePicker::TemplatePicker(std::string pluginsFolder)
    : pluginsFolder_(std::move(pluginsFolder)), entries_(enumerateTemplates(pluginsFolder_)) {}

void TemplatePicker::open(const StoredTemplate& stored) {
    const auto start = initialSelection(pluginsFolder_, entries_, stored.dllPath, stored.templateNo, stored.colourNo);
    if (!start) return;
    entry_ = start->entry;
    const TemplateEntry& entry = entries_[start->entry];
    summary_ = templateSummary(pluginsFolder_, entry);
    coloursOf_ = entry.pluginFile;
    colourNames_ = start->colourNames;
    colour_ = colourNames_.empty() ? std::nullopt : std::optional<int>(start->colour);
    fetchSample();
}

bool TemplatePicker::selectTemplate(std::size_t index) {
    if (index >= entries_.size()) return false;
    entry_ = index;
    const TemplateEntry& entry = entries_[index];
    summary_ = templateSummary(pluginsFolder_, entry);
    if (entry.pluginFile == coloursOf_) return false;
    listColoursOf(entry.pluginFile, 0);
    return true;
}

void TemplatePicker::selectColour(int index) {
    if (index < 0 || index >= static_cast<int>(colourNames_.size())) return;
    colour_ = index;
    fetchSample();
}

std::optional<ChosenTemplate> TemplatePicker::choice() const {
    if (!entry_) return std::nullopt;
    const TemplateEntry& entry = entries_[*entry_];
    ChosenTemplate chosen{entry.title, entry.index, {}, 0, entry.pluginFile};
    if (colour_) {
        chosen.colourNo = *colour_;
        chosen.colourName = colourNames_[static_cast<std::size_t>(*colour_)];
    }
    return chosen;
}

void TemplatePicker::listColoursOf(const std::string& pluginFile, int colour) {
    coloursOf_ = pluginFile;
    colourNames_ = colourPatternNames(pluginsFolder_, pluginFile);
    colour_ = colour < static_cast<int>(colourNames_.size()) ? std::optional<int>(colour) : std::nullopt;
    fetchSample();
}

void TemplatePicker::fetchSample() {
    sample_.reset();
    if (!colour_) return;
    if (const auto dib = colourSampleDib(pluginsFolder_, coloursOf_, *colour_)) sample_ = decodeSample(*dib);
}

}  // namespace lumbrel::web
