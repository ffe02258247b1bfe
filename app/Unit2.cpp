#include "Unit2.h"

#include <QCoreApplication>
#include <QDesktopServices>
#include <QDir>
#include <QFileInfo>
#include <QUrlQuery>

#include "GlowButton.h"
#include "HelpLauncher.h"
#include "ShapeButton.h"

TForm2* Form2 = nullptr;

std::function<void(const QUrl&)> TForm2::ShellOpen = [](const QUrl& url) {
    QDesktopServices::openUrl(url);
};
std::function<void(const QString&)> TForm2::HelpLauncher = [](const QString& page) {
    vx::OpenHelpPage(page);
};

QString HelpFolder() {
    const QDir program(QCoreApplication::applicationDirPath());
    if (QFileInfo(program.filePath(QStringLiteral("hilfe"))).isDir()) {
        return program.filePath(QStringLiteral("hilfe"));
    }
    const QString installed = program.filePath(QStringLiteral("../share/verinox/hilfe"));
    if (QFileInfo(installed).isDir()) {
        return QDir::cleanPath(installed);
    }
    return program.filePath(QStringLiteral("hilfe"));
}

QUrl MailUrl() {
    QUrl url;
    url.setScheme(QStringLiteral("mailto"));
    url.setPath(QLatin1String(kContactAddress));
    QUrlQuery query;
    query.addQueryItem(QStringLiteral("subject"), QString::fromUtf8(kMailSubject));
    url.setQuery(query);
    return url;
}

TForm2::TForm2() {
    FHandlers.Add(QStringLiteral("FormCreate"), this, &TForm2::FormCreate);
    FHandlers.Add(QStringLiteral("FormKeyDown"), this, &TForm2::FormKeyDown);
    FHandlers.Add(QStringLiteral("GlowButton1Click"), this, &TForm2::GlowButton1Click);
    FHandlers.Add(QStringLiteral("GlowButton2Click"), this, &TForm2::GlowButton2Click);
    FHandlers.Add(QStringLiteral("ShapeButton1Click"), this, &TForm2::ShapeButton1Click);
    FHandlers.Add(QStringLiteral("ShapeButton2Click"), this, &TForm2::ShapeButton2Click);
    LoadLayout(QStringLiteral(":/layouts/Form2"));
}

TForm2::~TForm2() {
    if (Form2 == this) {
        Form2 = nullptr;
    }
}

void TForm2::Loaded() {
    vx::TForm::Loaded();
    GlowButton1 = Find<vx::TGlowButton>(QStringLiteral("GlowButton1"));
    GlowButton2 = Find<vx::TGlowButton>(QStringLiteral("GlowButton2"));
    ShapeButton1 = Find<vx::TShapeButton>(QStringLiteral("ShapeButton1"));
    ShapeButton2 = Find<vx::TShapeButton>(QStringLiteral("ShapeButton2"));
    // The links carry no caption: screen readers name them after what they open.
    ShapeButton1->setAccessibleName(QUrl(QLatin1String(kWebSite)).host());
    ShapeButton1->setAccessibleDescription(QStringLiteral("Webseite des Herstellers öffnen"));
    ShapeButton2->setAccessibleName(QLatin1String(kContactAddress));
    ShapeButton2->setAccessibleDescription(QStringLiteral("E-Mail an den Hersteller schreiben"));
}

void TForm2::FormCreate(QObject*) {
    SetKeyPreview(true);
}

void TForm2::FormKeyDown(QObject*, vx::TKey& Key, vx::TShiftState) {
    if (Key == vx::VK_ESCAPE) {
        Close();
    }
}

void TForm2::GlowButton1Click(QObject*) {
    HelpLauncher(HelpFolder() + QStringLiteral("/hilfe.html"));
}

void TForm2::GlowButton2Click(QObject*) {
    Close();
}

void TForm2::ShapeButton1Click(QObject*) {
    ShellOpen(QUrl(QLatin1String(kWebSite)));
}

void TForm2::ShapeButton2Click(QObject*) {
    ShellOpen(MailUrl());
}
