#include "gui/splash_window.h"

#include "gui/window_pictures.h"

#include <QGuiApplication>
#include <QLabel>
#include <QScreen>

namespace kalore {

TForm3::TForm3(QWidget* parent)
    : QWidget(parent, Qt::SplashScreen | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint) {
    setObjectName("Form3");
    setFixedSize(672, 302);
    Image1 = new QLabel(this);
    Image1->setObjectName("Image1");
    Image1->setGeometry(0, 0, 673, 305);
    Image1->setPixmap(WindowPicture("splash.jpg"));

    const auto label = [this](const char* name, const QString& text, int x, int y) {
        auto* l = new QLabel(text, this);
        l->setObjectName(name);
        l->setAttribute(Qt::WA_TranslucentBackground);
        l->setStyleSheet("color: white; background: transparent;");
        l->move(x, y);
        l->adjustSize();
        return l;
    };
    Label1 = label("Label1", QStringLiteral("initialisation.."), 392, 152);
    Label2 = label("Label2", QStringLiteral("(merci d'autoriser l'accès Internet au logiciel)"),
                   296, 168);

    if (const QScreen* screen = QGuiApplication::primaryScreen()) {
        move(screen->geometry().center() - rect().center());
    }
}

} // namespace kalore
