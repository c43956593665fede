#pragma once

#include <functional>
#include <string>

#include <QDialog>

#include "gui/open_file_dialog.h"

class QLabel;
class QLineEdit;
class QPushButton;
class QFrame;

namespace kalore {

class Host;

// The executable name a chosen player path must contain: "vlc.exe" on Windows,
// "vlc" elsewhere.
const char* PlayerProgramName();

// The player location dialog: point to the player program, or open its download pages.
// Created once and shown modally; the path typed into it lasts between showings.
class TForm4 final : public QDialog {
    Q_OBJECT

public:
    // officialSite and makerSite are the base addresses of the player project's site
    // and of Kalore's own site; setPlayerPath receives an accepted player path;
    // quitProgram ends the program the normal way, its close sequence run.
    TForm4(Host& host, std::string officialSite, std::string makerSite,
           std::function<void(const std::string&)> setPlayerPath,
           std::function<void()> quitProgram = {}, QWidget* parent = nullptr);

    void Button3Click();
    void Button2Click();
    void Button1Click();
    void Button4Click();
    // "Quitter Kalore": while the player is missing the dialog comes back each time
    // the main window becomes active, so the main window itself can't be reached to
    // close the program; this is the way out.
    void Button5Click();

    QLabel* Label1;
    QLabel* Label4;
    QLabel* Label2;
    QLabel* Label7;
    QFrame* Panel1;
    QLabel* Label8;
    QLabel* Label3;
    QLineEdit* Edit1;
    QPushButton* Button3;
    QPushButton* Button2;
    QFrame* Panel2;
    QLabel* Label9;
    QPushButton* Button1;
    QLabel* Label5;
    QPushButton* Button4;
    QLabel* Label6;
    QLabel* Image1;
    QPushButton* Button5;
    OpenFileDialog OpenDialog1;

private:
    Host& host_;
    std::string officialSite_;
    std::string makerSite_;
    std::function<void(const std::string&)> setPlayerPath_;
    std::function<void()> quitProgram_;
};

} // namespace kalore
