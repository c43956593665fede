#pragma once

#include <QAbstractTableModel>

namespace kalore {

class ScheduleTable;

// StringGrid1 shows the core's schedule table through this model: grid row r is
// table row r + 1 (the header row is the view's header), the input row included.
class ScheduleGridModel final : public QAbstractTableModel {
    Q_OBJECT
public:
    explicit ScheduleGridModel(const ScheduleTable& table, QObject* parent = nullptr);
    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;
    // The table changed: views read it afresh.
    void Refresh();

private:
    const ScheduleTable& table_;
};

} // namespace kalore
