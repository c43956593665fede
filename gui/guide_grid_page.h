#pragma once

#include <QWidget>

class QLabel;

namespace kalore {

class Guide;
class GuideGridView;

// The "Grille" view of the guide window: the grid and its ways through time (a day
// back, two hours back, now, two hours on, a day on), with the day shown.
class GuideGridPage final : public QWidget {
    Q_OBJECT

public:
    GuideGridPage(Guide& guide, QWidget* parent = nullptr);
    GuideGridView& Grid() { return *grid_; }
    // The day and hours shown, afresh.
    void ShowPeriod();

private:
    GuideGridView* grid_ = nullptr;
    QLabel* period_ = nullptr;
};

} // namespace kalore
