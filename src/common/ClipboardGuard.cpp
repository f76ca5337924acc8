#include "common/ClipboardGuard.h"

#include <QCoreApplication>
#include <QCryptographicHash>
#include <QMimeData>
#include <QRandomGenerator>
#include <memory>

#include "common/Services.h"

namespace {

constexpr int kSaltBytes = 16;

TClipboardGuard* gCurrentGuard = nullptr;

QMimeData* SecretData(const QString& text) {
    auto* data = new QMimeData;
    data->setText(text);
    data->setData(QString::fromLatin1(TClipboardGuard::kHintFormat),
                  QByteArray(TClipboardGuard::kHintValue));
    return data;
}

}  // namespace

TClipboardGuard::TClipboardGuard(QObject* parent) : QObject(parent) {
    setObjectName(QStringLiteral("ClipboardGuard"));
    FSalt.resize(kSaltBytes);
    QRandomGenerator::system()->generate(FSalt.begin(), FSalt.end());
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

QByteArray TClipboardGuard::Fingerprint(const QString& text) const {
    QCryptographicHash hash(QCryptographicHash::Sha256);
    hash.addData(FSalt);
    hash.addData(QByteArrayView(reinterpret_cast<const char*>(text.constData()),
                                text.size() * static_cast<qsizetype>(sizeof(QChar))));
    return hash.result();
}

bool TClipboardGuard::CopySecret(const QString& text) {
    if (!ServicesBackend().SetClipboardData(SecretData(text))) {
        return false;
    }
    FFingerprint = Fingerprint(text);
    FPending = true;
    if (FDelay.count() > 0) {
        FTimer.start(FDelay);
    } else {
        FTimer.stop();
    }
    return true;
}

// Ours means marked as a secret and holding the same text: another program's copy, or a
// plain copy of a URL or a title by this one, is the user's and stays.
bool TClipboardGuard::StillOurs() {
    const QMimeData* now = ServicesBackend().ClipboardData();
    if (now == nullptr || !now->hasFormat(QString::fromLatin1(kHintFormat))) {
        return false;
    }
    QString text = now->text();
    const bool same = Fingerprint(text) == FFingerprint;
    text.fill(QLatin1Char(' '));
    return same;
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
    FFingerprint.fill('\0');
}

bool CopySecretToClipboard(const QString& text) {
    if (TClipboardGuard* guard = TClipboardGuard::Current()) {
        return guard->CopySecret(text);
    }
    return ServicesBackend().SetClipboardData(SecretData(text));
}
