#include "app/RecordCommands.h"

#include <QComboBox>
#include <QDialog>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QTextDocument>
#include <vector>

#include "app/PassTree.h"
#include "app/WindowVault.h"
#include "base/Cp1252.h"
#include "base/StringTable.h"
#include "common/ClipboardGuard.h"
#include "common/Services.h"
#include "common/TextCodec.h"
#include "dialogs/UnitNewRecord.h"
#include "vault/NodeKey.h"
#include "vault/TreeCommands.h"

namespace {

// The memo's raw text: plain text would turn non-breaking spaces into blanks. Its line
// breaks are paragraph separators; notes keep CR LF line breaks in the vault, as every other
// writer of the format does.
std::string NotesFromEditor(const QPlainTextEdit& memo) {
    QString text = memo.document()->toRawText();
    text.replace(QChar::ParagraphSeparator, u'\n').replace(QChar::LineSeparator, u'\n');
    const std::string bytes = QStringToAnsi(text);
    std::string notes;
    notes.reserve(bytes.size() + bytes.size() / 16);
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        if (bytes[i] == '\n' && (i == 0 || bytes[i - 1] != '\r')) {
            notes += '\r';
        }
        notes += bytes[i];
    }
    return notes;
}

// True when the edit shows exactly these stored bytes.
bool ShowsBytes(const QLineEdit& edit, const std::string& bytes) {
    const QString text = edit.text();
    if (text.size() != static_cast<qsizetype>(bytes.size())) {
        return false;
    }
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (text.at(i).unicode() != Cp1252CharOf(static_cast<unsigned char>(bytes[i]))) {
            return false;
        }
    }
    return true;
}

std::string FieldFromEdit(const QLineEdit& edit, const std::string* stored) {
    return stored && ShowsBytes(edit, *stored) ? *stored : QStringToAnsi(edit.text());
}

// The editor's fields. With the record it was filled from, a field the user left as it was
// keeps its stored bytes exactly (notes with a lone LF, say).
TNodeData FieldsFromEditor(const TfrmNewRecord& editor, const TNodeData* stored = nullptr) {
    TNodeData fields;
    fields.Title = FieldFromEdit(*editor.edtTitle, stored ? &stored->Title : nullptr);
    fields.UserName = FieldFromEdit(*editor.edtID, stored ? &stored->UserName : nullptr);
    fields.Password = FieldFromEdit(*editor.edtPass, stored ? &stored->Password : nullptr);
    fields.Url = FieldFromEdit(*editor.edtUrl, stored ? &stored->Url : nullptr);
    const bool notesKept = stored && !editor.txtInfo->document()->isModified();
    fields.Notes = notesKept ? stored->Notes : NotesFromEditor(*editor.txtInfo);
    return fields;
}

}  // namespace

void TRecordCommands::AddRecord() {
    // The editor offers the groups that are in the file now.
    FContext.Vault().TakeInOutsideChange();
    TRecordTree groups;
    TfrmNewRecord editor(FContext.Vault().GroupsToOffer(groups), FContext.DialogOwner());
    editor.setWindowTitle(Tr(Str::sAddRecordCaption));
    if (FContext.RunDialog(editor) != QDialog::Accepted) {
        return;
    }
    const std::string groupName = QStringToAnsi(editor.cmbGroup->currentText());
    TNodeData fields = FieldsFromEditor(editor);
    TNodeKey added;
    FContext.Vault().Change(
        [&](TVaultChange& change) { added = TNodeKey::Of(*change.AddRecord(groupName, fields)); });
    WipeString(fields.Password);
    WipeString(fields.Notes);
    ShowRecord(added);
}

// Saved or not, the record is in the tree: the user sees where it went.
void TRecordCommands::ShowRecord(const TNodeKey& key) {
    if (const PNode record = key.Find(FContext.Vault().Tree())) {
        FContext.View().ScrollToNode(record);
        FContext.View().AddToSelection(record);
    }
}

void TRecordCommands::ModifySelected() {
    FContext.Vault().TakeInOutsideChange();
    const PNode node = FContext.View().FirstSelected();
    if (!node) {
        return;
    }
    if (node->Data.IsGroup) {
        RenameGroup(node);
    } else {
        EditRecord(node);
    }
}

