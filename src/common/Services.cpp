#include "common/Services.h"

#include <QApplication>
#include <QClipboard>
#include <QDesktopServices>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QInputDialog>
#include <QLineEdit>
#include <QLoggingCategory>
#include <QMessageBox>
#include <QMimeData>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QUrl>

#include "base/StringTable.h"
#include "common/TextCodec.h"

// Off unless switched on with QT_LOGGING_RULES="cofferix.debug.debug=true" (the last ".debug"
// names the message type; "cofferix.*=true" works as well).
Q_LOGGING_CATEGORY(lcCofferixDebug, "cofferix.debug", QtWarningMsg)

namespace {

// A filter written as "Text files|*.txt|All files|*.*" becomes the dialog's own form
// "Text files (*.txt);;All files (*.*)"; a filter already in that form passes unchanged.
QString DialogFilter(const QString& filter) {
    if (!filter.contains(QLatin1Char('|'))) {
        return filter;
    }
    const QStringList parts = filter.split(QLatin1Char('|'));
    QStringList entries;
    for (qsizetype i = 0; i + 1 < parts.size(); i += 2) {
        QString patterns = parts.at(i + 1);
        patterns.replace(QLatin1Char(';'), QLatin1Char(' '));
        entries.append(parts.at(i) + QStringLiteral(" (") + patterns + QLatin1Char(')'));
    }
    return entries.join(QStringLiteral(";;"));
}

class TDesktopServices : public IServicesBackend {
public:
    void ShowBox(TBoxKind kind, QWidget* owner, const QString& caption,
                 const QString& text) override {
        QMessageBox::Icon icon = QMessageBox::Information;
        if (kind == TBoxKind::Warning) {
            icon = QMessageBox::Warning;
        } else if (kind == TBoxKind::Critical) {
            icon = QMessageBox::Critical;
        }
        QMessageBox box(icon, caption, text, QMessageBox::Ok, owner);
        box.exec();
    }

    bool AskOkCancel(QWidget* owner, const QString& caption, const QString& text) override {
        QMessageBox box(QMessageBox::Question, caption, text, QMessageBox::Ok | QMessageBox::Cancel,
                        owner);
        box.setEscapeButton(QMessageBox::Cancel);
        return box.exec() == QMessageBox::Ok;
    }

    bool InputPassword(QWidget* owner, const QString& caption, const QString& prompt,
                       QString& answer) override {
        QInputDialog dialog(owner);
        dialog.setInputMode(QInputDialog::TextInput);
        dialog.setTextEchoMode(QLineEdit::Password);
        dialog.setWindowTitle(caption);
        dialog.setLabelText(prompt);
        if (dialog.exec() != QDialog::Accepted) {
            return false;
        }
        answer = dialog.textValue();
        return true;
    }
    bool InputText(QWidget* owner, const QString& caption, const QString& prompt,
                   const QString& defaultText, QString& answer) override {
        QInputDialog dialog(owner);
        dialog.setInputMode(QInputDialog::TextInput);
        dialog.setWindowTitle(caption);
        dialog.setLabelText(prompt);
        dialog.setTextValue(defaultText);
        if (auto* edit = dialog.findChild<QLineEdit*>()) {
            edit->setValidator(new TAnsiValidator(edit));
        }
        if (dialog.exec() != QDialog::Accepted) {
            return false;
        }
        answer = dialog.textValue();
        return true;
    }

    QString OpenFileName(QWidget* owner, const QString& filter,
                         const QString& initialPath) override {
        return QFileDialog::getOpenFileName(owner, QString(), initialPath, DialogFilter(filter));
    }

    QString SaveFileName(QWidget* owner, const QString& filter, const QString& defaultSuffix,
                         const QString& initialPath) override {
        QFileDialog dialog(owner, QString(), initialPath, DialogFilter(filter));
        dialog.setAcceptMode(QFileDialog::AcceptSave);
        dialog.setFileMode(QFileDialog::AnyFile);
        dialog.setDefaultSuffix(defaultSuffix);
        if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) {
            return QString();
        }
        return dialog.selectedFiles().constFirst();
    }

    bool SetClipboardText(const QString& text) override {
        QClipboard* clipboard = QGuiApplication::clipboard();
        if (clipboard == nullptr) {
            return false;
        }
        clipboard->setText(text);
        return true;
    }

    bool SetClipboardData(QMimeData* data) override {
        QClipboard* clipboard = QGuiApplication::clipboard();
        if (clipboard == nullptr) {
            delete data;
            return false;
        }
        clipboard->setMimeData(data);
        return true;
    }

    const QMimeData* ClipboardData() override {
        QClipboard* clipboard = QGuiApplication::clipboard();
        return clipboard != nullptr ? clipboard->mimeData() : nullptr;
    }

    void ClearClipboard() override {
        if (QClipboard* clipboard = QGuiApplication::clipboard()) {
            clipboard->clear();
        }
    }

    void OpenTarget(const QString& target) override {
        QDesktopServices::openUrl(DocumentUrl(target));
    }

    void Beep() override { QApplication::beep(); }

    void DebugLine(const QString& line) override { qCDebug(lcCofferixDebug).noquote() << line; }
};

