#pragma once

#include <QList>
#include <QMainWindow>
#include <QPointer>
#include <functional>
#include <memory>
#include <string>

#include "app/LockedWindow.h"
#include "app/PassTree.h"
#include "app/RecordTreeModel.h"
#include "app/TreeViewState.h"
#include "app/WindowContext.h"
#include "app/WindowVault.h"
#include "dialogs/VaultHost.h"
#include "vault/RecordTree.h"

class QAction;
class QCheckBox;
class QDialog;
class QFrame;
class QLabel;
class QMenu;
class QPushButton;
class QStackedWidget;
class QStatusBar;
class QTimer;
class TFindDialog;
class TRecordCommands;
class TRecordShortcuts;
class TRecordFilter;
class TSingleInstance;
class TTrayLock;
class TVaultCommands;
class TInteropCommands;
class THealthCommands;
class TWorkspaceGuard;

// The main window: the open vault's state (path, master password, record tree), the five
// vault operations, start-up, and the controls that reach the record and vault commands.
class TfrmCofferix : public QMainWindow,
                     public IVaultHost,
                     private IWindowContext,
                     private ILockedWindow {
    Q_OBJECT
public:
    // Runs a modal dialog and answers its result. exec() by default; tests answer the
    // dialogs themselves through SetDialogRunner, without a nested event loop.
    using TDialogRunner = std::function<int(QDialog&)>;

    // The message a second start sends to the running instance.
    static constexpr int kInstanceMessage = 1579;

    explicit TfrmCofferix(QWidget* parent = nullptr);
    ~TfrmCofferix() override;

    // Start-up: finds the vault, asks for it with the open or the create dialog, loads it and
    // sets the window up. False when the user declined the dialog: the program then ends
    // without showing anything. A vault path from the command line comes before every other.
    bool FormCreate(const QString& vaultPath = QString());
    void ApplyCaptions();
    // Listens for later starts of the program and reacts to their message; when the instance
    // runs without its lock, says so on standard error and in the status bar.
    void ListenForInstances(TSingleInstance& instance);
    void OnInstanceMessage(int message);
    // A later start named a vault file: from the event loop, the window comes forward (through
    // the master password when locked) and offers the switch to that vault.
    void OnOpenPathMessage(const QString& path);

    // Where start-up looks for a vault when the settings name none.
    QString ProgramFolderVault() const;
    static QString AppDataVault();
    // The program folder; the folder of the running program unless a test sets another.
    void SetProgramFolder(const QString& folder) { FProgramFolder = folder; }

    // The open vault's state.
    TWindowVault& Vault() override { return *FVault; }
    QString DatabaseFile() const override { return FVault->DatabaseFile(); }
    bool DisplayPass() const;
    void SetDisplayPass(bool display);
    const TRecordTree& RecordTree() const override { return FVault->Tree(); }
    TRecordTreeModel& Model() { return *FModel; }

    // The five vault operations. All but the check show their failure with ShowWarning and
    // answer false; the check lets an error opening the file through.
    bool CheckVaultPassword(const QString& path, const std::string& password) override;
    bool CreateVault(const QString& path, const std::string& password, bool writeSideFile) override;
    bool ChangeVaultPassword(const QString& path, const std::string& currentPassword,
                             const std::string& newPassword, bool writeSideFile) override;
    bool LoadVault(const QString& path);
    bool SaveVault(const QString& path);

    void SetDialogRunner(TDialogRunner runner) { FDialogRunner = std::move(runner); }
    // The notification-area icon, its menu, the lock and the unlock.
    TTrayLock& TrayLock() { return *FTrayLock; }
    // The clipboard clear and the automatic locks.
    TWorkspaceGuard& WorkspaceGuard() { return *FWorkspaceGuard; }
    int RunDialog(QDialog& dialog) override;

    // Where the next find continues; none after a reload or removal of nodes.
    PNode LastFound() const override { return FLastFound; }
    void SetLastFound(PNode node) override { FLastFound = node; }
    QString StatusText() const;
    void ShowDatabaseInStatusBar() override;
    void ShowNotice(const QString& text) override;
    // The central area shows either the records page or the lock page: whatever the records
    // page holds is hidden with it while locked.
    void ShowLockPage(bool locked) override;
    bool ShowsLockPage() const;
    QWidget* RecordsPage() const { return plTip; }
    QWidget* LockPage() const override { return FLockPage; }
    // Before the program ends or another vault is opened: changes that could not be saved are
    // tried once more, then the user is asked before they go. True to go on.
    bool MayLeaveVault() override;
    // The pop-up menu for a cell: mnuCopy names the cell's column, or is hidden for an
    // empty cell.
    QMenu* PassTreeGetPopupMenu(const QModelIndex& cell);
    // The generator windows opened from here that are still open.
    QList<QWidget*> GeneratorWindows() const;

public slots:
    void ActAddRecordExecute();
    void ActEditRecordExecute();
    void ActDelRecordExecute();
    void ActPassGenExecute();
    void ActExitExecute();
    void UpdateActions();
    void btnSearchClick();
    void mnuFindTextClick();
    void mnuCopyClick();
    void FindDialogFind(const QString& text);
    void btnBackupDatabaseClick();
    void btnExportDatabaseClick();
    void mnuChangeAccessPassClick();
    void mnuDatabaseFormatClick();
    void mnuExportListClick();
    void mnuOptionsClick();
    void chkDisplayPassClick();
    void PassTreeClick();
    void PassTreeKeyUp();
    void PassTreeColumnDblClick(const QModelIndex& cell);
    void PassTreeHeaderClick(int column);

signals:
    // The lock page's Unlock button.
    void UnlockRequested();

protected:
    void closeEvent(QCloseEvent* event) override;
    void showEvent(QShowEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    // Components, named after their layout; tests find them by these object names.
    QFrame* plTip;
    QLabel* imgLogo;
    QLabel* lblTips;
    QFrame* Bevel1;
    QPushButton* btnPassGen;
    QPushButton* btnSearch;
    QPushButton* btnAddRecord;
    QPushButton* btnDeleteRecord;
    QPushButton* btnModifyRecord;
    TPassTree* PassTree;
    QCheckBox* chkDisplayPass;
    QPushButton* btnLockApp;
    QPushButton* btnBackupDatabase;
    QPushButton* btnExportDatabase;
    QStatusBar* StatusBar;
    QLabel* lblStatus;
    QLabel* lblSaveState;
    QLabel* lblInstanceWarning;
    QMenu* mnuFile;
    QAction* mnuChangeAccessPass;
    QAction* mnuDatabaseFormat;
    QAction* mnuExportList;
    QAction* mnuImportOther;
    QAction* mnuExportOther;
    QAction* mnuMergeDatabase;
    QAction* mnuPasswordHealth;
    QAction* mnuOptions;
    QMenu* mnuEdit;
    QMenu* PopupMenuTree;
    QAction* mnuFindText;
    QAction* mnuCopy;
    QAction* ActAddRecord;
    QAction* ActDelRecord;
    QAction* ActEditRecord;
    QAction* ActPassGen;
    QAction* ActExit;
    QAction* ActLockApp;
    TFindDialog* FindDialog;
    TRecordFilter* FRecordFilter = nullptr;

    // IWindowContext and ILockedWindow: what the commands and the lock get of the window.
    QMainWindow& MainWindow() override { return *this; }
    IVaultHost& Host() override { return *this; }
    TPassTree& View() override { return *PassTree; }
    QWidget* DialogOwner() override { return this; }

    void CreateComponents();
    void CreateActions();
    void CreateMenus();
    // The keyboard's shortcuts and the commands the Edit menu adds for them.
    void CreateShortcuts();
    QWidget* CreateTopArea();
    QWidget* CreateButtonRow();
    QWidget* CreateBottomRow();
    QWidget* CreateLockPage();
    void ConnectVault();
    void VaultReloaded();
    void ShowSaveState();
    void ConnectSignals();
    // The Options choose the format of the vaults the window makes.
    static TVaultFormat NewVaultFormat();
    QString FindVaultPath() const;
    bool OpenVaultAtStart(const QString& path);
    bool CreateVaultAtStart();
    void ShowFindDialog();
    void PassTreeContextMenu(const QPoint& position);

    PNode FLastFound = nullptr;
    std::unique_ptr<TWindowVault> FVault;
    TRecordTreeModel* FModel;
    QString FProgramFolder;
    TDialogRunner FDialogRunner;
    bool FCentredOnce = false;
    bool FCloseAllowed = false;
    QStackedWidget* FPages = nullptr;
    QWidget* FLockPage = nullptr;
    QTimer* FNoticeTimer = nullptr;
    TTreeViewState FViewBeforeReload;
    TTreeViewState FViewAtLock;
    QList<QPointer<QWidget>> FGenerators;
    std::unique_ptr<TRecordCommands> FRecordCommands;
    std::unique_ptr<TVaultCommands> FVaultCommands;
    std::unique_ptr<TInteropCommands> FInteropCommands;
    std::unique_ptr<THealthCommands> FHealthCommands;
    std::unique_ptr<TTrayLock> FTrayLock;
    std::unique_ptr<TWorkspaceGuard> FWorkspaceGuard;
    std::unique_ptr<TRecordShortcuts> FShortcuts;
};
