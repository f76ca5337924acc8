#pragma once

#include <QDialog>

class QPushButton;

// The frame all of the program's dialogs share: a fixed client area with only the close box,
// no default button and no Escape shortcut, so that neither Enter in an edit nor Escape ends
// the dialog by accident. Enter (like Space) presses the button that has the focus.
class TFixedDialog : public QDialog {
    Q_OBJECT
public:
    TFixedDialog(QWidget* parent, int clientWidth, int clientHeight);

    void setVisible(bool visible) override;

protected:
    void keyPressEvent(QKeyEvent* event) override;
    // Comes up centred on the screen rather than over the window that owns it.
    void CentreOnScreen() { FCentreOnScreen = true; }

    // A push button that never becomes the default button.
    QPushButton* MakeButton(const QString& caption);

private:
    bool FCentreOnScreen = false;
};
