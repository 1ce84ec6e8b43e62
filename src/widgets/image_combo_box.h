#pragma once
// TVAROImageComboBox: a drop-down list whose item texts have the form
// "caption|image index". Each item is drawn as the picture of that index
// from the box's image list, at the item's left edge 2 pixels down, followed
// 4 pixels after the picture by the caption, vertically centred.

#include <QComboBox>
#include <QList>
#include <QPixmap>

namespace kestrelon {

struct ImageComboItem {
    QString caption;
    int image = -1;   // -1: no picture
};
ImageComboItem ParseImageComboItem(const QString& text);

struct ImageComboItemPlacement {
    QPoint image;     // top left of the picture
    QRect caption;    // the caption's box (text vertically centred in it)
};
// Where the picture and the caption of one item go inside its rectangle.
ImageComboItemPlacement PlaceImageComboItem(const QRect& item, QSize image);

class TVAROImageComboBox : public QComboBox {
    Q_OBJECT

public:
    explicit TVAROImageComboBox(QWidget* parent = nullptr);

    void setImages(const QList<QPixmap>& images);
    const QList<QPixmap>& images() const { return images_; }
    // The picture of an item, or a null pixmap.
    QPixmap itemImage(int index) const;

    // Draws one item (also used by the drop-down list).
    void paintItem(QPainter& p, const QRect& r, int index, const QPalette& pal, bool selected) const;

protected:
    void paintEvent(QPaintEvent*) override;

private:
    QList<QPixmap> images_;
};

} // namespace kestrelon
