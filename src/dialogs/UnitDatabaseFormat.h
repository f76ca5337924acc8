#pragma once

#include <QDialog>

#include "vault/VaultCredentials.h"

class QLabel;
class QPushButton;

// Database Format: the open vault's format, its key stretching (format 2), and the conversion
// to the other format with what it means. Accepted means "convert to Target()". Close is the
// default button, so that Enter never converts by accident; Escape closes.
class TfrmDatabaseFormat : public QDialog {
    Q_OBJECT
public:
    TfrmDatabaseFormat(TVaultFormat format, const TKdfParameters& kdf, QWidget* parent = nullptr);

    // The format a conversion would make: the other one.
    TVaultFormat Target() const { return FTarget; }

    QLabel* lblFormatIs;
    QLabel* lblFormat;
    QLabel* lblDetail;
    QLabel* lblConvert;
    QPushButton* btnConvert;
    QPushButton* btnClose;

private:
    void LayOut();

    TVaultFormat FTarget;
};
