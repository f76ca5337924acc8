// The main window's components: how they are made and laid out, and the two pages of the
// central area.
#include <QAction>
#include <QCheckBox>
#include <QFrame>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QStackedWidget>
#include <QStatusBar>
#include <QTimer>
#include <QVBoxLayout>

#include "app/FindDialog.h"
#include "app/InteropCommands.h"
#include "app/RecordFilter.h"
#include "app/RecordShortcuts.h"
#include "app/UnitCofferix.h"
#include "base/StringTable.h"
#include "common/TextCodec.h"
#include "dialogs/DialogHelpers.h"

namespace {

constexpr QSize kLogoSize(185, 70);
// Room for a name or an address; the window's smallest width still holds it beside the buttons.
constexpr int kFilterWidth = 200;

// A button that stands for an action: its caption, enabling and click follow the action.
void BindButtonToAction(QPushButton* button, QAction* action) {
    auto follow = [button, action] {
        button->setText(action->text());
        button->setEnabled(action->isEnabled());
    };
    follow();
    QObject::connect(action, &QAction::changed, button, follow);
    QObject::connect(button, &QPushButton::clicked, action, &QAction::trigger);
}

QAction* NamedAction(QObject* owner, const char* name) {
    auto* action = new QAction(owner);
    action->setObjectName(QLatin1String(name));
    return action;
}

QPushButton* NamedButton(QWidget* owner, const char* name) {
    auto* button = new QPushButton(owner);
    button->setObjectName(QLatin1String(name));
    return button;
}

}  // namespace

void TfrmCofferix::CreateActions() {
    ActAddRecord = NamedAction(this, "ActAddRecord");
    ActDelRecord = NamedAction(this, "ActDelRecord");
    ActEditRecord = NamedAction(this, "ActEditRecord");
    ActPassGen = NamedAction(this, "ActPassGen");
    ActExit = NamedAction(this, "ActExit");
    ActLockApp = NamedAction(this, "ActLockApp");
    mnuChangeAccessPass = NamedAction(this, "mnuChangeAccessPass");
    mnuDatabaseFormat = NamedAction(this, "mnuDatabaseFormat");
    mnuExportList = NamedAction(this, "mnuExportList");
    mnuImportOther = NamedAction(this, "mnuImportOther");
    mnuExportOther = NamedAction(this, "mnuExportOther");
    mnuMergeDatabase = NamedAction(this, "mnuMergeDatabase");
    mnuPasswordHealth = NamedAction(this, "mnuPasswordHealth");
    mnuOptions = NamedAction(this, "mnuOptions");
    mnuFindText = NamedAction(this, "mnuFindText");
    mnuCopy = NamedAction(this, "mnuCopy");
}

