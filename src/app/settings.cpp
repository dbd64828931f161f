#include "app/settings.h"

#include "platform/files.h"
#include "platform/utf8.h"

namespace lumbrel::app {
namespace {

using namespace setting;
constexpr SettingEntry kTable[] = {
    {nullptr, &SaveFolder},     {nullptr, &DllPath},      {nullptr, &TemplateType}, {&TemplateTypeNo, nullptr},
    {nullptr, &TemplateBackCol}, {&TemplateBackNo, nullptr}, {&PrintButton, nullptr}, {&TempSize, nullptr},
    {nullptr, &MailName},       {&InputTitle, nullptr},   {&ShowLibrary, nullptr},  {&UsbSerial, nullptr},
    {&AutoTakeIn, nullptr},     {&ShowDialog, nullptr},   {&CopyImage, nullptr},    {&ImageRotation, nullptr},
    {&Classitication, nullptr}, {nullptr, &BaudRate},     {nullptr, &CommPort},     {nullptr, &SCameraDir},
    {&TransMode, nullptr},      {&WinLeft, nullptr},      {&WinTop, nullptr},       {&WinWidth, nullptr},
    {&WinHeight, nullptr},      {&Column0, nullptr},      {&Column1, nullptr},      {&Column2, nullptr},
    {&Column3, nullptr},        {&Column4, nullptr},
};

}  // namespace

std::span<const SettingEntry> settingTable() { return kTable; }

const SettingEntry* findSetting(std::string_view section, std::string_view key) {
    for (const SettingEntry& entry : kTable)
        if (platform::equalNoCase(entry.section(), section) && platform::equalNoCase(entry.key(), key)) return &entry;
    return nullptr;
}

namespace {
// A value no one stores, which tells a missing key from any stored one.
constexpr std::string_view kMissing = "\x01missing";
}  // namespace

bool Settings::stored(const TextSetting& s) const { return profile_.readText(s.section, s.key, kMissing) != kMissing; }
bool Settings::stored(const IntSetting& s) const { return profile_.readText(s.section, s.key, kMissing) != kMissing; }

std::string Settings::defaultSaveFolder() const { return platform::joinPath(programFolder_, "Image Library"); }

std::string Settings::saveFolder() const {
    return profile_.readText(setting::SaveFolder.section, setting::SaveFolder.key, defaultSaveFolder());
}

}  // namespace lumbrel::app
