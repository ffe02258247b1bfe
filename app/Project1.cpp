// Start-up: the application object, its title, the address check window (the main window,
// whose creation installs the mouse hook), the hidden info dialog, then the message loop.
#include <QApplication>
#include <cstdio>

#include "Application.h"
#include "Controls.h"
#include "Font.h"
#include "GIFGraphic.h"
#include "GdiPlus.h"
#include "Layout.h"
#include "Unit1.h"
#include "Unit2.h"
#include "WebBrowser.h"

int main(int argc, char** argv) {
    vx::PrepareWebEngine();
    QApplication qt(argc, argv);
    vx::RegisterTahoma();
    vx::RegisterToolkitClasses();
    vx::RegisterWebBrowser();
    vx::RegisterControlClasses();
    const vx::TGdiplusStartup gdiplus;
    vx::RegisterGIFImage();
    int result = 1;
    try {
        vx::TApplication application;
        application.Initialize();
        application.SetTitle(QStringLiteral("Verinox 1.0"));
        Form1 = application.CreateForm<TForm1>();
        Form2 = application.CreateForm<TForm2>();
        result = application.Run();
    } catch (const std::exception& error) {
        std::fprintf(stderr, "verinox: %s\n", error.what());
    }
    vx::UnregisterGIFImage();
    return result;
}