void TfrmCofferix::CreateComponents() {
    FPages = new QStackedWidget(this);
    FPages->setObjectName(QStringLiteral("Pages"));
    setCentralWidget(FPages);
    plTip = new QFrame(FPages);
    plTip->setObjectName(QStringLiteral("plTip"));
    plTip->setFrameStyle(QFrame::Panel | QFrame::Raised);
    FPages->addWidget(plTip);
    FLockPage = CreateLockPage();
    FPages->addWidget(FLockPage);

    PassTree = new TPassTree(plTip);
    PassTree->setObjectName(QStringLiteral("PassTree"));
    PassTree->setAccessibleName(Tr(Str::sRecordTreeName));
    PassTree->SetRecordModel(FModel);

    auto* layout = new QVBoxLayout(plTip);
    layout->addWidget(CreateTopArea());
    Bevel1 = new QFrame(plTip);
    Bevel1->setObjectName(QStringLiteral("Bevel1"));
    Bevel1->setFrameStyle(QFrame::HLine | QFrame::Sunken);
    layout->addWidget(Bevel1);
    layout->addWidget(CreateButtonRow());
    layout->addWidget(PassTree, 1);
    layout->addWidget(CreateBottomRow());

    StatusBar = statusBar();
    StatusBar->setObjectName(QStringLiteral("StatusBar"));
    StatusBar->setSizeGripEnabled(true);
    // A widget rather than a status message, which menu hints would wipe.
    lblStatus = new QLabel(StatusBar);
    lblStatus->setObjectName(QStringLiteral("lblStatus"));
    StatusBar->addWidget(lblStatus, 1);
    lblSaveState = new QLabel(StatusBar);
    lblSaveState->setObjectName(QStringLiteral("lblSaveState"));
    lblSaveState->hide();
    StatusBar->addPermanentWidget(lblSaveState);
    // Shown only when a second copy may run beside this one. Its long text may be cut, never
    // widen the window: the tip holds it whole.
    lblInstanceWarning = new QLabel(StatusBar);
    lblInstanceWarning->setObjectName(QStringLiteral("lblInstanceWarning"));
    lblInstanceWarning->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
    lblInstanceWarning->hide();
    StatusBar->addWidget(lblInstanceWarning, 1);
    StatusBar->addWidget(FInteropCommands->CreateConflictNotice(StatusBar), 1);
    FNoticeTimer = new QTimer(this);
    FNoticeTimer->setSingleShot(true);
    connect(FNoticeTimer, &QTimer::timeout, this, &TfrmCofferix::ShowDatabaseInStatusBar);

    PopupMenuTree = new QMenu(this);
    PopupMenuTree->setObjectName(QStringLiteral("PopupMenuTree"));
    PopupMenuTree->addAction(mnuFindText);
    PopupMenuTree->addAction(mnuCopy);
    PopupMenuTree->addSeparator();
    PopupMenuTree->addAction(ActAddRecord);
    PopupMenuTree->addAction(ActDelRecord);
    PopupMenuTree->addAction(ActEditRecord);

    FindDialog = new TFindDialog(this);
}

QWidget* TfrmCofferix::CreateTopArea() {
    auto* area = new QWidget(plTip);
    auto* row = new QHBoxLayout(area);
    row->setContentsMargins(0, 0, 0, 0);
    imgLogo = new QLabel(area);
    imgLogo->setObjectName(QStringLiteral("imgLogo"));
    imgLogo->setFixedSize(kLogoSize);
    imgLogo->setScaledContents(true);
    imgLogo->setPixmap(QPixmap(QStringLiteral(":/images/logo.png")));
    imgLogo->setCursor(Qt::PointingHandCursor);
    imgLogo->installEventFilter(this);
    lblTips = new QLabel(area);
    lblTips->setObjectName(QStringLiteral("lblTips"));
    lblTips->setWordWrap(true);
    lblTips->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    row->addWidget(imgLogo, 0, Qt::AlignLeft | Qt::AlignTop);
    row->addWidget(lblTips, 1);
    return area;
}

QWidget* TfrmCofferix::CreateButtonRow() {
    auto* area = new QWidget(plTip);
    auto* row = new QHBoxLayout(area);
    row->setContentsMargins(0, 0, 0, 0);
    btnPassGen = NamedButton(area, "btnPassGen");
    btnSearch = NamedButton(area, "btnSearch");
    btnAddRecord = NamedButton(area, "btnAddRecord");
    btnDeleteRecord = NamedButton(area, "btnDeleteRecord");
    btnModifyRecord = NamedButton(area, "btnModifyRecord");
    BindButtonToAction(btnPassGen, ActPassGen);
    BindButtonToAction(btnAddRecord, ActAddRecord);
    BindButtonToAction(btnDeleteRecord, ActDelRecord);
    BindButtonToAction(btnModifyRecord, ActEditRecord);
    // The filter box on the left, in the room the buttons leave.
    FRecordFilter = new TRecordFilter(*PassTree, *this, area);
    FRecordFilter->Box()->setMinimumWidth(kFilterWidth);
    setTabOrder(FRecordFilter->Box(), PassTree);
    row->addWidget(FRecordFilter->Box());
    row->addStretch(1);
    for (QPushButton* button :
         {btnPassGen, btnSearch, btnAddRecord, btnDeleteRecord, btnModifyRecord}) {
        row->addWidget(button);
    }
    return area;
}

