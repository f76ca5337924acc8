#pragma once

#include <QDialog>

class QLineEdit;
class QPushButton;

// The main window's modeless find window: a find text, a Find button and Close. Each press of
// Find asks the window for the next match; the window stays open beside the main window.
class TFindDialog : public QDialog {
    Q_OBJECT
public:
    explicit TFindDialog(QWidget* parent = nullptr);

    QLineEdit* edtFindText;
    QPushButton* btnFind;
    QPushButton* btnClose;

    QString FindText() const;
    void ApplyCaptions(const QString& caption, const QString& findCaption,
                       const QString& closeCaption);

signals:
    void Find(const QString& text);
};
