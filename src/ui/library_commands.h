#pragma once
// The library maintenance commands as the list pages run them: on the
// program's document, with the window's questions, progress window and wait
// window. Each runs on a worker thread while the window keeps painting, with
// the busy flag raised, and returns when the command has ended.

#include <string>
#include <vector>

#include "app/settings.h"
#include "library/album_doc.h"
#include "maintenance/carry.h"
#include "maintenance/delete_libraries.h"
#include "maintenance/maintenance_context.h"
#include "maintenance/rebuild.h"

namespace lumbrel::ui {

class LibraryCommands {
public:
    explicit LibraryCommands(maintenance::MaintenanceContext context);

    library::CKDCardAlbumDoc& document() { return context_.doc; }
    app::Settings& settings() { return context_.settings; }
    /// The image library root (SaveFolder).
    std::string saveFolder() const { return context_.settings.saveFolder(); }

    maintenance::TitleResult changeTitle(const std::string& location, const std::string& title);
    maintenance::RebuildResult rebuildSelected(const std::vector<std::string>& locations);
    /// Every library of the index, each keeping its own template, with the
    /// mail and print options the settings hold now.
    maintenance::RebuildResult rebuildAll();
    maintenance::DeleteLibrariesResult deleteLibraries(const std::vector<std::string>& selected);
    maintenance::DeleteImagesResult deleteMarkedImages(const maintenance::DeleteImagesRequest& request);
    maintenance::CarryResult copyLibraries(const std::vector<std::string>& locations, const std::string& dest);
    maintenance::CarryResult moveLibraries(const std::vector<std::string>& locations, const std::string& dest);
    maintenance::MoveRootResult moveSaveFolder(const std::string& chosen);

private:
    template <class F>
    auto run(F&& command);

    maintenance::MaintenanceContext context_;
};

}  // namespace lumbrel::ui