QWidget* TfrmCofferix::CreateBottomRow() {
    auto* area = new QWidget(plTip);
    auto* row = new QHBoxLayout(area);
    row->setContentsMargins(0, 0, 0, 0);
    chkDisplayPass = new QCheckBox(area);
    chkDisplayPass->setObjectName(QStringLiteral("chkDisplayPass"));
    // Named before the captions are applied: a screen reader already sees it behind the
    // start-up dialogs.
    chkDisplayPass->setAccessibleName(AccessibleNameOf(Tr(Str::sDisplayPassword)));
    btnLockApp = NamedButton(area, "btnLockApp");
    btnBackupDatabase = NamedButton(area, "btnBackupDatabase");
    btnExportDatabase = NamedButton(area, "btnExportDatabase");
    BindButtonToAction(btnLockApp, ActLockApp);
    row->addWidget(chkDisplayPass);
    row->addStretch(1);
    row->addWidget(btnLockApp);
    row->addWidget(btnBackupDatabase);
    row->addWidget(btnExportDatabase);
    return area;
}

QWidget* TfrmCofferix::CreateLockPage() {
    auto* page = new QWidget(FPages);
    page->setObjectName(QStringLiteral("plLocked"));
    auto* label = new QLabel(Tr(Str::sLockedNotice), page);
    label->setObjectName(QStringLiteral("lblLocked"));
    label->setAlignment(Qt::AlignCenter);
    label->setWordWrap(true);
    auto* button = new QPushButton(Tr(Str::sUnlockButton), page);
    button->setObjectName(QStringLiteral("btnUnlock"));
    connect(button, &QPushButton::clicked, this, &TfrmCofferix::UnlockRequested);
    auto* column = new QVBoxLayout(page);
    column->addStretch(1);
    column->addWidget(label);
    column->addWidget(button, 0, Qt::AlignHCenter);
    column->addStretch(1);
    return page;
}

void TfrmCofferix::ShowLockPage(bool locked) {
    // The view holds no record while locked, not even for a screen reader, which reads hidden
    // widgets too; records an unsaved change keeps in memory stay out of it as well. The
    // filter ends first, so that the view kept for the unlock is the whole tree's.
    FRecordFilter->SetLocked(locked);
    if (locked && !FModel->Withheld()) {
        FViewAtLock = TTreeViewState::Capture(*PassTree);
        FModel->SetWithheld(true);
    } else if (!locked && FModel->Withheld()) {
        FModel->SetWithheld(false);
        // Kept: records the unlock could not read yet come back later with this view.
        FViewAtLock.Restore(*PassTree);
        UpdateActions();
    }
    FPages->setCurrentWidget(locked ? FLockPage : plTip);
    // The menus reach the records too.
    menuBar()->setVisible(!locked);
}

bool TfrmCofferix::ShowsLockPage() const {
    return FPages->currentWidget() == FLockPage;
}

void TfrmCofferix::CreateMenus() {
    mnuFile = menuBar()->addMenu(QString());
    mnuFile->setObjectName(QStringLiteral("mnuFile"));
    mnuFile->addAction(mnuChangeAccessPass);
    mnuFile->addAction(mnuDatabaseFormat);
    mnuFile->addSeparator();
    mnuFile->addAction(mnuExportList);
    mnuFile->addAction(mnuImportOther);
    mnuFile->addAction(mnuExportOther);
    mnuFile->addAction(mnuMergeDatabase);
    mnuFile->addAction(mnuPasswordHealth);
    mnuFile->addAction(mnuOptions);
    mnuFile->addAction(ActExit);
    mnuEdit = menuBar()->addMenu(QString());
    mnuEdit->setObjectName(QStringLiteral("mnuEdit"));
    mnuEdit->addAction(ActAddRecord);
    mnuEdit->addAction(ActDelRecord);
    mnuEdit->addAction(ActEditRecord);
    mnuEdit->addSeparator();
    mnuEdit->addAction(ActPassGen);
}

void TfrmCofferix::CreateShortcuts() {
    FShortcuts = std::make_unique<TRecordShortcuts>(
        *PassTree, *FRecordCommands,
        TRecordShortcuts::TWindowActions{ActAddRecord, ActDelRecord, ActEditRecord, ActLockApp,
                                         ActExit},
        *FTrayLock, *FVault, this);
    FShortcuts->AddToMenus(*mnuFile, *mnuEdit);
}
