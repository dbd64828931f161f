#pragma once
// The preview box of the library list pages: one picture of the selected
// library, scaled to fit the box and centred in it, or nothing. A picture
// given as a shortcut file is shown by its target. On the Delete page a mark
// laid over the top-left corner tells that the picture is marked for deletion.

#include <QImage>
#include <QWidget>

#include <optional>
#include <string>

class QLabel;

namespace lumbrel::ui {

/// The file to show for a preview entry: a path ending in "LNK" or "lnk"
/// (exactly these two spellings) is a shortcut and gives its target, nullopt
/// when it cannot be resolved; any other path is the file itself.
std::optional<std::string> previewTarget(const std::string& path);

class PreviewBox : public QWidget {
    Q_OBJECT
public:
    explicit PreviewBox(QWidget* parent = nullptr);

    /// Shows the picture of entry (through its shortcut when it is one); a
    /// shortcut that cannot be resolved or a file that cannot be read clears
    /// the box. True when a picture shows.
    bool showEntry(const std::string& entry);
    /// Shows nothing.
    void clear();
    bool hasPicture() const { return !picture_.isNull(); }
    /// The file whose picture shows; empty when none does.
    const std::string& shownFile() const { return shownFile_; }

    /// The mark of a picture marked for deletion.
    void setMarkVisible(bool visible);
    bool markVisible() const;

    QSize sizeHint() const override { return {176, 132}; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QImage picture_;
    std::string shownFile_;
    QLabel* mark_;
};

/// The JPEG picture at path, decoded at about the size needed for a box of
/// longerSide pixels; a null image when it cannot be read.
QImage loadPicture(const std::string& path, int longerSide);

}  // namespace lumbrel::ui
