// The info dialog: the product picture, the help page, the maker's web site and a pre-addressed
// e-mail. Created hidden at start-up and shown modeless by the address check window; closing it
// only hides it.
#pragma once

#include <QUrl>
#include <functional>

#include "Forms.h"

namespace vx {
class TGlowButton;
class TShapeButton;
}  // namespace vx

// The maker's web site and contact address.
inline constexpr char kWebSite[] = "http://www.verinox.example.com/";
inline constexpr char kContactAddress[] = "info@verinox.example.com";
inline constexpr char kMailSubject[] = "Infos über Softwareentwicklung";

// The folder of the help files: beside the executable, or where an installation puts them
// (share/verinox/hilfe next to the bin folder).
QString HelpFolder();
// The mail link: the contact address with the subject percent-encoded as UTF-8.
QUrl MailUrl();

class TForm2 : public vx::TForm {
    Q_OBJECT
  public:
    TForm2();
    ~TForm2() override;

    vx::TGlowButton* GlowButton1 = nullptr;
    vx::TGlowButton* GlowButton2 = nullptr;
    vx::TShapeButton* ShapeButton1 = nullptr;
    vx::TShapeButton* ShapeButton2 = nullptr;

    void FormCreate(QObject* Sender);
    void FormKeyDown(QObject* Sender, vx::TKey& Key, vx::TShiftState Shift);
    void GlowButton1Click(QObject* Sender);
    void GlowButton2Click(QObject* Sender);
    void ShapeButton1Click(QObject* Sender);
    void ShapeButton2Click(QObject* Sender);

    void Loaded() override;

    // How the dialog hands web and mail links to the desktop (its result is ignored), and how
    // it starts the help browser; tests put their own in.
    static std::function<void(const QUrl&)> ShellOpen;
    static std::function<void(const QString&)> HelpLauncher;
};

extern TForm2* Form2;
