#pragma once

#include <QObject>
#include <QString>

#include "app/WindowContext.h"

class QLabel;
class QWidget;

// The main window's commands that move records between this vault and other password
// managers' files or another Cofferix vault: import, export for another manager, merge, and
// the notice of a sync conflict copy lying beside the open vault.
class TInteropCommands : public QObject {
    Q_OBJECT
public:
    explicit TInteropCommands(IWindowContext& context) : FContext(context) {}

    // Asks for a file, reads it, shows what importing it would do, and imports it in one
    // change once the user agrees.
    void ImportFromManager();
    // Asks for a file and writes the records there for another manager (by the file's suffix:
    // .xml KeePass 2 XML, .csv KeePassXC CSV, .json Bitwarden JSON), after a warning.
    void ExportForManager();
    // Asks for another Cofferix vault and merges it in (see MergeFile).
    void MergeDatabase();
    // Merges the vault at path into the open one after showing what it would do; asks for its
    // master password when the open vault's does not open it. True when merged.
    bool MergeFile(const QString& path);

    // The status-bar notice of a conflict copy, with its Merge button; hidden until one is
    // found. Made once, owned by parent.
    QWidget* CreateConflictNotice(QWidget* parent);
    // Looks for conflict copies of the open vault in its folder (after a load or a reload).
    void CheckConflictCopies();
    // The copy the notice offers to merge; empty when there is none.
    QString ConflictCopy() const { return FConflictCopy; }
    void MergeConflictCopy();

private:
    bool LoadOtherVault(const std::string& path, TRecordTree& other);

    IWindowContext& FContext;
    QWidget* FConflictNotice = nullptr;
    QLabel* FConflictLabel = nullptr;
    QString FConflictCopy;
};
