#include "gui/guide_grid_page.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

#include "gui/guide_grid_view.h"
#include "gui/guide_models.h"

namespace kalore {
namespace {

constexpr int kTwoHours = 2 * 3600;

} // namespace

GuideGridPage::GuideGridPage(Guide& guide, QWidget* parent) : QWidget(parent) {
    setObjectName("GuideGridPage");
    grid_ = new GuideGridView(guide, this);
    period_ = new QLabel(this);
    period_->setObjectName("GuideGridPeriod");
    auto* bar = new QHBoxLayout;
    const auto add = [&](const QString& text, const char* name, auto action) {
        auto* button = new QPushButton(text, this);
        button->setObjectName(name);
        connect(button, &QPushButton::clicked, this, action);
        bar->addWidget(button);
    };
    grid_->onViewChanged = [this] {
        ShowPeriod();
    };
    add(QStringLiteral("« Jour précédent"), "GuideGridDayBack", [this] { grid_->ScrollDays(-1); });
    add(QStringLiteral("‹ 2 h"), "GuideGridBack", [this] { grid_->ScrollTime(-kTwoHours); });
    add(QStringLiteral("Maintenant"), "GuideGridNow", [this] { grid_->ShowNow(); });
    add(QStringLiteral("2 h ›"), "GuideGridOn", [this] { grid_->ScrollTime(kTwoHours); });
    add(QStringLiteral("Jour suivant »"), "GuideGridDayOn", [this] { grid_->ScrollDays(1); });
    bar->addSpacing(12);
    bar->addWidget(period_, 1);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addLayout(bar);
    layout->addWidget(grid_, 1);
    ShowPeriod();
}

void GuideGridPage::ShowPeriod() {
    period_->setText(GuideDayText(grid_->Axis().Start()));
}

} // namespace kalore
