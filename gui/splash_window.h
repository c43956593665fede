#pragma once

#include <QWidget>

class QLabel;

namespace kalore {

// The borderless start-up window: one picture and two labels, no behaviour.
class TForm3 final : public QWidget {
    Q_OBJECT
public:
    explicit TForm3(QWidget* parent = nullptr);

private:
    QLabel* Image1 = nullptr;
    QLabel* Label1 = nullptr;
    QLabel* Label2 = nullptr;
};

} // namespace kalore
