#pragma once

#include <QDialog>
#include <QIcon>

#include "design/design.h"

namespace kl::qt {

// Window designs are measured in twips; Qt scales device-independent
// pixels for high-DPI screens.
constexpr int twips(int value)
{
    return value / design::kTwipsPerPixel;
}

// What uic does not set from the design: the window's place, the controls'
// own fonts and the lines' colours, as the system's palette gives them.
void applyDesign(QWidget &window, const design::Window &form);

// The base of the dialog windows. A modal showing returns when the window
// hides; the title-bar close box goes to closeBox(), which each window hands
// to its handlers.
//
// Unlike a plain QDialog, Enter and Esc do nothing window-wide unless a
// window marks a default and cancel button with setDialogKeys(true).
class Dialog : public QDialog
{
    Q_OBJECT

public:
    explicit Dialog(QWidget *parent = nullptr, Qt::WindowFlags flags = Qt::Dialog);

protected:
    // Fixes the window at the size its design gives, in pixels.
    void fixClientSize(int width, int height);
    void setDialogKeys(bool enabled) { m_dialogKeys = enabled; }
    virtual void closeBox() = 0;

    void keyPressEvent(QKeyEvent *event) override;
    void closeEvent(QCloseEvent *event) override;

private:
    bool m_dialogKeys = false;
};

// Builds a window's design into it and hands the design back, so that the
// adapters over its controls can be made in the window's initialiser list.
template <typename Design, typename Window>
Design &setUp(Design &ui, Window *window)
{
    ui.setupUi(window);
    return ui;
}

// The program's 32 x 32 icon, borne by every window but the recovery dialog.
QIcon programIcon();

// Prefers a Japanese face for the whole interface where the platform's
// default font lacks one, so that kanji take their Japanese forms.
void preferJapaneseFont();

// Title-bar hints for a fixed window with a close box and no minimise or
// maximise button.
Qt::WindowFlags fixedWindowFlags(Qt::WindowFlags type);

} // namespace kl::qt
