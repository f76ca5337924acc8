#include "app/AppTestKit.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>
#include <QComboBox>
#include <QFile>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QSettings>

#include "app/UnitCofferix.h"
#include "base/StringTable.h"
#include "common/Settings.h"
#include "common/TextCodec.h"
#include "dialogs/UnitImportDb.h"
#include "dialogs/UnitNewPass.h"
#include "dialogs/UnitNewRecord.h"
#include "vault/TreeCommands.h"
#include "vault/VaultOperations.h"

namespace {

std::string FileName(const QString& path) {
    return QFile::encodeName(path).toStdString();
}

QString Texts(const TNodeData& data) {
    return AnsiToQString(data.Title + "|" + data.UserName + "|" + data.Password + "|" + data.Url +
                         "|" + data.Notes);
}

}  // namespace

void FillTree(TRecordTree& tree, const std::vector<TRecordSpec>& records) {
    for (const TRecordSpec& record : records) {
        TNodeData fields;
        fields.Title = record.Title;
        fields.UserName = record.UserName;
        fields.Password = record.Password;
        fields.Url = record.Url;
        fields.Notes = record.Notes;
        AddRecordNode(tree, record.Group, fields);
    }
}

void WriteVault(const QString& path, const std::string& password,
                const std::vector<TRecordSpec>& records) {
    VaultCreate(FileName(path), password);
    TRecordTree tree;
    FillTree(tree, records);
    VaultSave(FileName(path), password, tree);
}

std::unique_ptr<TRecordTree> ReadVault(const QString& path, const std::string& password) {
    auto tree = std::make_unique<TRecordTree>();
    VaultLoad(FileName(path), password, *tree);
    return tree;
}

QStringList Outline(const TRecordTree& tree) {
    QStringList lines;
    for (const TRecordTree::TNode* node = tree.First(); node; node = tree.Next(node)) {
        int depth = 0;
        for (const auto* up = tree.Parent(node); up; up = tree.Parent(up)) {
            ++depth;
        }
        const QString indent(2 * depth, QLatin1Char(' '));
        lines << indent + (node->Data.IsGroup ? "[" + AnsiToQString(node->Data.Title) + "]"
                                              : Texts(node->Data));
    }
    return lines;
}

PNode FindByTitle(const TRecordTree& tree, const std::string& title) {
    for (PNode node = tree.First(); node; node = tree.Next(node)) {
        if (node->Data.Title == title) {
            return node;
        }
    }
    return nullptr;
}

TForeignLock::TForeignLock(const QString& path)
    : FFd(::open(QFile::encodeName(path).constData(), O_RDONLY)) {
    if (FFd < 0 || ::flock(FFd, LOCK_EX) != 0) {
        qFatal("cannot lock %s", qPrintable(path));
    }
}

TForeignLock::~TForeignLock() {
    ::close(FFd);
}

void ClearSettings() {
    QSettings(QSettings::NativeFormat, QSettings::UserScope, Tr(Str::sRegistryKeyName)).clear();
}

quint64 FileInode(const QString& path) {
    struct stat info {};
    if (::stat(QFile::encodeName(path).constData(), &info) != 0) {
        return 0;
    }
    return static_cast<quint64>(info.st_ino);
}

QByteArray FileBytes(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        return QByteArray();
    }
    return file.readAll();
}

bool IsOwnerOnly(const QString& path) {
    struct stat info {};
    if (::stat(QFile::encodeName(path).constData(), &info) != 0) {
        return false;
    }
    return (info.st_mode & 077) == 0;
}

std::unique_ptr<TfrmCofferix> StartWindowOn(const QString& path, const std::string& password,
                                            TDialogScript& script) {
    Settings::SetDatabase(path);
    auto window = std::make_unique<TfrmCofferix>();
    script.Attach(*window);
    script.Then(OpenWith(password));
    if (!window->FormCreate()) {
        return nullptr;
    }
    return window;
}

void TDialogScript::Attach(TfrmCofferix& window) {
    window.SetDialogRunner([this](QDialog& dialog) {
        Shown << QString::fromLatin1(dialog.metaObject()->className());
        if (FAnswers.empty()) {
            return static_cast<int>(QDialog::Rejected);
        }
        TAnswer answer = std::move(FAnswers.front());
        FAnswers.pop_front();
        return answer(dialog);
    });
}

TDialogScript::TAnswer CancelDialog() {
    return [](QDialog& dialog) {
        dialog.reject();
        return dialog.result();
    };
}

TDialogScript::TAnswer OpenWith(const std::string& password) {
    return Answer<TfrmImportDb>([password](TfrmImportDb& dialog) {
        dialog.edtPass->setText(AnsiToQString(password));
        dialog.btnOKClick();
    });
}

TDialogScript::TAnswer CreateWith(const std::string& password) {
    return Answer<TfrmNewPassword>([password](TfrmNewPassword& dialog) {
        dialog.EditPass->setText(AnsiToQString(password));
        dialog.EditConfirm->setText(AnsiToQString(password));
        dialog.btnOKClick();
    });
}

TDialogScript::TAnswer RecordWith(const TRecordSpec& record) {
    return Answer<TfrmNewRecord>([record](TfrmNewRecord& dialog) {
        dialog.cmbGroup->setCurrentText(AnsiToQString(record.Group));
        dialog.edtTitle->setText(AnsiToQString(record.Title));
        dialog.edtID->setText(AnsiToQString(record.UserName));
        dialog.edtPass->setText(AnsiToQString(record.Password));
        dialog.edtUrl->setText(AnsiToQString(record.Url));
        dialog.txtInfo->setPlainText(AnsiToQString(record.Notes));
        dialog.btnOKClick();
    });
}
