#pragma once

#include <functional>
#include <memory>
#include <string>

#include <QObject>

#include "platform/sleep_lock.h"

namespace kalore {

// The desktop's power management: the lock on sleep that the recorders hold, and word
// that the machine woke up, which the schedule takes as a jump of the clock. Linux
// asks logind on the system bus (power_management_posix.cpp); without it nothing is
// held, and the log says why.
class PowerManagement final : public QObject, public SleepLock {
    Q_OBJECT
public:
    // `log` takes lines for the log.
    explicit PowerManagement(std::function<void(const std::string&)> log,
                             QObject* parent = nullptr);
    ~PowerManagement() override;

    void Hold(const std::string& why) override;
    void Release() override;

signals:
    // The machine woke up from sleep (or hibernation).
    void Resumed();

private slots:
    void PrepareForSleep(bool sleeping);

private:
    struct State;
    std::unique_ptr<State> state_;
};

} // namespace kalore
