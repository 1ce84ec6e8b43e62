#pragma once
// The hidden engineering pages (spgcntrl1): every operand edit bound both
// ways to the presentation model's `engineering` edits, every button to the
// command set's handler of its name, the SETTING page to the settings file
// and the run, and the Device page's MOUSE / KEYBOARD choice to `devices`.

#include "model/observed.h"

#include <QString>

#include <functional>
#include <utility>
#include <vector>

class QLineEdit;
class QSpinBox;

namespace kestrelon {

class HexEdit;
class Station;
class TForm1;

class EngineeringBinding {
public:
    EngineeringBinding(TForm1& form, Station& station);
    ~EngineeringBinding();
    EngineeringBinding(const EngineeringBinding&) = delete;
    EngineeringBinding& operator=(const EngineeringBinding&) = delete;

    void Bind();

private:
    void draw();
    void drawDeviceType();
    void onClick(const QString& button, std::function<void()> handler);

    TForm1& form_;
    Station& st_;
    std::vector<std::pair<QLineEdit*, HexEdit*>> edits_;
    QSpinBox* cpi_ = nullptr;
    Notifier::Connection engListener_, devListener_;
};

} // namespace kestrelon
