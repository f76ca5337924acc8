#include "app/HealthReportWindow.h"

#include <QCoreApplication>
#include <QDialogButtonBox>
#include <QHeaderView>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QTableWidget>
#include <QTimer>
#include <QVBoxLayout>

#include "app/WindowVault.h"
#include "base/StringTable.h"
#include "base/Wipe.h"
#include "common/Settings.h"
#include "common/TextCodec.h"
#include "health/BreachList.h"
#include "vault/TreeCommands.h"

namespace {

// Longer than this, and the report shows that it works.
constexpr int kBusyAfterMs = 300;

QString KindText(THealthFinding::TKind kind) {
    switch (kind) {
        case THealthFinding::TKind::Weak:
            return Tr(Str::sHealthWeak);
        case THealthFinding::TKind::Reused:
            return Tr(Str::sHealthReused);
        case THealthFinding::TKind::Old:
            return Tr(Str::sHealthOld);
        case THealthFinding::TKind::Breached:
            return Tr(Str::sHealthBreached);
    }
    return {};
}

QTableWidgetItem* Cell(const std::string& text) {
    auto* item = new QTableWidgetItem(QString::fromStdString(text));
    item->setFlags(Qt::ItemIsSelectable | Qt::ItemIsEnabled);
    return item;
}

}  // namespace

TfrmHealthReport::TfrmHealthReport(TWindowVault& vault, QWidget* parent)
    : QDialog(parent), FVault(vault) {
    setObjectName(QStringLiteral("frmHealthReport"));
    setWindowTitle(Tr(Str::sHealthCaption));
    lblMaster = new QLabel(this);
    lblMaster->setObjectName(QStringLiteral("lblMaster"));
    lblSummary = new QLabel(this);
    lblSummary->setObjectName(QStringLiteral("lblSummary"));
    lblSummary->setWordWrap(true);
    barWorking = new QProgressBar(this);
    barWorking->setObjectName(QStringLiteral("barWorking"));
    barWorking->setRange(0, 0);  // busy: how long zxcvbn takes is not known ahead
    barWorking->setAccessibleName(Tr(Str::sHealthChecking));
    barWorking->hide();
    gridFindings = new QTableWidget(0, 4, this);
    gridFindings->setObjectName(QStringLiteral("gridFindings"));
    gridFindings->setAccessibleName(Tr(Str::sHealthCaption));
    gridFindings->setHorizontalHeaderLabels({Tr(Str::sHealthColGroup), Tr(Str::sHealthColTitle),
                                             Tr(Str::sHealthColFinding),
                                             Tr(Str::sHealthColDetail)});
    gridFindings->horizontalHeader()->setStretchLastSection(true);
    gridFindings->verticalHeader()->hide();
    gridFindings->setSelectionBehavior(QAbstractItemView::SelectRows);
    gridFindings->setEditTriggers(QAbstractItemView::NoEditTriggers);
    gridFindings->setSortingEnabled(true);
    connect(gridFindings, &QTableWidget::cellDoubleClicked, this, [this](int row) {
        const QByteArray bytes = gridFindings->item(row, 0)->data(Qt::UserRole).toByteArray();
        TGuid guid;
        if (bytes.size() == static_cast<int>(guid.Bytes.size())) {
            std::copy(bytes.begin(), bytes.end(), guid.Bytes.begin());
            emit RecordChosen(guid);
        }
    });
    auto* buttons = new QDialogButtonBox(this);
    btnClose = buttons->addButton(Tr(Str::sHealthClose), QDialogButtonBox::RejectRole);
    btnClose->setObjectName(QStringLiteral("btnClose"));
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    auto* page = new QVBoxLayout(this);
    page->addWidget(lblMaster);
    page->addWidget(lblSummary);
    page->addWidget(barWorking);
    page->addWidget(gridFindings, 1);
    page->addWidget(buttons);
    resize(720, 420);
    FShowBar = new QTimer(this);
    FShowBar->setSingleShot(true);
    connect(FShowBar, &QTimer::timeout, barWorking, &QWidget::show);
    ShowMasterRating();
    Refresh();
}

