#pragma once

#include <QAbstractItemModel>
#include <QIcon>
#include <QStringList>
#include <functional>
#include <string>
#include <string_view>

#include "app/ShownRows.h"
#include "vault/RecordTree.h"
#include "vault/TreeObserver.h"

// The record tree as the main window's view sees it: five columns, groups at the top level
// and their records below. The model reads the session's tree and changes nothing in it but
// its order (a header click); the session's changes reach the views through the observer. Indexes
// carry the TNode* as their internal pointer, and each node keeps its row current, so nothing here
// walks a level. As the tree's observer it tells the views of every change the shared tree commands
// make.
//
// With a filter set, the model shows only the records whose title, user name, URL or notes hold
// the filter text, under their groups: each shown level keeps the list of its shown children in
// tree order, and a shown node's row is its place in that list. The lists follow every change of
// the tree, so a record changed or added while filtered appears or goes as the filter says.
class TRecordTreeModel : public QAbstractItemModel, public ITreeObserver {
    Q_OBJECT
public:
    enum TColumn { colTitle = 0, colUserName, colPassword, colUrl, colNotes, kColumnCount };

    // Puts every level of the tree in order (the vault session's SortTree).
    using TSorter = std::function<void(const TRecordTree::TCompare&, bool descending)>;

    TRecordTreeModel(const TRecordTree& tree, TSorter sorter, QObject* parent = nullptr);

    QModelIndex index(int row, int column, const QModelIndex& parent = {}) const override;
    QModelIndex parent(const QModelIndex& child) const override;
    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    // A record never has children: the view need not ask for every row it lays out.
    Qt::ItemFlags flags(const QModelIndex& index) const override;
    QVariant headerData(int section, Qt::Orientation orientation,
                        int role = Qt::DisplayRole) const override;

    const TRecordTree& Tree() const { return FTree; }
    PNode NodeOf(const QModelIndex& index) const;
    // The node's index; invalid for a node the model does not show (filtered out, withheld).
    QModelIndex IndexOf(const TRecordTree::TNode* node, int column = colTitle) const;
    // The node shown as child number row of parent (null: the top level), or null.
    PNode NodeAt(const TRecordTree::TNode* parent, int row) const;
    bool Shows(const TRecordTree::TNode* node) const;

    void SetColumnCaptions(const QStringList& captions);
    QString ColumnCaption(int column) const;

    // Withheld, the model shows no rows at all while the tree keeps its records: the locked
    // window's view, which screen readers can still read, then holds nothing of them.
    bool Withheld() const { return FWithheld; }
    void SetWithheld(bool withheld);

    // Shows only the records whose title, user name, URL or notes (never the password) hold
    // needle, letters A to Z matched in either case as the find does, with their groups. The
    // rows change as a layout change, so the views keep their selection and open groups among
    // the rows that stay. An empty needle shows the whole tree again, by a reset: the caller
    // puts back what the views showed before the filter.
    void SetFilter(std::string_view needle);
    bool IsFiltered() const { return FShown.IsFiltering(); }

    // Whether the Password column shows passwords in clear or the record mask.
    bool DisplayPass() const { return FDisplayPass; }
    void SetDisplayPass(bool display);

    // The text a cell shows: the field of the column, the password masked as "*" for every
    // record while passwords are hidden (empty for a group), empty for unknown columns.
    static std::string CellText(const TNodeData& data, int column, bool displayPass);
    QString CellText(const TRecordTree::TNode* node, int column) const;

    // The header-click comparison. Column 0 compares the user names, column 1 the passwords,
    // column 2 the notes (by the case-folded comparison); other columns compare equal.
    static int CompareNodes(const TNodeData& a, const TNodeData& b, int column);

    // Header click: flips the one direction shared by all columns (the first click sorts
    // descending), then sorts every level of the tree itself, stably, so that the next save
    // keeps the order.
    void SortByColumn(int column);
    // Sorts again by the last header click's column and direction (after a reload).
    void ReapplySort();
    bool SortDescending() const { return FSortDescending; }
    int SortColumn() const { return FSortColumn; }

    // ITreeObserver
    void TreeResetting() override;
    void TreeReset() override;
    void NodeInserting(const TNode* parent, int row) override;
    void NodeInserted() override;
    void NodeMoving(const TNode* node, const TNode* newParent, int row) override;
    void NodeMoved() override;
    void NodeRemoving(const TNode* node) override;
    void NodeRemoved() override;
    void NodeChanged(const TNode* node) override;

signals:
    // Before the node leaves the tree, whether the model shows it or not.
    void NodeAboutToBeRemoved(const TRecordTree::TNode* node);

private:
    void SortTree();
    QModelIndex ParentIndexOf(const TRecordTree::TNode* node) const;
    bool Filtering() const { return IsFiltered() && !FWithheld; }
    void Reconcile(const TNode* node);
    void Show(const TNode* node);
    void Hide(const TNode* node);
    template <typename TChange>
    void ChangeLayout(LayoutChangeHint hint, TChange change);

    const TRecordTree& FTree;
    TSorter FSorter;
    QStringList FCaptions;
    QIcon FRecordIcon;
    QIcon FGroupIcon;
    TShownRows FShown;
    // The insertion announced and not yet made.
    const TNode* FInsertParent = nullptr;
    int FInsertRow = 0;
    const TNode* FMoving = nullptr;
    bool FDisplayPass = false;
    bool FWithheld = false;
    bool FSortDescending = false;
    int FSortColumn = -1;
};
