#pragma once
// Every persistent setting of the program, with its section, key, type and
// default, in one place. Settings are read with their default at every use.
// The section "WinPositon" and the key "Classitication" are spelled as stored.

#include <span>
#include <string>
#include <string_view>

#include "platform/profile.h"

namespace lumbrel::app {

struct IntSetting {
    std::string_view section;
    std::string_view key;
    int defaultValue;
};

struct TextSetting {
    std::string_view section;
    std::string_view key;
    std::string_view defaultValue;
};

namespace setting {
// Section Settings.
/// Root of the image library; its default depends on the program folder (see Settings::saveFolder).
inline constexpr TextSetting SaveFolder{"Settings", "SaveFolder", ""};
inline constexpr TextSetting DllPath{"Settings", "DllPath", ""};                 ///< "./Plugins/" + file name
inline constexpr TextSetting TemplateType{"Settings", "TemplateType", ""};
inline constexpr IntSetting TemplateTypeNo{"Settings", "TemplateTypeNo", 0};      ///< -1: no usable plug-in
inline constexpr TextSetting TemplateBackCol{"Settings", "TemplateBackCol", ""};
inline constexpr IntSetting TemplateBackNo{"Settings", "TemplateBackNo", 7};      ///< -1: no usable plug-in
inline constexpr IntSetting PrintButton{"Settings", "PrintButton", 0};            ///< 0: pages carry a Print button
inline constexpr IntSetting TempSize{"Settings", "TempSize", 0};                  ///< 0: 640x480, 1: 320x240
inline constexpr TextSetting MailName{"Settings", "MailName", "Email software is not assigned"};
inline constexpr IntSetting InputTitle{"Settings", "InputTitle", 1};              ///< 0: ask for a title
inline constexpr IntSetting ShowLibrary{"Settings", "ShowLibrary", 0};            ///< 0: open the pages after saving
inline constexpr IntSetting UsbSerial{"Settings", "USB/Serial", 0};               ///< 0: Card/USB, 1: serial
// Section CameraImage.
inline constexpr IntSetting AutoTakeIn{"CameraImage", "AutoTakeIn", 0};           ///< 0: automatic loading on
inline constexpr IntSetting ShowDialog{"CameraImage", "ShowDialog", 0};           ///< 0: confirm automatic loads
inline constexpr IntSetting CopyImage{"CameraImage", "CopyImage", 0};             ///< 0: copy, 1: move
inline constexpr IntSetting ImageRotation{"CameraImage", "ImageRotation", 0};     ///< 0: turn pictures upright
inline constexpr IntSetting Classitication{"CameraImage", "Classitication", 0};   ///< 0: by recording date
// Section Communications.
inline constexpr TextSetting BaudRate{"Communications", "BaudRate", "115200"};
inline constexpr TextSetting CommPort{"Communications", "CommPort", "COM1"};
inline constexpr TextSetting SCameraDir{"Communications", "SCameraDir", ""};
inline constexpr IntSetting TransMode{"Communications", "TransMode", 0};          ///< 0: batch, 1: one folder
// Section WinPositon.
inline constexpr IntSetting WinLeft{"WinPositon", "left", 0};
inline constexpr IntSetting WinTop{"WinPositon", "top", 0};
/// 0: not stored yet; the window then takes the size of its pages.
inline constexpr IntSetting WinWidth{"WinPositon", "width", 0};
inline constexpr IntSetting WinHeight{"WinPositon", "height", 0};
inline constexpr IntSetting Column0{"WinPositon", "column0", 98};                 ///< Date
inline constexpr IntSetting Column1{"WinPositon", "column1", 112};                ///< Title
inline constexpr IntSetting Column2{"WinPositon", "column2", 62};                 ///< Number of images
inline constexpr IntSetting Column3{"WinPositon", "column3", 65};                 ///< Template
inline constexpr IntSetting Column4{"WinPositon", "column4", 150};                ///< Location
}  // namespace setting

/// One entry of the table of every setting: exactly one of the two is set.
struct SettingEntry {
    const IntSetting* integer = nullptr;
    const TextSetting* text = nullptr;
    std::string_view section() const { return integer ? integer->section : text->section; }
    std::string_view key() const { return integer ? integer->key : text->key; }
};

/// Every setting above, in the order of this file.
std::span<const SettingEntry> settingTable();
/// The setting of section and key, letter case ignored (it is stored as the
/// table spells it); nullptr when there is none.
const SettingEntry* findSetting(std::string_view section, std::string_view key);

/// Typed access to the profile.
class Settings {
public:
    Settings(platform::Profile& profile, std::string programFolder)
        : profile_(profile), programFolder_(std::move(programFolder)) {}

    int get(const IntSetting& s) const { return profile_.readInt(s.section, s.key, s.defaultValue); }
    std::string get(const TextSetting& s) const { return profile_.readText(s.section, s.key, s.defaultValue); }
    /// Whether a value is stored for s (its default is then not used).
    bool stored(const TextSetting& s) const;
    bool stored(const IntSetting& s) const;
    bool set(const IntSetting& s, int value) { return profile_.writeInt(s.section, s.key, value); }
    bool set(const TextSetting& s, std::string_view value) { return profile_.writeText(s.section, s.key, value); }

    /// SaveFolder, defaulting to program folder + "/Image Library".
    std::string saveFolder() const;
    std::string defaultSaveFolder() const;
    const std::string& programFolder() const { return programFolder_; }
    platform::Profile& profile() { return profile_; }

private:
    platform::Profile& profile_;
    std::string programFolder_;
};

}  // namespace lumbrel::app
