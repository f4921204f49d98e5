#pragma once

#include <QDialog>
#include <QIcon>

namespace kl {

class Runtime;

// Window designs are measured in twips; 15 twips are one pixel at 96 dpi, and
// Qt scales device-independent pixels for high-DPI screens.
constexpr int twips(int value)
{
    return value / 15;
}

// The base of the dialog windows. It gives them the life cycle the windows
// are written for: created on first touch, Hide keeps every control's
// contents, Unload and the title-bar close box destroy the window, and a
// modal Show returns when the window hides or is destroyed.
//
// Unlike a plain QDialog, Enter and Esc do nothing window-wide unless a
// window marks a default and cancel button with setDialogKeys(true).
class Form : public QDialog
{
    Q_OBJECT

public:
    explicit Form(QWidget *parent = nullptr, Qt::WindowFlags flags = Qt::Dialog);

    // Shows the window modally and waits until it hides or is destroyed.
    // Pending settings writes are committed first.
    void showModal(Runtime &runtime);
    // Destroys the window; the next touch creates a new one.
    void unload();
    bool isUnloaded() const { return m_unloaded; }

protected:
    // Fixes the window at the size its design gives, in pixels.
    void fixClientSize(int width, int height);
    void setDialogKeys(bool enabled) { m_dialogKeys = enabled; }

    void keyPressEvent(QKeyEvent *event) override;
    void closeEvent(QCloseEvent *event) override;

private:
    bool m_dialogKeys = false;
    bool m_unloaded = false;
};

// The program's 32 x 32 icon, borne by every window but the recovery dialog.
QIcon programIcon();

// Prefers a Japanese face for the whole interface where the platform's
// default font lacks one, so that kanji take their Japanese forms.
void preferJapaneseFont();

// Title-bar hints for a fixed window with a close box and no minimise or
// maximise button.
Qt::WindowFlags fixedWindowFlags(Qt::WindowFlags type);

} // namespace kl