IServicesBackend* gInstalledBackend = nullptr;

TDesktopServices& DesktopServices() {
    static TDesktopServices services;
    return services;
}

bool EndsWithSeparator(const QString& path) {
    return path.endsWith(QDir::separator()) || path.endsWith(QLatin1Char('/'));
}

}  // namespace

void SetServicesBackend(IServicesBackend* backend) {
    gInstalledBackend = backend;
}

IServicesBackend& ServicesBackend() {
    if (gInstalledBackend != nullptr) {
        return *gInstalledBackend;
    }
    return DesktopServices();
}

void ShowInformation(const QString& text) {
    ServicesBackend().ShowBox(IServicesBackend::TBoxKind::Information, nullptr,
                              QStringLiteral("Information"), text);
}

void ShowWarning(const QString& text) {
    ServicesBackend().ShowBox(IServicesBackend::TBoxKind::Warning, nullptr, Tr(Str::sWarning),
                              text);
}

void ShowError(const QString& text) {
    ServicesBackend().ShowBox(IServicesBackend::TBoxKind::Critical, nullptr, Tr(Str::sAppTitle),
                              text);
}

bool AskOkCancel(QWidget* owner, const QString& text) {
    return ServicesBackend().AskOkCancel(owner, Tr(Str::sQuery), text);
}

QString InputBox(QWidget* owner, const QString& caption, const QString& prompt,
                 const QString& defaultText) {
    QString answer;
    if (ServicesBackend().InputText(owner, caption, prompt, defaultText, answer)) {
        return answer;
    }
    return defaultText;
}

bool CopyTextToClipboard(const QString& text) {
    return ServicesBackend().SetClipboardText(text);
}

QString EnsureTrailingBackslash(const QString& path) {
    if (path.isEmpty() || EndsWithSeparator(path)) {
        return path;
    }
    return path + QDir::separator();
}

QUrl DocumentUrl(const QString& target) {
    const QString trimmed = target.trimmed();
    // "http://" anywhere, in any case, marks a web address; so does any other scheme of two
    // letters or more ("https:", "mailto:"), which a drive letter ("C:") is not.
    static const QRegularExpression scheme(QStringLiteral("^[A-Za-z][A-Za-z0-9+.-]+:"));
    if (target.contains(QStringLiteral("http://"), Qt::CaseInsensitive) ||
        scheme.match(trimmed).hasMatch()) {
        return QUrl::fromUserInput(trimmed);
    }
    const QFileInfo file(target);
    // Web addresses are often written without a scheme; a file of that name still wins.
    if (trimmed.startsWith(QStringLiteral("www."), Qt::CaseInsensitive) && !file.exists()) {
        return QUrl::fromUserInput(trimmed);
    }
    return QUrl::fromLocalFile(file.absoluteFilePath());
}

void OpenDocument(const QString& target) {
    if (target.trimmed().isEmpty()) {
        return;
    }
    ServicesBackend().OpenTarget(target);
}

QString SpecialFolderPath(int folderId) {
    QStandardPaths::StandardLocation location;
    switch (folderId) {
        case kLocalAppDataFolderId:  // CSIDL_LOCAL_APPDATA
            location = QStandardPaths::GenericDataLocation;
            break;
        case 26:  // CSIDL_APPDATA
            location = QStandardPaths::GenericConfigLocation;
            break;
        case 0:   // CSIDL_DESKTOP
        case 16:  // CSIDL_DESKTOPDIRECTORY
            location = QStandardPaths::DesktopLocation;
            break;
        case 5:  // CSIDL_PERSONAL
            location = QStandardPaths::DocumentsLocation;
            break;
        case 20:  // CSIDL_FONTS
            location = QStandardPaths::FontsLocation;
            break;
        case 2:   // CSIDL_PROGRAMS
        case 11:  // CSIDL_STARTMENU
            location = QStandardPaths::ApplicationsLocation;
            break;
        case 13:  // CSIDL_MYMUSIC
            location = QStandardPaths::MusicLocation;
            break;
        case 14:  // CSIDL_MYVIDEO
            location = QStandardPaths::MoviesLocation;
            break;
        case 32:  // CSIDL_INTERNET_CACHE
            location = QStandardPaths::GenericCacheLocation;
            break;
        case 39:  // CSIDL_MYPICTURES
            location = QStandardPaths::PicturesLocation;
            break;
        case 40:  // CSIDL_PROFILE
            location = QStandardPaths::HomeLocation;
            break;
        default:
            return QString();
    }
    QString path = QDir::toNativeSeparators(QStandardPaths::writableLocation(location));
    while (path.size() > 1 && EndsWithSeparator(path)) {
        path.chop(1);
    }
    return path;
}

void DebugLog(const QString& text) {
    ServicesBackend().DebugLine(QStringLiteral("KLOMP:") + text);
}

void Beep() {
    ServicesBackend().Beep();
}

bool DirectoryExists(const QString& path) {
    return !path.isEmpty() && QFileInfo(path).isDir();
}

bool ForceDirectories(const QString& path) {
    if (path.isEmpty()) {
        return false;
    }
    QDir().mkpath(path);
    return DirectoryExists(path);
}