void TRecordCommands::RenameGroup(PNode group) {
    const TNodeKey key = TNodeKey::Of(*group);
    const QString answer = InputBox(FContext.DialogOwner(), Tr(Str::sRenameGroupCaption),
                                    Tr(Str::sRenameGroupPrompt), AnsiToQString(key.Title));
    const std::string name = QStringToAnsi(answer);
    // Cancel answers the old name, and a change of letter case only is no change either.
    if (CaseFoldedCompare(name, key.Title) == 0) {
        return;
    }
    FContext.Vault().Change([&](TVaultChange& change) {
        if (const PNode found = key.Find(change.Tree())) {
            change.RenameGroup(found, name);
        }
    });
}

void TRecordCommands::EditRecord(PNode record) {
    const TRecordTree& tree = FContext.Vault().Tree();
    const TNodeKey key = TNodeKey::Of(*record);
    TfrmNewRecord editor(tree, FContext.DialogOwner());
    editor.setWindowTitle(Tr(Str::sModifyRecordCaption));
    editor.ShowFields(record->Data);
    editor.SelectGroup(AnsiToQString(GroupNameOf(tree, record)));
    if (FContext.RunDialog(editor) != QDialog::Accepted) {
        return;
    }
    // The dialog ran an event loop: the record is looked up again rather than trusted.
    const PNode shown = key.Find(FContext.Vault().Tree());
    TNodeData fields = FieldsFromEditor(editor, shown ? &shown->Data : nullptr);
    const std::string groupName = QStringToAnsi(editor.cmbGroup->currentText());
    TNodeKey edited = key;
    FContext.Vault().Change([&](TVaultChange& change) {
        if (const PNode found = key.Find(change.Tree())) {
            change.ModifyRecord(found, fields, groupName);
        } else {
            // Removed by another program meanwhile: the edit comes back as a record of its own.
            edited = TNodeKey::Of(*change.AddRecord(groupName, fields));
        }
    });
    WipeString(fields.Password);
    WipeString(fields.Notes);
    ShowRecord(edited);
}

void TRecordCommands::DeleteSelected() {
    FContext.Vault().TakeInOutsideChange();
    std::vector<TNodeKey> selected;
    for (const PNode node : FContext.View().SelectedNodes()) {
        selected.push_back(TNodeKey::Of(*node));
    }
    if (selected.empty() || !AskOkCancel(FContext.DialogOwner(), Tr(Str::sConfirmDelete))) {
        return;
    }
    FContext.Vault().Change([&](TVaultChange& change) {
        const TNodeIndex index(change.Tree());
        std::vector<PNode> nodes;
        for (const TNodeKey& key : selected) {
            if (const PNode found = index.Find(key)) {
                nodes.push_back(found);
            }
        }
        change.Remove(nodes);
    });
}

bool TRecordCommands::NodeMatches(const TNodeData& data, const std::string& needle) {
    return RecordMatchesText(data, needle);
}

void TRecordCommands::FindNext(const QString& text) {
    const TRecordTree& tree = FContext.Vault().Tree();
    std::string needle = QStringToAnsi(text);
    const PNode last = FContext.LastFound();
    PNode node = last ? tree.Next(last) : tree.First();
    // A filtered view finds among what it shows.
    const TRecordTreeModel& shown = *FContext.View().RecordModel();
    while (node && !(NodeMatches(node->Data, needle) && shown.Shows(node))) {
        node = tree.Next(node);
    }
    WipeString(needle);
    if (!node) {
        Beep();  // no wrap: the next press searches the same stretch again
        return;
    }
    FContext.View().clearSelection();
    FContext.View().ScrollToNode(node);
    FContext.View().SelectOnly(node);
    FContext.View().setFocus();
    FContext.SetLastFound(node);
}

void TRecordCommands::CopyField(int column) {
    const PNode node = FContext.View().FirstSelected();
    if (!node) {
        return;
    }
    std::string text = TRecordTreeModel::CellText(node->Data, column, true);
    QString copy = AnsiToQString(text);
    WipeString(text);
    if (column == TRecordTreeModel::colPassword) {
        CopySecretToClipboard(copy);  // marked, and cleared again after a while
    } else {
        CopyTextToClipboard(copy);
    }
    copy.fill(QLatin1Char(' '));
}
