#include "app/RecordCommands.h"

#include <QComboBox>
#include <QDialog>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QTextDocument>
#include <algorithm>
#include <set>
#include <vector>

#include "app/UnitCofferix.h"
#include "common/ClipboardGuard.h"
#include "common/Services.h"
#include "common/StringTable.h"
#include "common/TextCodec.h"
#include "dialogs/UnitNewRecord.h"
#include "vault/TreeCommands.h"

namespace {

// Notes keep CR LF line breaks in the vault, as every other writer of the format does; the
// editor works with "\n".
QString NotesToEditor(const std::string& notes) {
    return AnsiToQString(notes).replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
}

// The memo's raw text: plain text would turn non-breaking spaces into blanks. Its line
// breaks are paragraph separators; the vault stores them as CR LF.
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

TNodeData FieldsFromEditor(const TfrmNewRecord& editor) {
    TNodeData fields;
    fields.Title = QStringToAnsi(editor.edtTitle->text());
    fields.UserName = QStringToAnsi(editor.edtID->text());
    fields.Password = QStringToAnsi(editor.edtPass->text());
    fields.Url = QStringToAnsi(editor.edtUrl->text());
    fields.Notes = NotesFromEditor(*editor.txtInfo);
    return fields;
}

bool ContainsLowered(const std::string& haystack, const std::string& lowerNeedle) {
    auto lowered = [](char a, char b) {
        return (a >= 'A' && a <= 'Z' ? static_cast<char>(a - 'A' + 'a') : a) == b;
    };
    return std::search(haystack.begin(), haystack.end(), lowerNeedle.begin(), lowerNeedle.end(),
                       lowered) != haystack.end();
}

}  // namespace

void TRecordCommands::AddRecord() {
    TfrmNewRecord editor(FWindow.RecordTree(), &FWindow);
    editor.setWindowTitle(Tr(Str::sAddRecordCaption));
    if (FWindow.RunDialog(editor) != QDialog::Accepted) {
        return;
    }
    const std::string groupName = QStringToAnsi(editor.cmbGroup->currentText());
    TNodeData fields = FieldsFromEditor(editor);
    const PNode record = FWindow.Model().AddRecord(groupName, fields);
    WipeString(fields.Password);
    WipeString(fields.Notes);
    FWindow.SaveVault(FWindow.DatabaseFile());
    FWindow.PassTree->ScrollToNode(record);
    FWindow.PassTree->AddToSelection(record);
}

void TRecordCommands::ModifySelected() {
    const PNode node = FWindow.PassTree->FirstSelected();
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
    const QString answer = InputBox(&FWindow, Tr(Str::sRenameGroupCaption),
                                    Tr(Str::sRenameGroupPrompt), AnsiToQString(group->Data.Title));
    const std::string name = QStringToAnsi(answer);
    // Cancel answers the old name, and a change of letter case only is no change either.
    if (CaseFoldedCompare(name, group->Data.Title) == 0) {
        return;
    }
    group->Data.Title = name;
    FWindow.Model().NodeChanged(group);
    FWindow.SaveVault(FWindow.DatabaseFile());
}

void TRecordCommands::EditRecord(PNode record) {
    TRecordTree& tree = FWindow.Tree();
    const std::string groupName = GroupNameOf(tree, record);
    TfrmNewRecord editor(tree, &FWindow);
    editor.setWindowTitle(Tr(Str::sModifyRecordCaption));
    TNodeData& data = record->Data;
    editor.edtTitle->setText(AnsiToQString(data.Title));
    editor.edtID->setText(AnsiToQString(data.UserName));
    editor.edtPass->setText(AnsiToQString(data.Password));
    editor.edtUrl->setText(AnsiToQString(data.Url));
    editor.txtInfo->setPlainText(NotesToEditor(data.Notes));
    editor.SelectGroup(AnsiToQString(groupName));
    if (FWindow.RunDialog(editor) != QDialog::Accepted) {
        return;
    }
    TNodeData fields = FieldsFromEditor(editor);
    data.Title = std::move(fields.Title);
    data.UserName = std::move(fields.UserName);
    data.Password.swap(fields.Password);
    data.Notes.swap(fields.Notes);
    data.Url = std::move(fields.Url);
    FWindow.Model().NodeChanged(record);
    FWindow.Model().MoveRecordToGroup(record, QStringToAnsi(editor.cmbGroup->currentText()));
    FWindow.PassTree->ScrollToNode(record);
    FWindow.SaveVault(FWindow.DatabaseFile());
}

void TRecordCommands::DeleteSelected() {
    const std::vector<PNode> selected = FWindow.PassTree->SelectedNodes();
    if (selected.empty() || !AskOkCancel(&FWindow, Tr(Str::sConfirmDelete))) {
        return;
    }
    // A deleted group takes its records along: drop the nodes below a selected node first,
    // while every pointer is still alive.
    const std::set<const TRecordTree::TNode*> chosen(selected.begin(), selected.end());
    const TRecordTree& tree = FWindow.RecordTree();
    std::vector<PNode> doomed;
    for (const PNode node : selected) {
        bool underChosen = false;
        for (auto* up = tree.Parent(node); up && !underChosen; up = tree.Parent(up)) {
            underChosen = chosen.count(up) != 0;
        }
        if (!underChosen) {
            doomed.push_back(node);
        }
    }
    // From the back, so that each removal leaves the rows before it alone.
    for (auto it = doomed.rbegin(); it != doomed.rend(); ++it) {
        FWindow.Model().DeleteNode(*it);
    }
    FWindow.SaveVault(FWindow.DatabaseFile());
}

std::string TRecordCommands::LowerAZ(std::string text) {
    for (char& c : text) {
        if (c >= 'A' && c <= 'Z') {
            c = static_cast<char>(c - 'A' + 'a');
        }
    }
    return text;
}

bool TRecordCommands::NodeMatches(const TNodeData& data, const std::string& lowerNeedle) {
    if (lowerNeedle.empty()) {
        return false;
    }
    return ContainsLowered(data.UserName, lowerNeedle) ||
           ContainsLowered(data.Password, lowerNeedle) || ContainsLowered(data.Notes, lowerNeedle);
}

void TRecordCommands::FindNext(const QString& text) {
    const TRecordTree& tree = FWindow.RecordTree();
    std::string needle = LowerAZ(QStringToAnsi(text));
    const PNode last = FWindow.LastFound();
    PNode node = last ? tree.Next(last) : tree.First();
    while (node && !NodeMatches(node->Data, needle)) {
        node = tree.Next(node);
    }
    WipeString(needle);
    if (!node) {
        Beep();  // no wrap: the next press searches the same stretch again
        return;
    }
    FWindow.PassTree->clearSelection();
    FWindow.PassTree->ScrollToNode(node);
    FWindow.PassTree->SelectOnly(node);
    FWindow.PassTree->setFocus();
    FWindow.SetLastFound(node);
}

void TRecordCommands::CopyField(int column) {
    const PNode node = FWindow.PassTree->FirstSelected();
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
