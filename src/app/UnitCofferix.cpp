#include "app/UnitCofferix.h"

#include <QAction>
#include <QCheckBox>
#include <QCloseEvent>
#include <QCoreApplication>
#include <QFileInfo>
#include <QFrame>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QScreen>
#include <QStackedWidget>
#include <QStatusBar>
#include <QTimer>
#include <QVBoxLayout>
#include <iostream>

#include "app/FindDialog.h"
#include "app/HealthCommands.h"
#include "app/InteropCommands.h"
#include "app/RecordCommands.h"
#include "app/RecordShortcuts.h"
#include "app/TrayLock.h"
#include "app/VaultCommands.h"
#include "app/WorkspaceGuard.h"
#include "base/StringTable.h"
#include "common/Services.h"
#include "common/Settings.h"
#include "common/SingleInstance.h"
#include "common/TextCodec.h"
#include "dialogs/DialogHelpers.h"
#include "dialogs/UnitImportDb.h"
#include "dialogs/UnitNewPass.h"
#include "dialogs/UnitOptions.h"
#include "dialogs/UnitPassGen.h"
#include "vault/NodeData.h"

namespace {

constexpr QSize kFirstSize(802, 580);
constexpr QSize kMinimumSize(730, 540);
constexpr int kStatusNoticeMs = 10000;

}  // namespace

TfrmCofferix::TfrmCofferix(QWidget* parent)
    : QMainWindow(parent),
      FVault(std::make_unique<TWindowVault>()),
      FModel(new TRecordTreeModel(
          FVault->Tree(),
          [this](const TRecordTree::TCompare& compare, bool descending) {
              FVault->Session().SortTree(compare, descending);
          },
          this)),
      FProgramFolder(QCoreApplication::applicationDirPath()),
      FRecordCommands(std::make_unique<TRecordCommands>(static_cast<IWindowContext&>(*this))),
      FVaultCommands(std::make_unique<TVaultCommands>(static_cast<IWindowContext&>(*this))),
      FInteropCommands(std::make_unique<TInteropCommands>(static_cast<IWindowContext&>(*this))),
      FHealthCommands(
          std::make_unique<THealthCommands>(static_cast<IWindowContext&>(*this), *FModel)) {
    FVault->Session().SetObserver(FModel);
    setObjectName(QStringLiteral("frmCofferix"));
    CreateActions();
    CreateComponents();
    CreateMenus();
    ConnectSignals();
    ConnectVault();
    FTrayLock =
        std::make_unique<TTrayLock>(static_cast<ILockedWindow&>(*this), *ActLockApp,
                                    QList<QAction*>{ActPassGen, ActAddRecord, nullptr, ActExit});
    connect(this, &TfrmCofferix::UnlockRequested, FTrayLock.get(),
            &TTrayLock::CoolTrayIconDblClick);
    // The find text may be part of a password: it goes with the records.
    connect(FTrayLock.get(), &TTrayLock::Locking, this, [this] {
        WipePasswordEdit(FindDialog->edtFindText);
        FHealthCommands->CloseReport();  // it names the records
    });
    FWorkspaceGuard = std::make_unique<TWorkspaceGuard>(*FTrayLock);
    CreateShortcuts();
    resize(kFirstSize);
    setMinimumSize(kMinimumSize);
}

TfrmCofferix::~TfrmCofferix() {
    for (const QPointer<QWidget>& generator : FGenerators) {
        delete generator.data();
    }
    // The view and the model read the tree, which goes before the base class deletes them.
    FVault->Session().SetObserver(nullptr);
    delete PassTree;
    delete FModel;
}

