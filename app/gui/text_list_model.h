#pragma once

#include <string>
#include <vector>

#include <QAbstractListModel>

namespace kalore {

// Shows a list of texts that the core owns (channel names or addresses, the schedule's
// URL list) without copying it: a box of 100,000 channels fills at once.
class TextListModel final : public QAbstractListModel {
    Q_OBJECT
public:
    explicit TextListModel(const std::vector<std::string>& texts, QObject* parent = nullptr);
    int rowCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    // The list changed: views read it afresh.
    void Refresh();

private:
    const std::vector<std::string>& texts_;
};

} // namespace kalore
