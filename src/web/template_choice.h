#pragma once
// The template selection dialog's working state, kept apart from its widgets
// so that the dialog and `lumbrel-cli template` choose alike: the merged list
// of templates, the chosen template's overview, the colour patterns of the
// plug-in listed, the chosen colour's sample, and the five settings that a
// confirmed choice writes.

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "app/settings.h"
#include "web/plugin_host.h"

namespace lumbrel::web {

/// A confirmed choice of template and colour pattern.
struct ChosenTemplate {
    std::string title;
    int templateNo = 0;
    std::string colourName;  ///< empty when the plug-in offers no colour patterns
    int colourNo = 0;
    std::string pluginFile;  ///< file name in the Plugins folder

    bool operator==(const ChosenTemplate&) const = default;
};

/// The current choice as the settings hold it.
struct StoredTemplate {
    std::string dllPath;
    int templateNo = 0;
    int colourNo = 7;
};
StoredTemplate storedTemplate(const app::Settings& settings);

/// Writes TemplateType, TemplateTypeNo, TemplateBackCol, TemplateBackNo and
/// DllPath ("./Plugins/" + file name). False when a value could not be written.
bool saveTemplateChoice(app::Settings& settings, const ChosenTemplate& choice);

/// The choice as the Setup page shows it: title + " / Background " + colour.
std::string choiceText(std::string_view title, std::string_view colourName);

/// A colour sample's pixels, top row first, 3 bytes (R, G, B) per pixel.
struct SampleImage {
    int width = 0;
    int height = 0;
    std::vector<std::uint8_t> rgb;
};
/// Decodes a device-independent bitmap (information header, optional colour
/// table, pixels) of 24 or 32 bits per pixel without compression, rows bottom
/// up or, with a negative height, top down. nullopt for any other form, a
/// picture larger than 4096 x 4096, or pixels that the bytes do not hold.
std::optional<SampleImage> decodeSample(std::span<const std::uint8_t> dib);

/// What the selection dialog shows and what changes when the user picks.
class TemplatePicker {
public:
    /// Enumerates the templates of pluginsFolder; nothing is selected yet.
    explicit TemplatePicker(std::string pluginsFolder);

    /// Selects the stored template (plug-in file and template number) with its
    /// colour, else the first template with colour 7; a plug-in with fewer
    /// than 8 colour patterns, or without the stored one, opens on colour 0.
    void open(const StoredTemplate& stored);

    /// A template picked in the list: its overview is shown; when it belongs
    /// to another plug-in than the one whose colours are listed, that
    /// plug-in's colours are listed instead with colour 0 (none when it has
    /// none) and its sample. Returns true when the colour list was refilled.
    /// An index outside the list changes nothing.
    bool selectTemplate(std::size_t index);
    /// A colour picked in the list: its sample is shown. An index outside the
    /// list changes nothing.
    void selectColour(int index);

    const std::vector<TemplateEntry>& entries() const { return entries_; }
    std::optional<std::size_t> selectedTemplate() const { return entry_; }
    const std::vector<std::string>& colourNames() const { return colourNames_; }
    std::optional<int> selectedColour() const { return colour_; }
    const std::string& summary() const { return summary_; }
    /// The selected colour's sample; nullopt when the plug-in gives none or
    /// a sample of another size than it announced.
    const std::optional<SampleImage>& sample() const { return sample_; }

    /// What OK hands back; nullopt when no template is selected.
    std::optional<ChosenTemplate> choice() const;

private:
    void listColoursOf(const std::string& pluginFile, int colour);
    void fetchSample();

    std::string pluginsFolder_;
    std::vector<TemplateEntry> entries_;
    std::optional<std::size_t> entry_;
    std::string coloursOf_;  // the plug-in file whose colours are listed
    std::vector<std::string> colourNames_;
    std::optional<int> colour_;
    std::string summary_;
    std::optional<SampleImage> sample_;
};

}  // namespace lumbrel::web
