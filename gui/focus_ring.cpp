#include "gui/focus_ring.h"

#include <QApplication>
#include <QEvent>
#include <QPainter>
#include <QSplitter>

namespace kalore {
namespace {

constexpr int kWidth = 2;
const QColor kColour(0x30, 0x70, 0xd0);

} // namespace

FocusRing::FocusRing(QWidget& window) : QWidget(&window), window_(window) {
    setObjectName("FocusRing");
    setAttribute(Qt::WA_TransparentForMouseEvents);
    setAttribute(Qt::WA_NoSystemBackground);
    setFocusPolicy(Qt::NoFocus);
    hide();
    connect(qApp, &QApplication::focusChanged, this,
            [this](QWidget*, QWidget* now) { Follow(now); });
}

void FocusRing::Follow(QWidget* focus) {
    if (target_) {
        target_->removeEventFilter(this);
    }
    // A combo box's text field has the focus for its box: the box is framed.
    while (focus != nullptr && focus->focusProxy() == nullptr && focus->parentWidget() != nullptr &&
           focus->parentWidget()->focusProxy() == focus) {
        focus = focus->parentWidget();
    }
    // Not over a native child (the player): the frame would cover its picture.
    const bool ours = focus != nullptr && focus != &window_ && focus->window() == &window_ &&
                      focus->parentWidget() != nullptr &&
                      !focus->testAttribute(Qt::WA_NativeWindow);
    target_ = ours ? focus : nullptr;
    if (!target_) {
        hide();
        return;
    }
    target_->installEventFilter(this);
    Place();
}

void FocusRing::Place() {
    // A splitter would take the frame for one more of its panes: it goes one up.
    QWidget* parent = target_->parentWidget();
    while (qobject_cast<QSplitter*>(parent) != nullptr && parent->parentWidget() != nullptr) {
        parent = parent->parentWidget();
    }
    if (parentWidget() != parent) {
        setParent(parent);
    }
    setGeometry(QRect(target_->mapTo(parent, QPoint(0, 0)), target_->size())
                    .adjusted(-kWidth, -kWidth, kWidth, kWidth));
    setVisible(target_->isVisible());
    raise();
}

bool FocusRing::eventFilter(QObject* watched, QEvent* event) {
    if (watched == target_ && (event->type() == QEvent::Move || event->type() == QEvent::Resize ||
                               event->type() == QEvent::Show || event->type() == QEvent::Hide)) {
        Place();
    }
    return QWidget::eventFilter(watched, event);
}

void FocusRing::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setPen(QPen(kColour, kWidth));
    painter.drawRect(rect().adjusted(1, 1, -1, -1));
}

} // namespace kalore
