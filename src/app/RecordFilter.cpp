#include "app/RecordFilter.h"

#include <QItemSelectionModel>
#include <QKeyEvent>
#include <QLineEdit>
#include <QScrollBar>
#include <QShortcut>
#include <algorithm>
#include <string>
#include <tuple>
#include <utility>
#include <vector>

#include "app/PassTree.h"
#include "base/StringTable.h"
#include "base/Wipe.h"
#include "common/TextCodec.h"
#include "dialogs/DialogHelpers.h"
#include "vault/NodeKey.h"

namespace {

// The nodes that keys name, in an order of their own: two selections compare equal whatever
// order they were taken in. No index of the whole tree: the filter ends at a keystroke.
std::vector<std::pair<bool, TGuid>> Identities(const std::vector<TNodeKey>& keys) {
    std::vector<std::pair<bool, TGuid>> identities;
    identities.reserve(keys.size());
    for (const TNodeKey& key : keys) {
        identities.emplace_back(key.IsGroup, key.Guid);
    }
    std::sort(identities.begin(), identities.end(), [](const auto& a, const auto& b) {
        return std::tie(a.first, a.second.Bytes) < std::tie(b.first, b.second.Bytes);
    });
    return identities;
}

}  // namespace

TRecordFilter::TRecordFilter(TPassTree& view, QWidget& window, QWidget* parent)
    : QObject(&window), FView(view), FBox(new QLineEdit(parent)) {
    FBox->setObjectName(QStringLiteral("edtFilter"));
    FBox->setPlaceholderText(Tr(Str::sFilterPlaceholder));
    FBox->setAccessibleName(Tr(Str::sFilterName));
    FBox->setClearButtonEnabled(true);
    FBox->installEventFilter(this);
    FShortcut = new QShortcut(QKeySequence(Qt::CTRL | Qt::Key_E), &window);
    connect(FShortcut, &QShortcut::activated, this, [this] {
        FBox->setFocus(Qt::ShortcutFocusReason);
        FBox->selectAll();
    });
    connect(FBox, &QLineEdit::textChanged, this, &TRecordFilter::TextChanged);
    // Groups that a reload or a change brings into the filtered view open as the others did.
    const TRecordTreeModel* model = FView.RecordModel();
    connect(model, &QAbstractItemModel::modelReset, this, [this] {
        if (FFiltering) {
            ExpandShownGroups();
        }
    });
    connect(model, &QAbstractItemModel::rowsInserted, this, &TRecordFilter::ExpandInserted);
}

void TRecordFilter::SetLocked(bool locked) {
    if (locked) {
        WipePasswordEdit(FBox);  // ends the filter
    }
    FBox->setEnabled(!locked);
    FShortcut->setEnabled(!locked);
}

void TRecordFilter::TextChanged(const QString& text) {
    if (text.isEmpty()) {
        if (FFiltering) {
            EndFiltering();
        }
        return;
    }
    if (!FFiltering) {
        FBefore = TTreeViewState::Capture(FView);
        FFiltering = true;
    }
    std::string needle = QStringToAnsi(text);
    FView.RecordModel()->SetFilter(needle);
    WipeString(needle);
    ExpandShownGroups();
    if (FView.currentIndex().isValid()) {
        FView.scrollTo(FView.currentIndex());
    } else {
        FView.scrollToTop();
    }
}

void TRecordFilter::EndFiltering() {
    FFiltering = false;
    TTreeViewState before = std::move(FBefore);
    FBefore = {};
    TRecordTreeModel& model = *FView.RecordModel();
    // What is selected now, unless it is what was selected before, stays selected.
    const std::vector<PNode> selected = FView.SelectedNodes();
    std::vector<TNodeKey> selectedKeys;
    for (const PNode node : selected) {
        selectedKeys.push_back(TNodeKey::Of(*node));
    }
    const bool keepSelection =
        !selected.empty() && Identities(selectedKeys) != Identities(before.Selected);
    const PNode current = model.NodeOf(FView.currentIndex());
    model.SetFilter({});  // a reset: no group open, nothing selected
    if (keepSelection) {
        before.Selected.clear();
        before.Current.reset();
    }
    before.Restore(FView);
    if (keepSelection) {
        for (const PNode node : selected) {
            FView.AddToSelection(node);
        }
        if (current) {
            FView.selectionModel()->setCurrentIndex(model.IndexOf(current),
                                                    QItemSelectionModel::NoUpdate);
        }
        FView.ScrollToNode(current ? current : selected.front());
    } else {
        // The scroll range follows the restored rows only once they are laid out.
        FView.doItemsLayout();
        FView.verticalScrollBar()->setValue(before.ScrollPosition);
    }
}

void TRecordFilter::ExpandShownGroups() {
    const TRecordTreeModel& model = *FView.RecordModel();
    const int groups = model.rowCount();
    for (int row = 0; row < groups; ++row) {
        const QModelIndex group = model.index(row, 0);
        if (model.rowCount(group) > 0) {
            FView.expand(group);
        }
    }
}

void TRecordFilter::ExpandInserted(const QModelIndex& parent, int first, int last) {
    if (!FFiltering) {
        return;
    }
    // A group comes into the filtered view before its first record does.
    if (parent.isValid()) {
        FView.expand(parent);
    }
    for (int row = first; row <= last; ++row) {
        const QModelIndex inserted = FView.model()->index(row, 0, parent);
        if (FView.model()->rowCount(inserted) > 0) {
            FView.expand(inserted);
        }
    }
}

void TRecordFilter::FocusTree() {
    FView.setFocus(Qt::OtherFocusReason);
    if (FView.currentIndex().isValid()) {
        return;
    }
    QModelIndex first = FView.model()->index(0, 0);
    if (FView.model()->rowCount(first) > 0) {
        first = FView.model()->index(0, 0, first);
    }
    if (first.isValid()) {
        FView.SelectOnly(FView.RecordModel()->NodeOf(first));
    }
}

bool TRecordFilter::eventFilter(QObject* watched, QEvent* event) {
    if (watched == FBox && event->type() == QEvent::KeyPress) {
        switch (static_cast<QKeyEvent*>(event)->key()) {
            case Qt::Key_Escape:
                if (!FBox->text().isEmpty()) {
                    WipePasswordEdit(FBox);
                    return true;
                }
                break;
            case Qt::Key_Down:
            case Qt::Key_Return:
            case Qt::Key_Enter:
                FocusTree();
                return true;
            default:
                break;
        }
    }
    return QObject::eventFilter(watched, event);
}