void TfrmCofferix::ConnectSignals() {
    connect(ActAddRecord, &QAction::triggered, this, &TfrmCofferix::ActAddRecordExecute);
    connect(ActEditRecord, &QAction::triggered, this, &TfrmCofferix::ActEditRecordExecute);
    connect(ActDelRecord, &QAction::triggered, this, &TfrmCofferix::ActDelRecordExecute);
    connect(ActPassGen, &QAction::triggered, this, &TfrmCofferix::ActPassGenExecute);
    connect(ActExit, &QAction::triggered, this, &TfrmCofferix::ActExitExecute);
    connect(mnuChangeAccessPass, &QAction::triggered, this,
            &TfrmCofferix::mnuChangeAccessPassClick);
    connect(mnuDatabaseFormat, &QAction::triggered, this, &TfrmCofferix::mnuDatabaseFormatClick);
    connect(mnuExportList, &QAction::triggered, this, &TfrmCofferix::mnuExportListClick);
    connect(mnuOptions, &QAction::triggered, this, &TfrmCofferix::mnuOptionsClick);
    TInteropCommands* interop = FInteropCommands.get();
    connect(mnuImportOther, &QAction::triggered, interop, &TInteropCommands::ImportFromManager);
    connect(mnuExportOther, &QAction::triggered, interop, &TInteropCommands::ExportForManager);
    connect(mnuMergeDatabase, &QAction::triggered, interop, &TInteropCommands::MergeDatabase);
    connect(mnuPasswordHealth, &QAction::triggered, FHealthCommands.get(),
            &THealthCommands::ShowReport);
    connect(mnuFindText, &QAction::triggered, this, &TfrmCofferix::mnuFindTextClick);
    connect(mnuCopy, &QAction::triggered, this, &TfrmCofferix::mnuCopyClick);
    connect(btnSearch, &QPushButton::clicked, this, &TfrmCofferix::btnSearchClick);
    connect(btnBackupDatabase, &QPushButton::clicked, this, &TfrmCofferix::btnBackupDatabaseClick);
    connect(btnExportDatabase, &QPushButton::clicked, this, &TfrmCofferix::btnExportDatabaseClick);
    connect(chkDisplayPass, &QCheckBox::toggled, this, &TfrmCofferix::chkDisplayPassClick);
    connect(FindDialog, &TFindDialog::Find, this, &TfrmCofferix::FindDialogFind);

    connect(PassTree, &TPassTree::TreeClicked, this, &TfrmCofferix::PassTreeClick);
    connect(PassTree, &TPassTree::FindKeyReleased, this, &TfrmCofferix::PassTreeKeyUp);
    connect(PassTree, &QTreeView::doubleClicked, this, &TfrmCofferix::PassTreeColumnDblClick);
    connect(PassTree->header(), &QHeaderView::sectionClicked, this,
            &TfrmCofferix::PassTreeHeaderClick);
    connect(PassTree, &QWidget::customContextMenuRequested, this,
            &TfrmCofferix::PassTreeContextMenu);
    connect(PassTree->selectionModel(), &QItemSelectionModel::selectionChanged, this,
            &TfrmCofferix::UpdateActions);

    // The find must never step on from a node that left the tree, and only that node's
    // removal (or its group's) makes it start again at the top. Told by the model for every
    // node, since a filtered view has no rows for the nodes it hides.
    connect(FModel, &QAbstractItemModel::modelAboutToBeReset, this,
            [this] { FLastFound = nullptr; });
    connect(FModel, &TRecordTreeModel::NodeAboutToBeRemoved, this,
            [this](const TRecordTree::TNode* removed) {
                for (PNode node = FLastFound; node; node = FModel->Tree().Parent(node)) {
                    if (node == removed) {
                        FLastFound = nullptr;
                        return;
                    }
                }
            });
    connect(FModel, &QAbstractItemModel::modelReset, this, &TfrmCofferix::UpdateActions);
    // A filter may hide the selected rows.
    connect(FModel, &QAbstractItemModel::layoutChanged, this, &TfrmCofferix::UpdateActions);

    connect(FModel, &QAbstractItemModel::rowsRemoved, this, &TfrmCofferix::UpdateActions);
}

void TfrmCofferix::ConnectVault() {
    // A reload makes every node anew: what the view showed is taken before and put back after.
    connect(FVault.get(), &TWindowVault::ReloadStarting, this,
            [this] { FViewBeforeReload = TTreeViewState::Capture(*PassTree); });
    connect(FVault.get(), &TWindowVault::Reloaded, this, &TfrmCofferix::VaultReloaded);
    connect(FVault.get(), &TWindowVault::SaveStateChanged, this, &TfrmCofferix::ShowSaveState);
    connect(FVault.get(), &TWindowVault::WaitingForLock, this, [this](bool waiting) {
        if (waiting) {
            setCursor(Qt::BusyCursor);
        } else {
            unsetCursor();
        }
        ShowSaveState();
    });
    connect(FVault.get(), &TWindowVault::PasswordChangedElsewhere, this,
            [this] { FTrayLock->LockForNewPassword(); });
    // The lock drops the records; the unlock reads them anew and the view comes back as it was.
    // Behind the lock page the view is empty already and its state taken (ShowLockPage); it
    // comes back with the page.
    connect(FVault.get(), &TWindowVault::RecordsDropping, this, [this] {
        if (!FModel->Withheld()) {
            FViewAtLock = TTreeViewState::Capture(*PassTree);
        }
    });
    connect(FVault.get(), &TWindowVault::RecordsRestored, this, [this] {
        FModel->ReapplySort();
        if (!FModel->Withheld()) {
            FViewAtLock.Restore(*PassTree);
            FViewAtLock = {};
        }
        UpdateActions();
    });
}

