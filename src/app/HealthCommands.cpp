#include "app/HealthCommands.h"

#include <QAbstractItemModel>
#include <QTimer>

#include "app/HealthReportWindow.h"
#include "app/PassTree.h"
#include "app/WindowVault.h"

namespace {

// Changes come in bursts (an import, a reload): the report waits for them to settle.
constexpr int kRefreshDelayMs = 500;

}  // namespace

THealthCommands::THealthCommands(IWindowContext& context, QAbstractItemModel& model)
    : FContext(context), FRefreshLater(new QTimer(this)) {
    FRefreshLater->setSingleShot(true);
    connect(FRefreshLater, &QTimer::timeout, this, [this] {
        if (FReport) {
            FReport->Refresh();
        }
    });
    const auto later = [this] {
        if (FReport) {
            FRefreshLater->start(kRefreshDelayMs);
        }
    };
    connect(&model, &QAbstractItemModel::modelReset, this, later);
    connect(&model, &QAbstractItemModel::rowsInserted, this, later);
    connect(&model, &QAbstractItemModel::rowsRemoved, this, later);
    connect(&model, &QAbstractItemModel::rowsMoved, this, later);
    connect(&model, &QAbstractItemModel::dataChanged, this, later);
}

void THealthCommands::ShowReport() {
    if (!FReport) {
        FReport = new TfrmHealthReport(FContext.Vault(), FContext.DialogOwner());
        FReport->setAttribute(Qt::WA_DeleteOnClose);
        connect(FReport, &TfrmHealthReport::RecordChosen, this, &THealthCommands::SelectRecord);
    }
    FReport->show();
    FReport->raise();
    FReport->activateWindow();
}

void THealthCommands::CloseReport() {
    FRefreshLater->stop();
    delete FReport.data();
}

void THealthCommands::SelectRecord(const TGuid& guid) {
    const TRecordTree& tree = FContext.Vault().Tree();
    for (PNode node = tree.First(); node; node = tree.Next(node)) {
        if (!node->Data.IsGroup && node->Data.Guid == guid) {
            FContext.View().SelectOnly(node);
            FContext.View().ScrollToNode(node);
            FContext.DialogOwner()->activateWindow();
            return;
        }
    }
}
