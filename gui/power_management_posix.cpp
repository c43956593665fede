// logind's side of power management: Inhibit("sleep:idle") for the lock, whose
// file descriptor holds it until closed, and PrepareForSleep for the wake-up.
#include "gui/power_management.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QDBusUnixFileDescriptor>

namespace kalore {
namespace {

const QString kLogin = QStringLiteral("org.freedesktop.login1");
const QString kLoginPath = QStringLiteral("/org/freedesktop/login1");
const QString kLoginManager = QStringLiteral("org.freedesktop.login1.Manager");
// Sleep, and the idle time that leads to it; "block": while held, not "delay".
const QString kWhat = QStringLiteral("sleep:idle");
constexpr int kCallTimeoutMs = 10000;

} // namespace

struct PowerManagement::State {
    std::function<void(const std::string&)> log;
    QDBusUnixFileDescriptor lock; // closed when replaced or reset: the lock goes with it
    std::uint64_t request = 0;    // the latest Hold or Release: older answers are dropped
    std::string lastFailure;      // told once until the next success
};

PowerManagement::PowerManagement(std::function<void(const std::string&)> log, QObject* parent)
    : QObject(parent), state_(std::make_unique<State>()) {
    state_->log = std::move(log);
    QDBusConnection::systemBus().connect(kLogin, kLoginPath, kLoginManager,
                                         QStringLiteral("PrepareForSleep"), this,
                                         SLOT(PrepareForSleep(bool)));
}

PowerManagement::~PowerManagement() = default;

void PowerManagement::Hold(const std::string& why) {
    const std::uint64_t request = ++state_->request;
    QDBusConnection bus = QDBusConnection::systemBus();
    const auto failed = [this](const std::string& error) {
        if (error != state_->lastFailure) {
            state_->lastFailure = error;
            state_->log("Mise en veille : impossible de l'empêcher pendant l'enregistrement (" +
                        error + ")");
        }
    };
    if (!bus.isConnected()) {
        failed("bus système injoignable");
        return;
    }
    QDBusMessage call = QDBusMessage::createMethodCall(kLogin, kLoginPath, kLoginManager,
                                                       QStringLiteral("Inhibit"));
    call << kWhat << QStringLiteral("Kalore") << QString::fromStdString(why)
         << QStringLiteral("block");
    // Asked without waiting: a slow bus must not hold the window or the trigger.
    auto* watcher = new QDBusPendingCallWatcher(bus.asyncCall(call, kCallTimeoutMs), this);
    connect(watcher, &QDBusPendingCallWatcher::finished, this,
            [this, request, why, failed](QDBusPendingCallWatcher* answered) {
                answered->deleteLater();
                const QDBusPendingReply<QDBusUnixFileDescriptor> reply = *answered;
                if (request != state_->request) {
                    return; // released or replaced meanwhile: the answer's descriptor closes
                }
                if (reply.isError() || !reply.value().isValid()) {
                    failed(reply.error().message().toStdString());
                    return;
                }
                // The lock held before goes only now, so the machine is never left free.
                state_->lock = reply.value();
                state_->lastFailure.clear();
                state_->log("Mise en veille empêchée : " + why);
            });
}

void PowerManagement::Release() {
    ++state_->request;
    if (state_->lock.isValid()) {
        state_->lock = QDBusUnixFileDescriptor();
        state_->log("Mise en veille de nouveau permise");
    }
}

void PowerManagement::PrepareForSleep(bool sleeping) {
    state_->log(sleeping ? "La machine se met en veille" : "Sortie de veille");
    if (!sleeping) {
        emit Resumed();
    }
}

} // namespace kalore
