#include "widgets/image_panel.h"

#include <QMouseEvent>

namespace kestrelon {

TImagePanel::TImagePanel(QWidget* parent) : QLabel(parent) {}

void TImagePanel::setPicture(const QPixmap& pm) {
    setPixmap(pm);
    if (autoSize_ && !pm.isNull()) resize(pm.deviceIndependentSize().toSize());
}

void TImagePanel::mouseDoubleClickEvent(QMouseEvent* e) {
    if (e->button() == Qt::LeftButton) emit doubleClicked();
    QLabel::mouseDoubleClickEvent(e);
}

} // namespace kestrelon
