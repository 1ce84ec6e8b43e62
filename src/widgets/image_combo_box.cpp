#include "widgets/image_combo_box.h"

#include <QAbstractItemView>
#include <QPainter>
#include <QStyledItemDelegate>
#include <QStylePainter>

namespace kestrelon {

ImageComboItem ParseImageComboItem(const QString& text) {
    const qsizetype bar = text.lastIndexOf(QLatin1Char('|'));
    if (bar < 0) return {text, -1};
    bool ok = false;
    const int image = text.mid(bar + 1).trimmed().toInt(&ok);
    return {text.left(bar), ok && image >= 0 ? image : -1};
}

ImageComboItemPlacement PlaceImageComboItem(const QRect& item, QSize image) {
    ImageComboItemPlacement p;
    p.image = QPoint(item.left(), item.top() + 2);
    const int textLeft = image.isEmpty() ? item.left() + 2 : item.left() + image.width() + 4;
    p.caption = QRect(textLeft, item.top(), std::max(0, item.right() + 1 - textLeft), item.height());
    return p;
}

namespace {

class ItemDelegate : public QStyledItemDelegate {
public:
    explicit ItemDelegate(TVAROImageComboBox* box) : QStyledItemDelegate(box), box_(box) {}
    void paint(QPainter* p, const QStyleOptionViewItem& opt, const QModelIndex& index) const override {
        const bool selected = opt.state & QStyle::State_Selected;
        if (selected) p->fillRect(opt.rect, opt.palette.highlight());
        box_->paintItem(*p, opt.rect, index.row(), opt.palette, selected);
    }
    QSize sizeHint(const QStyleOptionViewItem& opt, const QModelIndex& index) const override {
        QSize s = QStyledItemDelegate::sizeHint(opt, index);
        const QPixmap pm = box_->itemImage(index.row());
        return {s.width(), std::max(s.height(), pm.isNull() ? 0 : pm.height() + 4)};
    }

private:
    TVAROImageComboBox* box_;
};

} // namespace

TVAROImageComboBox::TVAROImageComboBox(QWidget* parent) : QComboBox(parent) {
    setItemDelegate(new ItemDelegate(this));
}

void TVAROImageComboBox::setImages(const QList<QPixmap>& images) {
    images_ = images;
    update();
}

QPixmap TVAROImageComboBox::itemImage(int index) const {
    if (index < 0 || index >= count()) return {};
    const int image = ParseImageComboItem(itemText(index)).image;
    return image >= 0 && image < images_.size() ? images_[image] : QPixmap();
}

void TVAROImageComboBox::paintItem(QPainter& p, const QRect& r, int index, const QPalette& pal, bool selected) const {
    if (index < 0 || index >= count()) return;
    const ImageComboItem item = ParseImageComboItem(itemText(index));
    const QPixmap pm = itemImage(index);
    const ImageComboItemPlacement place = PlaceImageComboItem(r, pm.isNull() ? QSize() : pm.deviceIndependentSize().toSize());
    if (!pm.isNull()) p.drawPixmap(place.image, pm);
    if (!item.caption.isEmpty()) {
        p.setPen(selected ? pal.color(QPalette::HighlightedText) : pal.color(QPalette::Text));
        p.drawText(place.caption, Qt::AlignLeft | Qt::AlignVCenter, item.caption);
    }
}

void TVAROImageComboBox::paintEvent(QPaintEvent*) {
    QStylePainter sp(this);
    QStyleOptionComboBox opt;
    initStyleOption(&opt);
    opt.currentText.clear();
    opt.currentIcon = QIcon();
    sp.drawComplexControl(QStyle::CC_ComboBox, opt);
    const QRect field = style()->subControlRect(QStyle::CC_ComboBox, &opt, QStyle::SC_ComboBoxEditField, this);
    paintItem(sp, field, currentIndex(), palette(), false);
}

} // namespace kestrelon
