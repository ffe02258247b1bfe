// Both windows as the program builds them, for tests of the windows: the browser view starts no
// web engine, and the desktop's opener and the help browser are recorders.
#pragma once

#include <gtest/gtest.h>

#include <QUrl>
#include <memory>
#include <vector>

#include "Controls.h"
#include "GIFGraphic.h"
#include "Layout.h"
#include "Unit1.h"
#include "Unit2.h"
#include "WebBrowser.h"

class TQuietBrowser : public vx::TWebBrowser {
  public:
    using TWebBrowser::TWebBrowser;

  protected:
    void CreateView() override {}
    void Load(const QUrl&) override {}
};

struct QuietWindows : ::testing::Test {
    std::unique_ptr<TForm1> Main;
    std::unique_ptr<TForm2> Info;
    std::vector<QUrl> Opened;
    QStringList HelpPages;

    void SetUp() override {
        vx::RegisterControlClasses();
        vx::RegisterGIFImage();
        vx::RegisterWebBrowser();
        vx::TClassRegistry::Instance().RegisterControl<TQuietBrowser>(
            QStringLiteral("TWebBrowser"));
        TForm2::ShellOpen = [this](const QUrl& url) { Opened.push_back(url); };
        TForm2::HelpLauncher = [this](const QString& page) { HelpPages << page; };
        Main = std::make_unique<TForm1>();
        Form1 = Main.get();
        Info = std::make_unique<TForm2>();
        Form2 = Info.get();
    }
    void TearDown() override {
        Main->DoDestroy();
        Info.reset();
        Main.reset();
    }
};
