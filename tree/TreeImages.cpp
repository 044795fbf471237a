#include "tree/TreeImages.h"

#include <QPainter>
#include <QPainterPath>

namespace {

enum class Mark { None, Page, Copy, Cut };

QPixmap drawFolder(bool open, Mark mark) {
    QPixmap pixmap(16, 16);
    pixmap.fill(Qt::transparent);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing, false);
    const QColor outline(128, 96, 16);
    const QColor back(232, 184, 48);
    const QColor front(252, 220, 100);

    // Back of the folder with its tab.
    p.setPen(outline);
    p.setBrush(back);
    p.drawPolygon(QPolygon({QPoint(1, 3), QPoint(6, 3), QPoint(7, 5), QPoint(14, 5), QPoint(14, 13), QPoint(1, 13)}));
    if (mark == Mark::Page) {
        p.setBrush(Qt::white);
        p.setPen(QColor(110, 110, 110));
        p.drawRect(4, 1, 7, 9);
        p.drawLine(6, 4, 9, 4);
        p.drawLine(6, 6, 9, 6);
    }
    // Front flap: flat when closed, tilted when open.
    p.setPen(outline);
    p.setBrush(front);
    if (open)
        p.drawPolygon(QPolygon({QPoint(3, 8), QPoint(15, 8), QPoint(13, 13), QPoint(1, 13)}));
    else
        p.drawRect(1, 7, 13, 6);

    if (mark == Mark::Copy) {
        // A second sheet behind a plus: "a copy goes here".
        p.setPen(QPen(QColor(20, 70, 200), 2));
        p.drawLine(11, 8, 11, 14);
        p.drawLine(8, 11, 14, 11);
    } else if (mark == Mark::Cut) {
        // Scissors: two blades crossing over two rings.
        p.setPen(QPen(QColor(200, 20, 20), 1));
        p.setBrush(Qt::NoBrush);
        p.drawLine(8, 6, 14, 12);
        p.drawLine(14, 6, 8, 12);
        p.drawEllipse(6, 11, 3, 3);
        p.drawEllipse(12, 11, 3, 3);
    }
    return pixmap;
}

}  // namespace

TreeImages::TreeImages()
    : images_{drawFolder(false, Mark::None), drawFolder(false, Mark::Page), drawFolder(true, Mark::None),
              drawFolder(true, Mark::Page),  drawFolder(false, Mark::Copy), drawFolder(true, Mark::Copy),
              drawFolder(false, Mark::Cut),  drawFolder(true, Mark::Cut)} {}

QIcon TreeImages::icon(int image, int selectedImage) const {
    QIcon icon;
    icon.addPixmap(this->image(image), QIcon::Normal);
    icon.addPixmap(this->image(selectedImage), QIcon::Selected);
    return icon;
}

std::pair<int, int> TreeImages::imagesOf(DocumentTreeModel::Mark mark) {
    switch (mark) {
        case DocumentTreeModel::Mark::Copy: return {4, 5};
        case DocumentTreeModel::Mark::Cut: return {6, 7};
        case DocumentTreeModel::Mark::None: break;
    }
    return {0, 2};
}

void TreeImages::giveTo(DocumentTreeModel& rows) const {
    const auto iconFor = [this](DocumentTreeModel::Mark mark) {
        const auto [image, selected] = imagesOf(mark);
        return icon(image, selected);
    };
    rows.setIcons(iconFor(DocumentTreeModel::Mark::None), iconFor(DocumentTreeModel::Mark::Copy),
                  iconFor(DocumentTreeModel::Mark::Cut));
}
