#pragma once

#include <QString>
#include <functional>
#include <memory>
#include <vector>

#include "vault/NodeKey.h"
#include "vault/RecordTree.h"

#include "app/WindowContext.h"

class TRemovedNodes;

// The main window's commands on records and groups: add, modify (a group: rename), delete,
// find and copy. Every change goes through the vault's one change path, which takes in what
// another program saved meanwhile and saves the whole tree into the open vault.
class TRecordCommands {
public:
    explicit TRecordCommands(IWindowContext& context);
    ~TRecordCommands();

    void AddRecord();
    // Renames the first selected group, or edits the first selected record.
    void ModifySelected();
    // Keeps what it took for UndoDelete, in place of what an earlier delete took, and says in
    // the status bar how many records went when they were more than one.
    void DeleteSelected();
    // One find step: the next node after the last found one (or from the top) whose user
    // name, password or notes hold the text, letters A to Z matched in either case.
    void FindNext(const QString& text);
    // Puts the field of the column (the password in clear) of the first selected node on
    // the clipboard; the password as a secret that is cleared again.
    void CopyField(int column);
    // The same copy of the node's field; false when the field is empty or the clipboard took
    // nothing.
    bool CopyNodeField(PNode node, int column);

    // The keyboard's copies, each said in the status bar: the view's current cell, and a field
    // of the first selected record. Nothing to copy beeps.
    void CopyCurrentCell();
    void CopySelectedField(int column);
    // The first selected record's URL to the desktop's opener, when it holds a dot, as a
    // double click opens it.
    void OpenSelectedUrl();

    // Puts back what the last delete took (one change, saved), selects it and says so.
    void UndoDelete();
    bool CanUndoDelete() const { return FUndo != nullptr; }
    // The records the undo keeps leave memory: at a lock, when another vault opens.
    void DropDeleteUndo();
    // Called whenever CanUndoDelete may have changed.
    void SetUndoChanged(std::function<void()> changed) { FUndoChanged = std::move(changed); }

    // The fields the find searches, in their order; true when one holds the needle, letters
    // A to Z matched in either case.
    static bool NodeMatches(const TNodeData& data, const std::string& needle);

private:
    void RenameGroup(PNode group);
    void EditRecord(PNode record);
    void ShowRecord(const TNodeKey& key);
    void SelectPutBack(const std::vector<TNodeKey>& placed);
    void KeepForUndo(std::unique_ptr<TRemovedNodes> removed);
    void CopyWithNotice(PNode node, int column);

    IWindowContext& FContext;
    std::unique_ptr<TRemovedNodes> FUndo;
    std::function<void()> FUndoChanged;
};
