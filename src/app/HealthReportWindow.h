#pragma once

#include <QDialog>
#include <QString>
#include <atomic>
#include <memory>
#include <thread>

#include "health/HealthReport.h"

class QLabel;
class QProgressBar;
class QPushButton;
class QTableWidget;
class QTimer;
class TWindowVault;

// The password health report: a table of what is wrong with which record's password (weak,
// reused, old, breached), sortable, never a password. Rating a large vault takes a while
// (zxcvbn, the breach list): it runs on a thread of its own over a copy of the records, so
// the window never freezes, and a bar shows that it works when it takes longer than a moment.
// The report follows the vault: Refresh rates it again.
class TfrmHealthReport : public QDialog {
    Q_OBJECT
public:
    TfrmHealthReport(TWindowVault& vault, QWidget* parent);
    ~TfrmHealthReport() override;

    QLabel* lblSummary;
    QLabel* lblMaster;
    QTableWidget* gridFindings;
    QProgressBar* barWorking;
    QPushButton* btnClose;

    // Rates the vault as it is now; a rating under way is redone once it ends.
    void Refresh();
    // True while a rating runs.
    bool IsWorking() const { return FWorker.joinable() && !FFinished; }
    // Waits for the rating under way and shows it (tests).
    void WaitForRating();

signals:
    // A finding was double-clicked: the record of that Guid.
    void RecordChosen(const TGuid& guid);
    // A rating has been shown.
    void Rated();

private:
    struct TResult {
        THealthReport Report;
        QString Error;
    };

    void StartRating();
    void ShowResult(std::shared_ptr<TResult> result);
    void ShowFindings(const THealthReport& report);
    void ShowMasterRating();
    void JoinWorker();

    TWindowVault& FVault;
    std::thread FWorker;
    std::atomic<bool> FFinished{true};
    bool FRefreshPending = false;
    QTimer* FShowBar;
};
