#include "app/RecordCommands.h"

#include <QComboBox>
#include <QDialog>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QTextDocument>
#include <chrono>
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
#include "vault/RemovedNodes.h"
#include "vault/TreeCommands.h"

using namespace std::chrono_literals;

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

// A notice text with its "%1" and "%2" filled in.
QString Notice(std::string_view text, const QString& first, const QString& second = {}) {
    QString notice = Tr(text);
    notice.replace(QStringLiteral("%1"), first);
    return notice.replace(QStringLiteral("%2"), second);
}

}  // namespace

TRecordCommands::TRecordCommands(IWindowContext& context) : FContext(context) {}

TRecordCommands::~TRecordCommands() = default;

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
    std::unique_ptr<TRemovedNodes> removed;
    FContext.Vault().Change([&](TVaultChange& change) {
        const TNodeIndex index(change.Tree());
        std::vector<PNode> nodes;
        for (const TNodeKey& key : selected) {
            if (const PNode found = index.Find(key)) {
                nodes.push_back(found);
            }
        }
        removed = std::make_unique<TRemovedNodes>(change.Tree(), nodes);
        change.Remove(nodes);
    });
    KeepForUndo(std::move(removed));
}

// A selection of more than one record may have been a surprise: the count shows at once.
void TRecordCommands::KeepForUndo(std::unique_ptr<TRemovedNodes> removed) {
    if (!removed || removed->IsEmpty()) {
        return;
    }
    FUndo = std::move(removed);  // what an earlier delete kept is wiped as it goes
    if (FUndo->RecordCount() > 1) {
        FContext.ShowNotice(Notice(Str::sRecordsDeleted, QString::number(FUndo->RecordCount())));
    }
    if (FUndoChanged) {
        FUndoChanged();
    }
}

void TRecordCommands::DropDeleteUndo() {
    if (!FUndo) {
        return;
    }
    FUndo.reset();
    if (FUndoChanged) {
        FUndoChanged();
    }
}

void TRecordCommands::UndoDelete() {
    if (!FUndo) {
        return;
    }
    // Gone once put back, saved or not: a failed save keeps the put-back nodes as unsaved.
    const std::unique_ptr<TRemovedNodes> removed = std::move(FUndo);
    if (FUndoChanged) {
        FUndoChanged();
    }
    TRemovedNodes::TPutBack result;
    FContext.Vault().Change([&](TVaultChange& change) { result = removed->PutBack(change); });
    SelectPutBack(result.Placed);
    const QString count = QString::number(result.Records);
    FContext.ShowNotice(result.AlreadyPresent == 0
                            ? Notice(Str::sRecordsPutBack, count)
                            : Notice(Str::sRecordsPutBackSomePresent, count,
                                     QString::number(result.AlreadyPresent)));
}

void TRecordCommands::SelectPutBack(const std::vector<TNodeKey>& placed) {
    TPassTree& view = FContext.View();
    view.clearSelection();
    const TNodeIndex index(FContext.Vault().Tree());
    bool first = true;
    for (const TNodeKey& key : placed) {
        const PNode node = index.Find(key);
        if (!node) {
            continue;
        }
        if (first) {
            view.ScrollToNode(node);
            view.SelectOnly(node);
            first = false;
        } else {
            view.AddToSelection(node);
        }
    }
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
    CopyNodeField(FContext.View().FirstSelected(), column);
}

bool TRecordCommands::CopyNodeField(PNode node, int column) {
    if (!node) {
        return false;
    }
    std::string text = TRecordTreeModel::CellText(node->Data, column, true);
    QString copy = AnsiToQString(text);
    WipeString(text);
    if (copy.isEmpty()) {
        return false;
    }
    const bool copied = column == TRecordTreeModel::colPassword
                            ? CopySecretToClipboard(copy)  // marked, and cleared again later
                            : CopyTextToClipboard(copy);
    copy.fill(QLatin1Char(' '));
    return copied;
}

void TRecordCommands::CopyWithNotice(PNode node, int column) {
    if (!CopyNodeField(node, column)) {
        Beep();
        return;
    }
    const QString field = FContext.View().RecordModel()->ColumnCaption(column);
    const TClipboardGuard* guard = TClipboardGuard::Current();
    const auto seconds = guard ? std::chrono::ceil<std::chrono::seconds>(guard->ClearDelay()) : 0s;
    if (column == TRecordTreeModel::colPassword && seconds.count() > 0) {
        FContext.ShowNotice(
            Notice(Str::sCopiedSecretNotice, field, QString::number(seconds.count())));
    } else {
        FContext.ShowNotice(Notice(Str::sCopiedNotice, field));
    }
}

void TRecordCommands::CopyCurrentCell() {
    const TPassTree& view = FContext.View();
    const QModelIndex cell = view.currentIndex();
    CopyWithNotice(view.RecordModel()->NodeOf(cell), cell.column());
}

void TRecordCommands::CopySelectedField(int column) {
    const PNode node = FContext.View().FirstSelected();
    CopyWithNotice(node && !node->Data.IsGroup ? node : nullptr, column);
}

void TRecordCommands::OpenSelectedUrl() {
    const PNode node = FContext.View().FirstSelected();
    // Never a password or a note: the opener's command line is readable by every local user.
    const QString url = node && !node->Data.IsGroup ? AnsiToQString(node->Data.Url) : QString();
    if (!url.contains(QLatin1Char('.'))) {
        Beep();
        return;
    }
    OpenDocument(url);
}
