#pragma once

#include <QString>

#include "vault/NodeKey.h"
#include "vault/RecordTree.h"

#include "app/WindowContext.h"

// The main window's commands on records and groups: add, modify (a group: rename), delete,
// find and copy. Every change goes through the vault's one change path, which takes in what
// another program saved meanwhile and saves the whole tree into the open vault.
class TRecordCommands {
public:
    explicit TRecordCommands(IWindowContext& context) : FContext(context) {}

    void AddRecord();
    // Renames the first selected group, or edits the first selected record.
    void ModifySelected();
    void DeleteSelected();
    // One find step: the next node after the last found one (or from the top) whose user
    // name, password or notes hold the text, letters A to Z matched in either case.
    void FindNext(const QString& text);
    // Puts the field of the column (the password in clear) of the first selected node on
    // the clipboard; the password as a secret that is cleared again.
    void CopyField(int column);

    // The fields the find searches, in their order; true when one holds the needle, letters
    // A to Z matched in either case.
    static bool NodeMatches(const TNodeData& data, const std::string& needle);

private:
    void RenameGroup(PNode group);
    void EditRecord(PNode record);
    void ShowRecord(const TNodeKey& key);

    IWindowContext& FContext;
};