TfrmHealthReport::~TfrmHealthReport() {
    JoinWorker();
}

void TfrmHealthReport::JoinWorker() {
    if (FWorker.joinable()) {
        FWorker.join();
    }
}

void TfrmHealthReport::ShowMasterRating() {
    std::string password = FVault.Password();
    const THealthRating rating = RateMasterPassword(password);
    WipeString(password);
    lblMaster->setText(Tr(Str::sHealthMaster).arg(QString::fromStdString(RatingText(rating))));
}

void TfrmHealthReport::Refresh() {
    if (IsWorking()) {
        FRefreshPending = true;  // the records changed under the rating: once more after it
        return;
    }
    StartRating();
}

void TfrmHealthReport::StartRating() {
    JoinWorker();
    FRefreshPending = false;
    // The thread rates a copy: the window's tree changes while it works.
    auto records = std::make_shared<TRecordTree>();
    CopyTree(FVault.Tree(), *records);
    THealthOptions options;
    options.Format101 = FVault.Session().Format() == TVaultFormat::Format101;
    const std::string breachList = NativePath(Settings::BreachListFile());
    FFinished = false;
    FShowBar->start(kBusyAfterMs);
    FWorker = std::thread([this, records, options, breachList]() mutable {
        auto result = std::make_shared<TResult>();
        try {
            TBreachList list;
            if (!breachList.empty()) {
                list.Open(breachList);
                options.BreachList = &list;
            }
            result->Report = RateVault(*records, options);
        } catch (const std::exception& error) {
            result->Error = ErrorText(error);
            try {
                options.BreachList = nullptr;  // the rest of the report without the list
                result->Report = RateVault(*records, options);
            } catch (const std::exception&) {
            }
        }
        records.reset();  // wiped here, not on the window's thread
        FFinished = true;
        QMetaObject::invokeMethod(
            this, [this, result] { ShowResult(result); }, Qt::QueuedConnection);
    });
}

void TfrmHealthReport::WaitForRating() {
    JoinWorker();
    QCoreApplication::sendPostedEvents(this);
}

void TfrmHealthReport::ShowResult(std::shared_ptr<TResult> result) {
    JoinWorker();
    FShowBar->stop();
    barWorking->hide();
    ShowFindings(result->Report);
    const THealthReport& report = result->Report;
    QString summary = Tr(Str::sHealthSummary)
                          .arg(report.Records)
                          .arg(report.Count(THealthFinding::TKind::Weak))
                          .arg(report.Count(THealthFinding::TKind::Reused))
                          .arg(report.Count(THealthFinding::TKind::Old))
                          .arg(report.Count(THealthFinding::TKind::Breached));
    if (!result->Error.isEmpty()) {
        summary += QLatin1Char(' ') + result->Error;
    } else if (!report.BreachesChecked) {
        summary += QLatin1Char(' ') + Tr(Str::sHealthNoBreachList);
    }
    lblSummary->setText(summary);
    emit Rated();
    if (FRefreshPending) {
        StartRating();
    }
}

void TfrmHealthReport::ShowFindings(const THealthReport& report) {
    gridFindings->setSortingEnabled(false);  // rows stay where they are put while filling
    gridFindings->setRowCount(static_cast<int>(report.Findings.size()));
    int row = 0;
    for (const THealthFinding& finding : report.Findings) {
        QTableWidgetItem* group = Cell(finding.Group);
        group->setData(Qt::UserRole,
                       QByteArray(reinterpret_cast<const char*>(finding.Guid.Bytes.data()),
                                  static_cast<int>(finding.Guid.Bytes.size())));
        gridFindings->setItem(row, 0, group);
        gridFindings->setItem(row, 1, Cell(finding.Title));
        auto* kind = new QTableWidgetItem(KindText(finding.Kind));
        kind->setFlags(Qt::ItemIsSelectable | Qt::ItemIsEnabled);
        gridFindings->setItem(row, 2, kind);
        gridFindings->setItem(row, 3, Cell(finding.Detail));
        ++row;
    }
    gridFindings->setSortingEnabled(true);
    gridFindings->resizeColumnsToContents();
}