void TfrmCofferix::VaultReloaded() {
    FModel->ReapplySort();
    FViewBeforeReload.Restore(*PassTree);
    UpdateActions();
    // In the status label rather than as a status message, which a hidden window's status bar
    // would draw over the label once the window shows again.
    ShowNotice(Tr(Str::sVaultReloaded));
    FInteropCommands->CheckConflictCopies();
}

void TfrmCofferix::ShowNotice(const QString& text) {
    lblStatus->setText(text);
    FNoticeTimer->start(kStatusNoticeMs);
}

void TfrmCofferix::ShowSaveState() {
    QString text;
    if (FVault->IsWaitingForLock()) {
        text = Tr(Str::sWaitingForVault);
    } else if (FVault->HasUnsavedChanges()) {
        text = Tr(Str::sChangesUnsaved);
    }
    lblSaveState->setText(text);
    lblSaveState->setToolTip(FVault->HasUnsavedChanges() ? FVault->LastSaveError() : QString());
    lblSaveState->setVisible(!text.isEmpty());
}

void TfrmCofferix::ApplyCaptions() {
    setWindowTitle(Tr(Str::sAppTitle));
    mnuFindText->setText(Tr(Str::sFind));
    mnuChangeAccessPass->setText(Tr(Str::sChangeMasterMenu));
    mnuDatabaseFormat->setText(Tr(Str::sDatabaseFormatMenu));
    mnuExportList->setText(Tr(Str::sExportList));
    mnuImportOther->setText(Tr(Str::sImportOtherMenu));
    mnuExportOther->setText(Tr(Str::sExportOtherMenu));
    mnuMergeDatabase->setText(Tr(Str::sMergeMenu));
    mnuPasswordHealth->setText(Tr(Str::sHealthMenu));
    mnuOptions->setText(Tr(Str::sOptionsMenu));
    mnuFile->setTitle(Tr(Str::sFileMenu));
    mnuEdit->setTitle(Tr(Str::sEditMenu));
    chkDisplayPass->setText(Tr(Str::sDisplayPassword));
    ActAddRecord->setText(Tr(Str::sAddRecordAction));
    ActDelRecord->setText(Tr(Str::sDeleteRecordAction));
    ActEditRecord->setText(Tr(Str::sModifyRecordAction));
    lblTips->setText(Tr(Str::sAppDescription));
    btnSearch->setText(Tr(Str::sFind));
    btnBackupDatabase->setText(Tr(Str::sBackupDatabase));
    btnExportDatabase->setText(Tr(Str::sImportDatabase));
    ActExit->setText(Tr(Str::sClose));
    ActPassGen->setText(Tr(Str::sPassGenButton));
    ActLockApp->setText(Tr(Str::sLockWorkspace));
    FModel->SetColumnCaptions({Tr(Str::sColTitle), Tr(Str::sColUserName), Tr(Str::sColPassword),
                               Tr(Str::sColUrl), Tr(Str::sColNotes)});
    FindDialog->ApplyCaptions(Tr(Str::sFindCaption), Tr(Str::sFindNext), Tr(Str::sFindClose));
}

// ---- The open vault's state and its operations

TVaultFormat TfrmCofferix::NewVaultFormat() {
    return Settings::NewVaultsReadableByVersion1() ? TVaultFormat::Format101
                                                   : TVaultFormat::Format2;
}

bool TfrmCofferix::DisplayPass() const {
    return Settings::DisplayPass();
}

void TfrmCofferix::SetDisplayPass(bool display) {
    Settings::SetDisplayPass(display);
}

int TfrmCofferix::RunDialog(QDialog& dialog) {
    return FDialogRunner ? FDialogRunner(dialog) : dialog.exec();
}

QString TfrmCofferix::StatusText() const {
    return lblStatus->text();
}

void TfrmCofferix::ShowDatabaseInStatusBar() {
    const QString path = DatabaseFile();
    lblStatus->setText(path.isEmpty() ? Tr(Str::sStatusNotice) : path);
    FInteropCommands->CheckConflictCopies();
}

bool TfrmCofferix::CheckVaultPassword(const QString& path, const std::string& password) {
    return FVault->CheckPassword(path, password);
}

bool TfrmCofferix::CreateVault(const QString& path, const std::string& password, bool) {
    // The side settings file would keep the master password next to the vault in a
    // reversible form, so it is never written, whatever the caller asks.
    return FVault->Create(path, password, NewVaultFormat());
}

bool TfrmCofferix::ChangeVaultPassword(const QString& path, const std::string& currentPassword,
                                       const std::string& newPassword, bool) {
    return FVault->ChangePassword(path, currentPassword, newPassword);
}

bool TfrmCofferix::LoadVault(const QString& path) {
    return FVault->Load(path);
}

bool TfrmCofferix::SaveVault(const QString& path) {
    return FVault->Save(path);
}

