#pragma once

#include <QString>

#include "app/WindowContext.h"

// The main window's commands on the vault as a whole: backup, switching to another vault
// ("Import Database"), changing the master password, its format and the plain-text export.
class TVaultCommands {
public:
    explicit TVaultCommands(IWindowContext& context) : FContext(context) {}

    void Backup();
    // The open dialog, its file preset to presetPath when one is given.
    void ImportDatabase(const QString& presetPath = QString());
    // Another start of the program named this vault file: the switch to it, as ImportDatabase
    // offers it, unless it is the open vault already or another dialog is open.
    void OpenRequested(const QString& path);
    void ChangeMasterPassword();
    // Shows the open vault's format and converts it to the other one when the user asks.
    void DatabaseFormat();
    void ExportList();

private:
    // The shared save dialog; starts from the file chosen at its previous use. Empty when
    // cancelled.
    QString AskSaveFileName(const QString& filter, const QString& suffix);

    IWindowContext& FContext;
    QString FLastSaveFileName;
};
