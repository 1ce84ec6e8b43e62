#pragma once
// Small helpers for drawing the presentation model into widgets: each sets
// a widget only when it shows something else, and without sending the
// widget's change signals, so a redraw never reaches back into the core.

#include <QAbstractButton>
#include <QButtonGroup>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QSignalBlocker>
#include <QSpinBox>

#include <string>

namespace kestrelon::draw {

inline void Checked(QAbstractButton* b, bool on) {
    if (b->isChecked() == on) return;
    const QSignalBlocker block(b);
    // A radio button of an exclusive group cannot be unchecked on its own;
    // the model may show both twins unchecked (their design-time state).
    QButtonGroup* g = b->group();
    const bool exclusive = g && g->exclusive();
    const bool autoExclusive = b->autoExclusive();
    if (!on) {
        if (exclusive) g->setExclusive(false);
        b->setAutoExclusive(false);
    }
    b->setChecked(on);
    if (!on) {
        b->setAutoExclusive(autoExclusive);
        if (exclusive) g->setExclusive(true);
    }
}

inline void Text(QLineEdit* e, const std::string& text) {
    const QString t = QString::fromStdString(text);
    if (e->text() == t) return;
    const QSignalBlocker block(e);
    e->setText(t);
}

inline void Text(QLabel* l, const std::string& text) {
    const QString t = QString::fromStdString(text);
    if (l->text() != t) l->setText(t);
}

// The most characters a box takes; 0 sets no limit. Shortening the limit
// cuts the text the box shows, but the model keeps its own.
inline void MaxLength(QLineEdit* e, int n) {
    if (n <= 0) n = 32767;
    if (e->maxLength() == n) return;
    const QSignalBlocker block(e);
    e->setMaxLength(n);
}

inline void Value(QSpinBox* s, int v) {
    if (s->value() == v) return;
    const QSignalBlocker block(s);
    s->setValue(v);
}

inline void Index(QComboBox* c, int i) {
    if (i < -1 || i >= c->count()) i = -1;   // an index beyond the list selects nothing
    if (c->currentIndex() == i) return;
    const QSignalBlocker block(c);
    c->setCurrentIndex(i);
}

inline void Visible(QWidget* w, bool on) {
    if (w->isHidden() == on) w->setVisible(on);
}

inline void Enabled(QWidget* w, bool on) {
    if (w->testAttribute(Qt::WA_ForceDisabled) == on) w->setEnabled(on);
}

} // namespace kestrelon::draw
