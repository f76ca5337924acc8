#include "app/DesktopIdentity.h"

#include <QGuiApplication>
#include <QIcon>

#include "base/AppIdentity.h"
#include "common/TextCodec.h"

QIcon AppIcon() {
    static const int kSizes[] = {16, 22, 24, 32, 48, 64, 128, 256};
    const QString name = AnsiToQString(Str::sAppId);
    QIcon icon;
    for (const int size : kSizes) {
        icon.addFile(QStringLiteral(":/icons/%1x%1/apps/%2.png").arg(size).arg(name),
                     QSize(size, size));
    }
    return icon;
}

void ApplyDesktopIdentity(QGuiApplication& application) {
    application.setDesktopFileName(AnsiToQString(Str::sAppId));
    QGuiApplication::setWindowIcon(AppIcon());
}
