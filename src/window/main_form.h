#pragma once
// TForm1, the main window: every control of the form under its own name
// (objectName), laid out in main_form.ui. The window draws and reports; what
// the controls mean is decided by whoever binds them (signals below).

#include "model/presentation.h"   // ConnectPicture: exactly one of the three pictures shows

#include <QWidget>

#include <functional>
#include <memory>

class QMovie;

namespace Ui {
class TForm1;
}

namespace kestrelon {

// The result label's looks.
enum class ResultLook { None, Lime, Blue, Red };

class TForm1 : public QWidget {
    Q_OBJECT

public:
    static constexpr int BaseWidth = 900;

    explicit TForm1(QWidget* parent = nullptr);
    ~TForm1() override;

    // The controls, each under its form name (ui().btnGo, ...).
    Ui::TForm1& ui() { return *ui_; }
    // A control by its name; with Qt::CaseInsensitive as the window's
    // component lookup does ("FnF7" finds Fnf7). nullptr when there is none.
    QWidget* control(const QString& name, Qt::CaseSensitivity cs = Qt::CaseSensitive) const;

    // Base of the window-height rule; the numbering panel sets it to the
    // heights of gbRX and gbTX plus 550.
    int BaseHeight = 740;
    // The layout rule: width 900, height BaseHeight + gbFnKey - gb1 - gbRX -
    // gbTX, and gbFnKey, gbGo and pbSetTX stacked from the bottom edge.
    void FormResize();
    // What the start-up does to the form's looks: the result label emptied
    // and Image1 hidden, the number boxes and date labels emptied, the
    // numbering panel and its number boxes hidden, the connect pictures on
    // one spot, the window sized, centred on the screen and laid out.
    void ApplyStartUpLook();
    // Centres the window on the primary screen.
    void CentreOnScreen();

    // The customer logo from a picture file: shown (hiding the built-in logo)
    // when it is at most 400 x 60, loaded but hidden when larger. A file that
    // cannot be read leaves the built-in logo; *problem then says why.
    bool ShowCustomerLogo(const QString& path, QString* problem = nullptr);

    // The picture of the connect panel: exactly one of the three shows.
    void showConnectPicture(ConnectPicture p);
    QMovie* pairingMovie() const { return movie_; }
    void setResultLook(ResultLook look);

    // Decides whether a close request closes the window (FormCloseQuery).
    // Without one the window closes.
    std::function<bool()> closeQuery;

signals:
    // Page Down was pressed while btnGo is enabled, whichever control of the
    // window had the focus. The key reaches no control.
    void goHotKey();
    // A double-click on the logo that shows (imgLogo or imgCust).
    void logoDoubleClicked();
    // The operator picked a language in cbbLang (not sent when code sets it).
    void languagePicked(int index);
    // The window became the active one (FormActivate).
    void formActivated();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    bool event(QEvent* e) override;
    void closeEvent(QCloseEvent* e) override;
    void resizeEvent(QResizeEvent* e) override;

private:
    void fillLists();
    void setPictures();

    std::unique_ptr<Ui::TForm1> ui_;
    QMovie* movie_ = nullptr;
};

} // namespace kestrelon
