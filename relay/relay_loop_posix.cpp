#include "relay/relay.h"

#include <poll.h>
#include <unistd.h>

#include <vector>

#include "relay/http_request.h"
#include "relay/loopback_socket.h"
#include "relay/relay_address.h"
#include "relay/relayed_channel.h"

namespace kalore {

namespace {

using Clock = std::chrono::steady_clock;
using namespace std::chrono_literals;

// Readers are the player and the recorder on this machine: they send their request
// at once. Whoever holds a connection open without one is dropped after this, and
// past this many waiting the oldest goes, so that nobody can keep a reader waiting.
constexpr auto kRequestLimit = 2s;
constexpr std::size_t kMaxPending = 32;
// How often the loop sends batches that waited, and tidies the channels.
constexpr auto kFlushPeriod = 10ms;
constexpr auto kTidyPeriod = 200ms;

} // namespace

struct Relay::Pending {
    std::unique_ptr<ReaderConnection> connection;
    std::string head;
    Clock::time_point deadline;
};

unsigned Relay::ThisUser() {
    return getuid();
}

void Relay::Serve() {
    std::vector<Pending> pending;
    auto nextTidy = Clock::now();
    bool flowing = false;
    for (;;) {
        {
            std::lock_guard lock(mutex_);
            if (stop_)
                return;
        }
        std::vector<pollfd> watched{{listener_->Descriptor(), POLLIN, 0},
                                    {wake_.Descriptor(), POLLIN, 0}};
        for (const Pending& waiting : pending)
            watched.push_back({waiting.connection->Descriptor(), POLLIN, 0});
        // Batches wait only while a stream flows; otherwise the loop rests.
        poll(watched.data(), watched.size(),
             static_cast<int>((flowing ? kFlushPeriod : kTidyPeriod).count()));
        if (watched[1].revents & POLLIN)
            wake_.Clear();
        // Requests first, then new connections: a flood of them never delays a
        // reader that has already asked.
        const auto now = Clock::now();
        for (std::size_t i = pending.size(); i-- > 0;) {
            Pending& waiting = pending[i];
            const auto read = (watched[2 + i].revents & (POLLIN | POLLHUP | POLLERR))
                                  ? waiting.connection->ReadHead(waiting.head)
                                  : ReaderConnection::HeadRead::More;
            if (read == ReaderConnection::HeadRead::Whole)
                Answer(std::move(waiting.connection), waiting.head);
            if (read != ReaderConnection::HeadRead::More || now > waiting.deadline)
                pending.erase(pending.begin() + static_cast<std::ptrdiff_t>(i));
        }
        if (watched[0].revents & POLLIN) {
            while (auto connection = listener_->Accept())
                Admit(std::move(connection), pending);
        }
        std::lock_guard lock(mutex_);
        flowing = false;
        for (auto& [token, channel] : channels_) {
            channel->FlushDue(now);
            flowing = flowing || channel->SessionOpen();
        }
        if (now >= nextTidy) {
            for (auto& [token, channel] : channels_)
                channel->Tidy(now);
            nextTidy = now + kTidyPeriod;
        }
    }
}

void Relay::Admit(std::unique_ptr<ReaderConnection> connection, std::vector<Pending>& pending) {
    // The address's path is secret, but another user who learnt it still can't read.
    const std::optional<unsigned> owner = connection->PeerOwner();
    if (!owner && !ownerUnknownTold_) {
        ownerUnknownTold_ = true;
        options_.log("Relais RTSP : le système ne dit pas à quel utilisateur appartient un "
                     "lecteur ; seul le chemin secret de l'adresse protège les chaînes");
    }
    if (owner && *owner != readerOwner_) {
        std::lock_guard lock(mutex_);
        if (refusedOwners_.insert(*owner).second)
            options_.log("Relais RTSP : connexion refusée à l'utilisateur " +
                         std::to_string(*owner) + " (seul l'utilisateur de Kalore peut lire " +
                         "les chaînes)");
        return;
    }
    if (pending.size() == kMaxPending)
        pending.erase(pending.begin());
    pending.push_back({std::move(connection), {}, Clock::now() + kRequestLimit});
}

void Relay::Answer(std::unique_ptr<ReaderConnection> connection, const std::string& head) {
    const auto request = ParseRequestLine(head);
    const auto refuse = [&](int status, std::string_view reason) {
        const std::string answer = HttpRefusal(status, reason);
        connection->SendSome(answer.data(), answer.size());
    };
    if (!request)
        return refuse(400, "Bad Request");
    if (request->method != "GET")
        return refuse(405, "Method Not Allowed");
    const auto token = TokenOfTarget(request->target);
    std::lock_guard lock(mutex_);
    const auto channel = token ? channels_.find(*token) : channels_.end();
    if (channel == channels_.end())
        return refuse(404, "Not Found");
    channel->second->AddReader(std::move(connection));
}

} // namespace kalore
