#include "window/language_dialog.h"

#include "window/pictures.h"

#include "ui_language_dialog.h"

#include <QGuiApplication>
#include <QScreen>

namespace kestrelon {

TForm2::TForm2(const QString& title, QWidget* parent) : QDialog(parent), ui_(std::make_unique<Ui::TForm2>()) {
    pictures::Init();
    ui_->setupUi(this);
    setFixedSize(353, 182);
    setWindowTitle(title);
    setWindowIcon(pictures::Icon());
    ui_->img1->setPixmap(pictures::Language());
    const QList<QPixmap> langs = pictures::LanguageImages();
    ui_->cbbLang->setImages(langs);
    ui_->cbbLang->setIconSize(langs.front().size());
    connect(ui_->btnOK, &QPushButton::clicked, this, &QDialog::accept);
    if (const QScreen* screen = QGuiApplication::primaryScreen())
        move(screen->size().width() / 2 - width() / 2, screen->size().height() / 2 - height() / 2);
}

TForm2::~TForm2() = default;

int TForm2::Ask(int preselected) {
    ui_->cbbLang->setCurrentIndex(preselected);
    ui_->btnOK->setFocus();
    exec();
    return ui_->cbbLang->currentIndex();
}

} // namespace kestrelon