// ---- Commands

void TfrmCofferix::UpdateActions() {
    const bool selected = PassTree->HasSelection();
    ActEditRecord->setEnabled(selected);
    ActDelRecord->setEnabled(selected);
}

void TfrmCofferix::ActAddRecordExecute() {
    FRecordCommands->AddRecord();
}

void TfrmCofferix::ActEditRecordExecute() {
    FRecordCommands->ModifySelected();
}

void TfrmCofferix::ActDelRecordExecute() {
    FRecordCommands->DeleteSelected();
}

void TfrmCofferix::ActPassGenExecute() {
    FGenerators.removeAll(nullptr);
    FGenerators << TfrmPassGen::ShowModeless(this, this);
}

QList<QWidget*> TfrmCofferix::GeneratorWindows() const {
    QList<QWidget*> windows;
    for (const QPointer<QWidget>& generator : FGenerators) {
        if (generator) {
            windows << generator.data();
        }
    }
    return windows;
}

void TfrmCofferix::ActExitExecute() {
    if (!MayLeaveVault()) {
        return;
    }
    FCloseAllowed = true;
    close();
    QCoreApplication::quit();  // also when the window is hidden
}

void TfrmCofferix::ShowFindDialog() {
    FindDialog->show();
    FindDialog->raise();
    FindDialog->activateWindow();
}

void TfrmCofferix::btnSearchClick() {
    FLastFound = PassTree->FirstSelected();
    ShowFindDialog();
}

void TfrmCofferix::mnuFindTextClick() {
    btnSearchClick();
}

void TfrmCofferix::FindDialogFind(const QString& text) {
    FRecordCommands->FindNext(text);
}

void TfrmCofferix::mnuCopyClick() {
    FRecordCommands->CopyField(mnuCopy->data().toInt());
}

void TfrmCofferix::btnBackupDatabaseClick() {
    FVaultCommands->Backup();
}

void TfrmCofferix::btnExportDatabaseClick() {
    FVaultCommands->ImportDatabase();
}

void TfrmCofferix::mnuChangeAccessPassClick() {
    FVaultCommands->ChangeMasterPassword();
}

void TfrmCofferix::mnuDatabaseFormatClick() {
    FVaultCommands->DatabaseFormat();
}

void TfrmCofferix::mnuExportListClick() {
    FVaultCommands->ExportList();
}

void TfrmCofferix::mnuOptionsClick() {
    TfrmOptions dialog(this);
    if (RunDialog(dialog) == QDialog::Accepted) {
        dialog.SaveSettings();
        FWorkspaceGuard->ApplySettings();
    }
}

// ---- The record tree's events

void TfrmCofferix::chkDisplayPassClick() {
    const bool display = chkDisplayPass->isChecked();
    FModel->SetDisplayPass(display);
    PassTree->viewport()->update();
    if (display != DisplayPass()) {
        SetDisplayPass(display);
    }
}

void TfrmCofferix::PassTreeClick() {
    UpdateActions();
    FLastFound = PassTree->FirstSelected();
}

void TfrmCofferix::PassTreeKeyUp() {
    FLastFound = nullptr;
    ShowFindDialog();
}

void TfrmCofferix::PassTreeColumnDblClick(const QModelIndex& cell) {
    const PNode node = PassTree->FirstSelected();
    if (!node || node->Data.IsGroup) {
        return;  // the view itself expands or collapses a group
    }
    // Only the address and title go to the desktop's opener: its command line is readable by
    // every local user, so a password, user name or note is never handed to it.
    const int column = cell.column();
    const bool openable =
        column == TRecordTreeModel::colUrl || column == TRecordTreeModel::colTitle;
    const QString text = openable ? FModel->CellText(node, column) : QString();
    if (text.contains(QLatin1Char('.'))) {
        OpenDocument(text);
    } else {
        ActEditRecordExecute();
    }
}

void TfrmCofferix::PassTreeHeaderClick(int column) {
    FModel->SortByColumn(column);
}

QMenu* TfrmCofferix::PassTreeGetPopupMenu(const QModelIndex& cell) {
    const QString text = FModel->CellText(FModel->NodeOf(cell), cell.column());
    if (!text.isEmpty()) {
        mnuCopy->setText(Tr(Str::sCopyPrefix) + FModel->ColumnCaption(cell.column()));
        mnuCopy->setData(cell.column());
        mnuCopy->setVisible(true);
    } else {
        mnuCopy->setVisible(false);
    }
    return PopupMenuTree;
}

void TfrmCofferix::PassTreeContextMenu(const QPoint& position) {
    QMenu* menu = PassTreeGetPopupMenu(PassTree->indexAt(position));
    menu->popup(PassTree->viewport()->mapToGlobal(position));
}
