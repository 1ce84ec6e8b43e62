#pragma once
// TImagePanel: a picture that tells when it is double-clicked. With
// AutoSize on it takes the size of the picture it is given.

#include <QLabel>

namespace kestrelon {

class TImagePanel : public QLabel {
    Q_OBJECT
    Q_PROPERTY(bool AutoSize READ AutoSize WRITE setAutoSize)

public:
    explicit TImagePanel(QWidget* parent = nullptr);

    bool AutoSize() const { return autoSize_; }
    void setAutoSize(bool on) { autoSize_ = on; }
    void setPicture(const QPixmap& pm);

signals:
    void doubleClicked();

protected:
    void mouseDoubleClickEvent(QMouseEvent* e) override;

private:
    bool autoSize_ = false;
};

} // namespace kestrelon
