#pragma once
// The maintenance commands' passes over the web site, done by the program's
// page writer.

#include "maintenance/maintenance_context.h"
#include "web/library_page_writer.h"

namespace lumbrel::maintenance {

class PageWriterSite : public SiteMaintenance {
public:
    explicit PageWriterSite(web::LibraryPageWriter& writer) : writer_(writer) {}
    bool removePass(const std::vector<std::string>& keys) override { return writer_.removePass(keys); }
    bool addPass(const std::vector<std::string>& keys) override { return writer_.addPass(keys); }
    bool retitlePass(const std::vector<std::string>& keys) override { return writer_.retitle(keys); }
    bool writeNewSite() override { return writer_.writeNewSite(); }

private:
    web::LibraryPageWriter& writer_;
};

}  // namespace lumbrel::maintenance
