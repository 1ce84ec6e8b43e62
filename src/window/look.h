#pragma once
// The look of the tool: Qt's Fusion style in quiet colours, one font for
// Latin and Chinese text sized to the form's fixed positions, and group
// boxes whose captions sit on their frame line.

class QApplication;

namespace kestrelon {

void ApplyToolLook(QApplication& app);

} // namespace kestrelon
