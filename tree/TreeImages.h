// The eight 16 x 16 images of the tree view: 0 folder, 1 folder with a page,
// 2 open folder, 3 open folder with a page, 4/5 folder and open folder marked
// for copy, 6/7 the same marked for cut. Drawn in code so they scale cleanly
// and need no files.
#pragma once

#include <QIcon>
#include <QPixmap>
#include <utility>
#include <vector>

#include "document/DocumentTreeModel.h"

class TreeImages {
public:
    TreeImages();

    const QPixmap& image(int index) const { return images_.at(static_cast<std::size_t>(index)); }
    int count() const { return static_cast<int>(images_.size()); }
    // An icon showing `image` normally and `selectedImage` when selected.
    QIcon icon(int image, int selectedImage) const;

    // The image and selected image of a row: 0/2, 4/5 marked for copy, 6/7
    // marked for cut.
    static std::pair<int, int> imagesOf(DocumentTreeModel::Mark mark);
    // Gives the rows their images, by their marks.
    void giveTo(DocumentTreeModel& rows) const;

private:
    std::vector<QPixmap> images_;
};
