#include "common/ClipboardGuard.h"

#include <QCoreApplication>
#include <QMimeData>
#include <algorithm>
#include <memory>

#include "common/Services.h"

namespace {

TClipboardGuard* gCurrentGuard = nullptr;

const QString kTextFormat = QStringLiteral("text/plain");

// The copied secret in characters of its own, which are overwritten whenever the clipboard
// lets it go (cleared, replaced by another copy, or at the end): a plain QMimeData would
// share the caller's characters and hand them back to the heap as they are.
class TSecretMimeData : public QMimeData {
public:
    explicit TSecretMimeData(const QString& text) : FText(text.constData(), text.size()) {
        setData(QString::fromLatin1(TClipboardGuard::kHintFormat),
                QByteArray(TClipboardGuard::kHintValue));
    }
    ~TSecretMimeData() override {
        // Through the shared pointer: whoever still holds a copy of the text sees it wiped.
        auto* characters = const_cast<QChar*>(FText.constData());
        std::fill(characters, characters + FText.size(), QChar(u'\0'));
    }
    TSecretMimeData(const TSecretMimeData&) = delete;
    TSecretMimeData& operator=(const TSecretMimeData&) = delete;

    QStringList formats() const override { return QMimeData::formats() << kTextFormat; }
    bool hasFormat(const QString& format) const override {
        return format == kTextFormat || QMimeData::hasFormat(format);
    }

protected:
    QVariant retrieveData(const QString& format, QMetaType type) const override {
        return format == kTextFormat ? QVariant(FText) : QMimeData::retrieveData(format, type);
    }

private:
    QString FText;
};

QMimeData* SecretData(const QString& text) {
    return new TSecretMimeData(text);
}

}  // namespace

TClipboardGuard::TClipboardGuard(QObject* parent) : QObject(parent) {
    setObjectName(QStringLiteral("ClipboardGuard"));
    FTimer.setSingleShot(true);
    connect(&FTimer, &QTimer::timeout, this, &TClipboardGuard::ClearNow);
    // Before the application object goes: on X11 its clipboard hands what it owns to the
    // desktop's clipboard manager at the end.
    if (QCoreApplication* application = QCoreApplication::instance()) {
        connect(application, &QCoreApplication::aboutToQuit, this, &TClipboardGuard::ClearNow);
    }
    gCurrentGuard = this;
}

TClipboardGuard::~TClipboardGuard() {
    ClearNow();
    if (gCurrentGuard == this) {
        gCurrentGuard = nullptr;
    }
}

TClipboardGuard* TClipboardGuard::Current() {
    return gCurrentGuard;
}

void TClipboardGuard::SetClearDelay(std::chrono::milliseconds delay) {
    FDelay = delay;
    if (FDelay.count() <= 0) {
        FTimer.stop();
    }
}

bool TClipboardGuard::CopySecret(const QString& text) {
    QMimeData* data = SecretData(text);
    FData = data;  // null again if the clipboard refuses and deletes it
    if (!ServicesBackend().SetClipboardData(data)) {
        return false;
    }
    FPending = true;
    if (FDelay.count() > 0) {
        FTimer.start(FDelay);
    } else {
        FTimer.stop();
    }
    return true;
}

// Ours means the very data the guard put there: another program's copy, or a plain copy of a
// URL or a title by this one, is the user's and stays. Known by identity, not by its text: a
// hash of the text would leave the text in the hash's buffers.
bool TClipboardGuard::StillOurs() {
    return FData && ServicesBackend().ClipboardData() == FData.data();
}

void TClipboardGuard::ClearNow() {
    FTimer.stop();
    if (!FPending) {
        return;
    }
    FPending = false;
    if (StillOurs()) {
        ServicesBackend().ClearClipboard();
    }
    FData.clear();
}

bool CopySecretToClipboard(const QString& text) {
    if (TClipboardGuard* guard = TClipboardGuard::Current()) {
        return guard->CopySecret(text);
    }
    return ServicesBackend().SetClipboardData(SecretData(text));
}
