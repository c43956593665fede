#include "gui/guide_grid_view.h"

#include <QKeyEvent>
#include <QPainter>
#include <QScrollBar>

#include "gui/guide_models.h"

namespace kalore {
namespace {

constexpr int kNowRefreshMs = 60 * 1000;
const QColor kCell(0xe4, 0xec, 0xf6);
const QColor kCellOnNow(0xfd, 0xf1, 0xc8);
const QColor kLines(0xa0, 0xa8, 0xb4);
const QColor kNowLine(0xd0, 0x20, 0x20);

QString TimeText(UtcSeconds at) {
    const LocalDateTime t = ToLocal(at);
    return QStringLiteral("%1:%2").arg(t.hour, 2, 10, QChar('0')).arg(t.minute, 2, 10, QChar('0'));
}

} // namespace

GuideGridView::GuideGridView(Guide& guide, QWidget* parent)
    : QAbstractScrollArea(parent), guide_(guide),
      axis_(GuideGridAxis::AroundNow(guide.Now(), kViewSeconds, 1)),
      logos_(guide, [this] { viewport()->update(); }) {
    setObjectName("GuideGrid");
    setFocusPolicy(Qt::StrongFocus);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    verticalScrollBar()->setSingleStep(1);
    connect(verticalScrollBar(), &QScrollBar::valueChanged, viewport(),
            qOverload<>(&QWidget::update));
    nowTimer_.setInterval(kNowRefreshMs);
    connect(&nowTimer_, &QTimer::timeout, viewport(), qOverload<>(&QWidget::update));
    nowTimer_.start();
    Reload();
}

void GuideGridView::Reload() {
    channels_ = guide_.Channels();
    rows_.clear();
    if (selectedRow_ >= RowCount()) {
        selectedRow_ = -1;
    }
    UpdateScrollBar();
    viewport()->update();
}

void GuideGridView::ShowNow() {
    SetAxis(GuideGridAxis::AroundNow(guide_.Now(), kViewSeconds, axis_.Pixels()));
}

void GuideGridView::ScrollTime(int seconds) {
    SetAxis(axis_.Scrolled(seconds));
}

void GuideGridView::ScrollDays(int days) {
    SetAxis(axis_.ScrolledByDays(days));
}

void GuideGridView::SetAxis(const GuideGridAxis& axis) {
    axis_ = axis;
    rows_.clear();
    viewport()->update();
    if (onViewChanged) {
        onViewChanged();
    }
}

std::string GuideGridView::SelectedChannel() const {
    return selectedRow_ >= 0 ? channels_[static_cast<std::size_t>(selectedRow_)].kaloreName : "";
}

const std::vector<GuideProgramme>& GuideGridView::Row(int row) {
    auto found = rows_.find(row);
    if (found == rows_.end()) {
        found = rows_
                    .emplace(row, guide_.Between(channels_[static_cast<std::size_t>(row)].guideId,
                                                 axis_.Start(), axis_.End()))
                    .first;
    }
    return found->second;
}

int GuideGridView::FirstVisibleRow() const {
    return verticalScrollBar()->value();
}

void GuideGridView::UpdateScrollBar() {
    const int visible = std::max((viewport()->height() - kHeaderHeight) / kRowHeight, 1);
    verticalScrollBar()->setRange(0, std::max(RowCount() - visible, 0));
    verticalScrollBar()->setPageStep(visible);
}

void GuideGridView::resizeEvent(QResizeEvent* event) {
    QAbstractScrollArea::resizeEvent(event);
    axis_ = axis_.Resized(std::max(viewport()->width() - kNameWidth, 1));
    UpdateScrollBar();
}

QRect GuideGridView::CellRect(int row, UtcSeconds at) {
    const int line = row - FirstVisibleRow();
    if (row < 0 || row >= RowCount() || line < 0) {
        return {};
    }
    const std::vector<GuideProgramme>& programmes = Row(row);
    for (const GridCell& cell : axis_.Cells(programmes)) {
        const GuideProgramme& p = programmes[cell.programme];
        if (p.start <= at && at < p.stop) {
            return {kNameWidth + cell.x, kHeaderHeight + line * kRowHeight, cell.width, kRowHeight};
        }
    }
    return {};
}

void GuideGridView::paintEvent(QPaintEvent*) {
    QPainter painter(viewport());
    const int width = viewport()->width();
    painter.fillRect(viewport()->rect(), palette().base());
    painter.fillRect(QRect(0, 0, width, kHeaderHeight), palette().window());
    painter.setPen(kLines);
    for (const GridMark& mark : axis_.Marks()) {
        const int x = kNameWidth + mark.x;
        painter.drawLine(x, kHeaderHeight - 6, x, viewport()->height());
        painter.setPen(palette().windowText().color());
        painter.drawText(x + 3, 0, 60, kHeaderHeight, Qt::AlignVCenter,
                         QString::fromStdString(mark.label));
        painter.setPen(kLines);
    }
    const UtcSeconds now = guide_.Now();
    const int rows = (viewport()->height() - kHeaderHeight) / kRowHeight + 1;
    for (int line = 0; line < rows; ++line) {
        const int row = FirstVisibleRow() + line;
        if (row >= RowCount()) {
            break;
        }
        const int top = kHeaderHeight + line * kRowHeight;
        PaintChannel(painter, row, QRect(0, top, kNameWidth, kRowHeight));
        const std::vector<GuideProgramme>& programmes = Row(row);
        for (const GridCell& cell : axis_.Cells(programmes)) {
            const GuideProgramme& p = programmes[cell.programme];
            const QRect box(kNameWidth + cell.x, top, cell.width, kRowHeight);
            const bool selected = row == selectedRow_ && p.id == selected_.id;
            painter.fillRect(box, selected                         ? palette().highlight().color()
                                  : p.start <= now && now < p.stop ? kCellOnNow
                                                                   : kCell);
            painter.setPen(kLines);
            painter.drawRect(box.adjusted(0, 0, -1, -1));
            painter.setPen(selected ? palette().highlightedText().color()
                                    : palette().text().color());
            QRect words = box.adjusted(4, 0, -3, 0);
            if (programmed && programmed(p) && words.width() > 2 * kProgrammedMarkSize) {
                static const QPixmap mark = ProgrammedMark();
                painter.drawPixmap(words.left(), words.center().y() - kProgrammedMarkSize / 2,
                                   mark);
                words.setLeft(words.left() + kProgrammedMarkSize + 3);
            }
            const QString text = TimeText(p.start) + ' ' + QString::fromStdString(p.title);
            painter.drawText(words, Qt::AlignVCenter,
                             fontMetrics().elidedText(text, Qt::ElideRight, words.width()));
        }
        painter.setPen(kLines);
        painter.drawLine(0, top + kRowHeight - 1, width, top + kRowHeight - 1);
    }
    const int nowX = axis_.XOf(now);
    if (nowX >= 0 && nowX <= axis_.Pixels()) {
        painter.setPen(QPen(kNowLine, 2));
        painter.drawLine(kNameWidth + nowX, 0, kNameWidth + nowX, viewport()->height());
    }
}

void GuideGridView::PaintChannel(QPainter& painter, int row, const QRect& cell) {
    const GuideChannelEntry& channel = channels_[static_cast<std::size_t>(row)];
    painter.fillRect(cell, palette().window());
    QRect text = cell.adjusted(6, 0, -4, 0);
    const QPixmap logo = logos_.Logo(channel.guideId, kLogoBox);
    if (!logo.isNull()) {
        const QRect box(cell.left() + 4, cell.top() + (cell.height() - kLogoBox.height()) / 2,
                        kLogoBox.width(), kLogoBox.height());
        const QRect fitted(QPoint(), logo.size());
        painter.drawPixmap(fitted.translated(box.center() - fitted.center()), logo);
        text.setLeft(box.right() + 6);
    }
    painter.setPen(palette().windowText().color());
    painter.drawText(text, Qt::AlignVCenter,
                     fontMetrics().elidedText(QString::fromStdString(channel.kaloreName),
                                              Qt::ElideRight, text.width()));
}

bool GuideGridView::Select(const QPoint& at) {
    const int line = (at.y() - kHeaderHeight) / kRowHeight;
    const int row = FirstVisibleRow() + line;
    if (at.y() < kHeaderHeight || at.x() < kNameWidth || row >= RowCount()) {
        return false;
    }
    const UtcSeconds time = axis_.TimeAt(at.x() - kNameWidth);
    for (const GuideProgramme& p : Row(row)) {
        if (p.start <= time && time < p.stop) {
            selectedRow_ = row;
            selected_ = p;
            viewport()->update();
            if (onSelected) {
                onSelected();
            }
            return true;
        }
    }
    return false;
}

void GuideGridView::mousePressEvent(QMouseEvent* event) {
    Select(event->position().toPoint());
}

void GuideGridView::mouseDoubleClickEvent(QMouseEvent* event) {
    if (Select(event->position().toPoint()) && onActivated) {
        onActivated();
    }
}

void GuideGridView::keyPressEvent(QKeyEvent* event) {
    switch (event->key()) {
    case Qt::Key_Left:
        ScrollTime(-kStepSeconds);
        return;
    case Qt::Key_Right:
        ScrollTime(kStepSeconds);
        return;
    case Qt::Key_Return:
    case Qt::Key_Enter:
        if (Selected() != nullptr && onActivated) {
            onActivated();
        }
        return;
    default:
        QAbstractScrollArea::keyPressEvent(event);
    }
}

} // namespace kalore
