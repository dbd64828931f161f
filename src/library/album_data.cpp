#include "library/album_data.h"

#include "platform/files.h"

namespace lumbrel::library {

std::string_view CAlbumData::key() const { return platform::lastComponent(folderPath); }

bool CAlbumData::sameFields(const CAlbumData& o) const {
    return printButton == o.printButton && attachmentSize == o.attachmentSize &&
           mailSoftware == o.mailSoftware && templateName == o.templateName && title == o.title &&
           folderPath == o.folderPath && indexPagePath == o.indexPagePath &&
           totalSize == o.totalSize && imageCount == o.imageCount &&
           shortcutFlag == o.shortcutFlag && versionTag == o.versionTag;
}

}  // namespace lumbrel::library
