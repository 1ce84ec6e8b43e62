#pragma once
// TVAROEdit: a single-line edit with a text alignment property and an
// optional upper-case conversion of what is typed or pasted.
// THexEdit: a TVAROEdit for hexadecimal numbers. While its filter is on it
// accepts typed characters only from "0123456789abcdefABCDEF" (control
// characters such as backspace pass); pasted text is not filtered.

#include <QLineEdit>

namespace kestrelon {

class TVAROEdit : public QLineEdit {
    Q_OBJECT
    Q_PROPERTY(TAlignment Alignment READ Alignment WRITE setAlignment)
    Q_PROPERTY(bool UpperCase READ UpperCase WRITE setUpperCase)

public:
    enum TAlignment { taLeftJustify, taRightJustify, taCenter };
    Q_ENUM(TAlignment)

    explicit TVAROEdit(QWidget* parent = nullptr);

    TAlignment Alignment() const { return alignment_; }
    using QLineEdit::setAlignment;
    void setAlignment(TAlignment a);
    bool UpperCase() const { return upperCase_; }
    void setUpperCase(bool on);

private:
    TAlignment alignment_ = taLeftJustify;
    bool upperCase_ = false;
};

class THexEdit : public TVAROEdit {
    Q_OBJECT
    Q_PROPERTY(bool Filter READ Filter WRITE setFilter)

public:
    explicit THexEdit(QWidget* parent = nullptr);

    bool Filter() const { return filter_; }
    void setFilter(bool on) { filter_ = on; }

    // The text read as a hexadecimal number; an empty text reads as 0. Text
    // that is not a hexadecimal number reads as 0 with *ok false.
    long long hexValue(bool* ok = nullptr) const;
    // Shows n in upper-case hexadecimal without leading zeros; 0 or less
    // empties the box.
    void setHexValue(long long n);

    // Whether the filter lets a typed character through.
    static bool acceptsTyped(QChar c);

protected:
    void keyPressEvent(QKeyEvent* e) override;

private:
    bool filter_ = true;
};

// The two rules of a hexadecimal box, for callers that hold only the text.
long long HexTextValue(const QString& text, bool* ok = nullptr);
QString HexValueText(long long n);

} // namespace kestrelon
