#pragma once

#include <QObject>
#include <QPointer>

#include "app/HealthReportWindow.h"
#include "app/WindowContext.h"

class QAbstractItemModel;
class QTimer;

// The main window's password health report: one report window at a time, rated again a moment
// after the records change, closed when the workspace locks (it names records).
class THealthCommands : public QObject {
    Q_OBJECT
public:
    // model is the view's model: its changes are the vault's.
    THealthCommands(IWindowContext& context, QAbstractItemModel& model);

    // Opens the report, or brings the open one forward.
    void ShowReport();
    void CloseReport();
    TfrmHealthReport* Report() const { return FReport; }

private:
    void SelectRecord(const TGuid& guid);

    IWindowContext& FContext;
    QPointer<TfrmHealthReport> FReport;
    QTimer* FRefreshLater;
};
