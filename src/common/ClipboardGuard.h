#pragma once

#include <QMimeData>
#include <QObject>
#include <QPointer>
#include <QString>
#include <QTimer>
#include <chrono>

// Passwords put on the clipboard: marked so that clipboard managers and history tools do not
// keep them, and taken off again after a while, at a lock and at the end of the program, but
// only while the clipboard still holds them (whatever the user copied since stays).
//
// The main window owns the one guard of the process; the free function below reaches it from
// windows that do not know the main window (the generator).
class TClipboardGuard : public QObject {
    Q_OBJECT
public:
    // The MIME type and value that KDE's, KeePassXC's and other clipboard tools agree on.
    static constexpr const char* kHintFormat = "x-kde-passwordManagerHint";
    static constexpr const char* kHintValue = "secret";
    static constexpr int kDefaultClearSeconds = 30;

    explicit TClipboardGuard(QObject* parent = nullptr);
    // Clears what is still ours: the clipboard must not outlive the program with a password.
    ~TClipboardGuard() override;

    // The guard of the process, or null while none exists.
    static TClipboardGuard* Current();

    // How long a copied secret stays; zero keeps it until a lock or the end.
    void SetClearDelay(std::chrono::milliseconds delay);
    std::chrono::milliseconds ClearDelay() const { return FDelay; }

    // Puts the text on the clipboard marked as a secret; true when placed.
    bool CopySecret(const QString& text);
    // Empties the clipboard if it still holds the last secret copied.
    void ClearNow();
    // True while a copied secret waits to be cleared.
    bool Pending() const { return FPending; }

private:
    bool StillOurs();

    std::chrono::milliseconds FDelay{std::chrono::seconds(kDefaultClearSeconds)};
    QTimer FTimer;
    // The data put on the clipboard, which wipes its text when it goes; null once it went.
    QPointer<QMimeData> FData;
    bool FPending = false;
};

// A secret onto the clipboard through the process's guard (which clears it later), or just
// marked when no guard exists. True when placed.
bool CopySecretToClipboard(const QString& text);
