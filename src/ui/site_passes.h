#pragma once
// The site passes of the maintenance commands over the program's page writer:
// remove, add and new site as the writer runs them, the retitle pass by its
// own name.

#include <string>
#include <vector>

#include "maintenance/maintenance_context.h"
#include "web/library_page_writer.h"

namespace lumbrel::ui {

class SitePasses : public maintenance::SiteMaintenance {
public:
    explicit SitePasses(web::LibraryPageWriter& writer) : writer_(writer) {}
    bool removePass(const std::vector<std::string>& keys) override { return writer_.removePass(keys); }
    bool addPass(const std::vector<std::string>& keys) override { return writer_.addPass(keys); }
    bool writeNewSite() override { return writer_.writeNewSite(); }
    bool retitlePass(const std::vector<std::string>& keys) override { return writer_.retitle(keys); }

private:
    web::LibraryPageWriter& writer_;
};

}  // namespace lumbrel::ui
