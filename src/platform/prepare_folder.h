#pragma once
// Folders that pages are written into: made ready without losing what stands
// in their way.

#include <string>

namespace lumbrel::platform {

/// Makes path usable as a folder: creates it when missing, uses an existing
/// folder, and moves anything else of that name aside to path + ".000" ..
/// ".999" (the first free name) before creating the folder. False when all
/// 1000 names are taken or a step fails.
bool prepareFolder(const std::string& path);

}  // namespace lumbrel::platform
