#pragma once
// TForm2, the language dialog of the first start: three pictures to choose
// from and an OK button (Enter presses it); no cancel.

#include <QDialog>

#include <memory>

namespace Ui {
class TForm2;
}

namespace kestrelon {

class TForm2 : public QDialog {
    Q_OBJECT

public:
    // Carries the main window's title and sits in the middle of the screen.
    explicit TForm2(const QString& title, QWidget* parent = nullptr);
    ~TForm2() override;

    Ui::TForm2& ui() { return *ui_; }

    // Shows the dialog modally with `preselected` chosen; the item chosen
    // when it closes, however it was closed.
    int Ask(int preselected);

private:
    std::unique_ptr<Ui::TForm2> ui_;
};

} // namespace kestrelon
