#pragma once

#include <functional>
#include <string>
#include <unordered_map>
#include <vector>

#include <QAbstractScrollArea>
#include <QTimer>

#include "gui/channel_logos.h"
#include "guide/guide.h"
#include "guide/guide_grid.h"

namespace kalore {

// The guide as a grid: the channels down (logo and name), time across (half-hour marks, the current
// time as a red line), each programme a cell as long as it lasts. Only the rows on
// screen are read from the store, once per view of time. A click selects a cell, a
// double-click (or Enter) activates it; Left and Right move through time.
class GuideGridView final : public QAbstractScrollArea {
    Q_OBJECT

public:
    static constexpr int kNameWidth = 150;
    static constexpr int kHeaderHeight = 24;
    static constexpr int kRowHeight = 34;
    static constexpr int kViewSeconds = 3 * 3600;
    static constexpr int kStepSeconds = 30 * 60;
    static constexpr QSize kLogoBox{40, 26};

    explicit GuideGridView(Guide& guide, QWidget* parent = nullptr);

    // The channels afresh (another store is in use); the view and selection stay.
    void Reload();
    void ShowNow();
    void ScrollTime(int seconds);
    void ScrollDays(int days);

    const GuideGridAxis& Axis() const { return axis_; }
    int RowCount() const { return static_cast<int>(channels_.size()); }
    // The selected programme, or nullptr; and the channel box's name of its channel.
    const GuideProgramme* Selected() const { return selectedRow_ >= 0 ? &selected_ : nullptr; }
    std::string SelectedChannel() const;
    // The cell of the programme of `row` on at `at`, in the viewport; empty when none shows.
    QRect CellRect(int row, UtcSeconds at);

    // Whether a schedule entry records a programme: its cell gets the mark.
    std::function<bool(const GuideProgramme&)> programmed;
    std::function<void()> onSelected;
    std::function<void()> onActivated;
    std::function<void()> onViewChanged;

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    void SetAxis(const GuideGridAxis& axis);
    const std::vector<GuideProgramme>& Row(int row);
    int FirstVisibleRow() const;
    bool Select(const QPoint& at);
    void PaintChannel(QPainter& painter, int row, const QRect& cell);
    void UpdateScrollBar();

    Guide& guide_;
    std::vector<GuideChannelEntry> channels_;
    GuideGridAxis axis_;
    std::unordered_map<int, std::vector<GuideProgramme>> rows_; // of axis_
    ChannelLogos logos_;
    int selectedRow_ = -1;
    GuideProgramme selected_;
    QTimer nowTimer_;
};

} // namespace kalore
