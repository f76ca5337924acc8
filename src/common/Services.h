#pragma once

#include <QString>

class QMimeData;
class QUrl;
class QWidget;

// Everything the program asks of the desktop goes through one backend, so that tests can
// put a recording stand-in with scripted answers in its place and never block on a box.
class IServicesBackend {
public:
    enum class TBoxKind { Information, Warning, Critical };

    virtual ~IServicesBackend() = default;

    virtual void ShowBox(TBoxKind kind, QWidget* owner, const QString& caption,
                         const QString& text) = 0;
    // OK/Cancel question; true only for OK.
    virtual bool AskOkCancel(QWidget* owner, const QString& caption, const QString& text) = 0;
    // One-line input box; false when cancelled.
    virtual bool InputText(QWidget* owner, const QString& caption, const QString& prompt,
                           const QString& defaultText, QString& answer) = 0;
    // One-line input box whose text is not shown (a password); false when cancelled. A
    // stand-in that scripts InputText answers this the same way.
    virtual bool InputPassword(QWidget* owner, const QString& caption, const QString& prompt,
                               QString& answer) {
        return InputText(owner, caption, prompt, QString(), answer);
    }
    // File dialogs; an empty answer means cancelled.
    virtual QString OpenFileName(QWidget* owner, const QString& filter,
                                 const QString& initialPath) = 0;
    virtual QString SaveFileName(QWidget* owner, const QString& filter,
                                 const QString& defaultSuffix, const QString& initialPath) = 0;
    virtual bool SetClipboardText(const QString& text) = 0;
    // Puts the data on the clipboard, which takes it over (failed or not); true when placed.
    virtual bool SetClipboardData(QMimeData* data) = 0;
    // What the clipboard holds now; null when nothing or unreadable. Valid until it changes.
    virtual const QMimeData* ClipboardData() = 0;
    virtual void ClearClipboard() = 0;
    // A web address or a local file, opened by the desktop.
    virtual void OpenTarget(const QString& target) = 0;
    virtual void Beep() = 0;
    virtual void DebugLine(const QString& line) = 0;
};

// The backend in use: the real one unless a test installed another. Passing null puts the
// real one back. The caller keeps ownership.
void SetServicesBackend(IServicesBackend* backend);
IServicesBackend& ServicesBackend();

// Information box with the caption "Information".
void ShowInformation(const QString& text);
// Warning box with the caption "Warning".
void ShowWarning(const QString& text);
// The one box for errors nothing else caught: a critical box with the error's text.
void ShowError(const QString& text);
// OK/Cancel question with the caption "Query", owned by owner.
bool AskOkCancel(QWidget* owner, const QString& text);
// The input box: the typed text after OK, the default text after Cancel.
QString InputBox(QWidget* owner, const QString& caption, const QString& prompt,
                 const QString& defaultText);
// Plain text on the clipboard; true when it was placed. An empty text is placed too.
bool CopyTextToClipboard(const QString& text);
// Appends the platform's separator unless the path is empty or already ends in one.
QString EnsureTrailingBackslash(const QString& path);
// Opens a web address in the browser or a file with its program; blank targets do nothing.
void OpenDocument(const QString& target);
// What OpenDocument hands to the desktop: a URL for a web address (any text containing
// "http://" in any case, starting with a scheme such as "https:", or starting with "www." when
// no such file exists), else the local file.
QUrl DocumentUrl(const QString& target);
// The folder of a shell folder id; 28 is the local application data folder. Empty if unknown.
QString SpecialFolderPath(int folderId);
// "KLOMP:" + text at debug level on the logging category "cofferix.debug", off unless enabled
// with QT_LOGGING_RULES="cofferix.debug.debug=true".
void DebugLog(const QString& text);
// The system beep.
void Beep();
bool DirectoryExists(const QString& path);
// Creates the folder with every missing parent; true when it exists afterwards.
bool ForceDirectories(const QString& path);

constexpr int kLocalAppDataFolderId = 28;
