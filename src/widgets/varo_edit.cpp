#include "widgets/varo_edit.h"

#include <QKeyEvent>
#include <QValidator>

#include <cctype>

namespace kestrelon {

namespace {

// Turns whatever is typed or pasted into upper case.
class UpperCaseValidator : public QValidator {
public:
    using QValidator::QValidator;
    State validate(QString& input, int&) const override {
        input = input.toUpper();
        return Acceptable;
    }
};

} // namespace

TVAROEdit::TVAROEdit(QWidget* parent) : QLineEdit(parent) {}

void TVAROEdit::setAlignment(TAlignment a) {
    alignment_ = a;
    Qt::Alignment h = a == taRightJustify ? Qt::AlignRight : a == taCenter ? Qt::AlignHCenter : Qt::AlignLeft;
    QLineEdit::setAlignment(h | Qt::AlignVCenter);
}

void TVAROEdit::setUpperCase(bool on) {
    if (on == upperCase_) return;
    upperCase_ = on;
    if (on) {
        setValidator(new UpperCaseValidator(this));
        if (text() != text().toUpper()) setText(text().toUpper());
    } else {
        const QValidator* v = validator();
        setValidator(nullptr);
        delete v;
    }
}

THexEdit::THexEdit(QWidget* parent) : TVAROEdit(parent) {}

bool THexEdit::acceptsTyped(QChar c) {
    if (c.unicode() < 0x20 || c.unicode() == 0x7F) return true;   // backspace and other control characters
    return QStringLiteral("0123456789abcdefABCDEF").contains(c);
}

void THexEdit::keyPressEvent(QKeyEvent* e) {
    const QString t = e->text();
    if (filter_ && t.size() == 1 && !acceptsTyped(t.front())) {
        e->accept();   // swallowed
        return;
    }
    TVAROEdit::keyPressEvent(e);
}

long long THexEdit::hexValue(bool* ok) const { return HexTextValue(text(), ok); }

void THexEdit::setHexValue(long long n) { setText(HexValueText(n)); }

long long HexTextValue(const QString& text, bool* ok) {
    if (ok) *ok = true;
    if (text.isEmpty()) return 0;
    bool good = false;
    const long long v = text.toLongLong(&good, 16);
    // toLongLong also takes a sign, blanks and "0x"; a hex box holds digits only.
    for (QChar c : text)
        if (c.unicode() > 0x7F || !std::isxdigit(c.unicode())) good = false;
    if (!good) {
        if (ok) *ok = false;
        return 0;
    }
    return v;
}

QString HexValueText(long long n) { return n <= 0 ? QString() : QString::number(n, 16).toUpper(); }

} // namespace kestrelon
