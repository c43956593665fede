#pragma once

#include <cstddef>
#include <functional>
#include <string_view>

#include <QAbstractListModel>

namespace kalore {

// Shows a list of texts that the core owns (channel names or addresses, the schedule's
// URL list) without copying it: a box of 100,000 channels fills at once.
class TextListModel final : public QAbstractListModel {
    Q_OBJECT
public:
    // The list's length and its items, read each time a view asks.
    TextListModel(std::function<std::size_t()> count,
                  std::function<std::string_view(std::size_t)> item, QObject* parent = nullptr);
    // A list of any container of texts, which must outlive the model.
    template <typename Texts> static TextListModel* Of(const Texts& texts, QObject* parent) {
        return new TextListModel([&texts] { return texts.size(); },
                                 [&texts](std::size_t i) { return std::string_view(texts[i]); },
                                 parent);
    }
    int rowCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    // The list changed: views read it afresh.
    void Refresh();

private:
    std::function<std::size_t()> count_;
    std::function<std::string_view(std::size_t)> item_;
};

} // namespace kalore
