#include "window/password.h"

#include <QCryptographicHash>
#include <QGuiApplication>
#include <QInputDialog>
#include <QScreen>

namespace kestrelon {

namespace {

// SHA-256 over the salt followed by the password in UTF-8.
constexpr char kSalt[] = "49200682B1A0BB89A04369903088CB69";
constexpr char kDigest[] = "11a892f1f548afefb69d68d923dbd3f87ae5b5393602513b801ad9800c11df7c";

} // namespace

bool PasswordAccepted(const QString& typed) {
    QCryptographicHash h(QCryptographicHash::Sha256);
    h.addData(QByteArray::fromHex(kSalt));
    h.addData(typed.toUtf8());
    return h.result().toHex() == QByteArrayView(kDigest);
}

std::unique_ptr<QInputDialog> MakePasswordDialog(QWidget* parent) {
    auto d = std::make_unique<QInputDialog>(parent);
    d->setWindowTitle(QStringLiteral("Setting"));
    d->setLabelText(QStringLiteral("PASSWORD:"));
    // Typed characters show as '*'. The edit takes its echo character when
    // it is made, from the style sheets in force then: with an application
    // style sheet, a sheet set on the dialog afterwards would not reach it.
    d->setStyleSheet(QStringLiteral("QLineEdit { lineedit-password-character: 42; }"));
    d->setInputMode(QInputDialog::TextInput);
    d->setTextEchoMode(QLineEdit::Password);
    d->adjustSize();
    if (const QScreen* screen = QGuiApplication::primaryScreen()) {
        const QSize s = screen->size();
        d->move(s.width() / 2 - d->width() / 2, s.height() / 2 - d->height() / 2);
    }
    return d;
}

std::optional<QString> AskPassword(QWidget* parent) {
    const auto d = MakePasswordDialog(parent);
    if (d->exec() != QDialog::Accepted) return std::nullopt;
    return d->textValue();
}

} // namespace kestrelon
