#pragma once
// The choices of the Setup page: which radio button writes which value, and
// what else a choice does. Every choice is written at once, when it is made,
// under the busy flag; the command line's "settings set" goes through here
// too, so that both do the same.

#include <array>
#include <optional>
#include <string>
#include <string_view>

#include "app/settings.h"

namespace lumbrel::app {

enum class SetupTab { General, Camera, Option };

/// One radio button of the Setup page's tabs.
struct SetupChoice {
    SetupTab tab;
    int control;
    std::string_view text;
    const IntSetting* setting;
    int value;
};

inline constexpr std::array<SetupChoice, 18> kSetupChoices{{
    {SetupTab::General, 1018, "Sort by recording date (&R)", &setting::Classitication, 0},
    {SetupTab::General, 1019, "Sort by date (&P)", &setting::Classitication, 1},
    {SetupTab::General, 1042, "Yes(&I)", &setting::InputTitle, 0},
    {SetupTab::General, 1043, "No(&N)", &setting::InputTitle, 1},
    {SetupTab::General, 1044, "Yes(&L)", &setting::ShowLibrary, 0},
    {SetupTab::General, 1045, "No(&O)", &setting::ShowLibrary, 1},
    {SetupTab::Camera, 1018, "Automatic loading ON(&N)", &setting::AutoTakeIn, 0},
    {SetupTab::Camera, 1019, "Automatic loading OFF(&F)", &setting::AutoTakeIn, 1},
    {SetupTab::Camera, 1042, "View(&V)", &setting::ShowDialog, 0},
    {SetupTab::Camera, 1043, "Hide(&H)", &setting::ShowDialog, 1},
    {SetupTab::Camera, 1044, "Keep(&M)", &setting::CopyImage, 0},
    {SetupTab::Camera, 1045, "Delete(&L)", &setting::CopyImage, 1},
    {SetupTab::Camera, 1048, "Convert aspect (&C)", &setting::ImageRotation, 0},
    {SetupTab::Camera, 1049, "No conversion (&H)", &setting::ImageRotation, 1},
    {SetupTab::Option, 1018, "Yes (&D)", &setting::PrintButton, 0},
    {SetupTab::Option, 1019, "No (&O)", &setting::PrintButton, 1},
    {SetupTab::Option, 1042, "640x480pixels", &setting::TempSize, 0},
    {SetupTab::Option, 1043, "320x240pixels", &setting::TempSize, 1},
}};

/// Whether setting is one that the Setup page's radio buttons write (its
/// values are then only those of its buttons).
bool isSetupChoice(const IntSetting& setting);

/// Where the side effects of automatic loading act.
struct SetupPlaces {
    std::string programFolder;    ///< holds the automatic-loading request file
    std::string autostartFolder;  ///< holds the watcher's autostart entry
};

/// Writes value to setting under the busy flag. Automatic loading ON also
/// deletes a pending request file, OFF deletes the watcher's autostart entry;
/// both take effect at the next start. False when the value cannot be
/// written.
bool writeChoice(Settings& settings, const IntSetting& setting, int value, const SetupPlaces& places);

/// The template label of the General tab: title + " / Background " + colour.
std::string templateLabel(const Settings& settings);

}  // namespace lumbrel::app
