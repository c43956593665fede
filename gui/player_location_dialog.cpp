#include "gui/player_location_dialog.h"

#include <QFrame>
#include <QLabel>
#include <QLineEdit>
#include <QPixmap>
#include <QPushButton>

#include "gui/open_and_wait.h"
#include "gui/window_pictures.h"
#include "platform/atomic_file.h"
#include "seams/host.h"

namespace kalore {

namespace {

QFont DialogFont(int pixelSize, bool bold) {
    QFont font("Tahoma");
    font.setPixelSize(pixelSize);
    font.setBold(bold);
    return font;
}

QLabel* MakeLabel(QWidget* parent, const char* name, const QString& text, int left, int top,
                  int pixelSize = 13, bool bold = false, QColor colour = Qt::black) {
    auto* label = new QLabel(text, parent);
    label->setObjectName(name);
    label->setFont(DialogFont(pixelSize, bold));
    QPalette palette = label->palette();
    palette.setColor(QPalette::WindowText, colour);
    label->setPalette(palette);
    label->move(left, top);
    label->adjustSize();
    return label;
}

QPushButton* MakeButton(QWidget* parent, const char* name, const QString& text, QRect place) {
    auto* button = new QPushButton(text, parent);
    button->setObjectName(name);
    button->setGeometry(place);
    button->setAutoDefault(false);
    return button;
}

QFrame* MakePanel(QWidget* parent, const char* name, QRect place, QColor colour) {
    auto* panel = new QFrame(parent);
    panel->setObjectName(name);
    panel->setGeometry(place);
    panel->setFrameShape(QFrame::Panel);
    panel->setFrameShadow(QFrame::Raised);
    panel->setAutoFillBackground(true);
    QPalette palette = panel->palette();
    palette.setColor(QPalette::Window, colour);
    panel->setPalette(palette);
    return panel;
}

const QColor kNavy(0, 0, 128);
// The system colour of an active caption's gradient on the desktops the layout was drawn on.
const QColor kGradientActiveCaption(185, 209, 234);

} // namespace

const char* PlayerProgramName() {
#if defined(_WIN32)
    return "vlc.exe";
#else
    return "vlc";
#endif
}

TForm4::TForm4(Host& host, std::string officialSite, std::string makerSite,
               std::function<void(const std::string&)> setPlayerPath,
               std::function<void()> quitProgram, QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::CustomizeWindowHint |
                          Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                          Qt::WindowCloseButtonHint),
      host_(host), officialSite_(std::move(officialSite)), makerSite_(std::move(makerSite)),
      setPlayerPath_(std::move(setPlayerPath)), quitProgram_(std::move(quitProgram)) {
    setObjectName("Form4");
    setWindowTitle("Le logiciel VLC avec le plugin ActiveX nécessaire à Kalore est manquant");
    setFont(DialogFont(13, false));
    // Pixel geometry on every screen: the layout is never rescaled.
    setFixedSize(624, 864);

    Label1 =
        MakeLabel(this, "Label1", "Le logiciel VLC nécessaire à Kalore est manquant !", 144, 2);
    Label4 =
        MakeLabel(this, "Label4",
                  "sans ce logiciel, Kalore risque de ne pas fonctionner correctement", 112, 20);
    Label2 = MakeLabel(this, "Label2",
                       "Choisissez l’endroit du fichier \"vlc.exe\" sur votre ordinateur, ou", 32,
                       42, 17, true);
    Label7 = MakeLabel(this, "Label7", "Installer le logiciel VLC avec le plugin ActiveX ", 112, 69,
                       17, true);

    Panel1 = MakePanel(this, "Panel1", QRect(8, 96, 609, 120), kGradientActiveCaption);
    Label8 = MakeLabel(Panel1, "Label8", "- Si vous avez déjà VLC avec le plugin ActiveX :", 16, 3,
                       17, true, kNavy);
    Label3 = MakeLabel(Panel1, "Label3", "Chemin vers \"vlc.exe\" sur votre ordinateur :", 16, 30);
    Edit1 = new QLineEdit(Panel1);
    Edit1->setObjectName("Edit1");
    Edit1->setGeometry(16, 52, 361, 24);
    Button3 = MakeButton(Panel1, "Button3", "Sélectionner l'endroit de VLC", {383, 52, 209, 25});
    Button2 = MakeButton(Panel1, "Button2", "J'ai sélectionné l'endroit de VLC sur mon ordinateur",
                         {16, 83, 576, 25});

    Panel2 = MakePanel(this, "Panel2", QRect(8, 231, 609, 626), Qt::white);
    Label9 = MakeLabel(Panel2, "Label9",
                       "- Si vous n'avez pas VLC ou il est sans le plugin ActiveX :", 16, 3, 17,
                       true, kNavy);
    Button1 =
        MakeButton(Panel2, "Button1", "Télécharger et (Re)Installer VLC depuis le site officiel",
                   {16, 30, 576, 25});
    Label5 = MakeLabel(Panel2, "Label5", "OU", 280, 61, 13, true);
    Button4 =
        MakeButton(Panel2, "Button4", "Télécharger et (Re)Installer VLC depuis notre site miroire",
                   {16, 83, 576, 25});
    Label6 = MakeLabel(Panel2, "Label6",
                       "Très important : pendant l'installation, veuillez cocher la case Plugin "
                       "ActiveX",
                       56, 114, 13, true, Qt::red);
    Image1 = new QLabel(Panel2);
    Image1->setObjectName("Image1");
    Image1->setGeometry(16, 150, 576, 465);
    Image1->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    Image1->setPixmap(WindowPicture("installer.jpg"));

    // Top left, the one free corner of the fixed layout.
    Button5 = MakeButton(this, "Button5", "Quitter Kalore", {4, 8, 104, 25});

    connect(Button3, &QPushButton::clicked, this, &TForm4::Button3Click);
    connect(Button5, &QPushButton::clicked, this, &TForm4::Button5Click);
    connect(Button2, &QPushButton::clicked, this, &TForm4::Button2Click);
    connect(Button1, &QPushButton::clicked, this, &TForm4::Button1Click);
    connect(Button4, &QPushButton::clicked, this, &TForm4::Button4Click);
}

void TForm4::Button3Click() {
    OpenDialog1.Execute(this);
    if (!OpenDialog1.FileName().isEmpty()) {
        Edit1->setText(OpenDialog1.FileName());
    }
}

void TForm4::Button2Click() {
    const std::string path = Edit1->text().toStdString();
    if (FileExists(path) && path.find(PlayerProgramName()) != std::string::npos) {
        setPlayerPath_(path);
        accept();
        return;
    }
    host_.ShowMessage("Le fichier que vous avez sélectionné n’existe pas ou ne correspond pas à "
                      "vlc.exe\rMerci de sélectionner le bon fichier vlc.exe");
}

void TForm4::Button5Click() {
    reject();
    if (quitProgram_) {
        quitProgram_();
    }
}

void TForm4::Button1Click() {
    OpenAndWait(officialSite_ + "/vlc/");
}

void TForm4::Button4Click() {
    OpenAndWait(makerSite_ + "/vlc/vlc-1.2.0-pre1-20111119-0004-win32.exe");
}

} // namespace kalore
