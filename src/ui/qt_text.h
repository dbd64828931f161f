#pragma once
// The core's texts (UTF-8) as the window shows them.

#include <QString>

#include <string_view>

namespace lumbrel::ui {

inline QString qt(std::string_view text) { return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size())); }

}  // namespace lumbrel::ui
