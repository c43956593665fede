#include "relay/rtsp_source.h"

#include <cstring>

#include "relay/boxes.h"

namespace kalore {

RtspSource::RtspSource(std::string address, Timing timing, std::shared_ptr<Boxes> boxes,
                       Events events)
    : address_(std::move(address)), timing_(timing), boxes_(std::move(boxes)),
      events_(std::move(events)), thread_([this] { Run(); }) {}

RtspSource::~RtspSource() {
    RequestStop();
    thread_.join();
}

void RtspSource::RequestStop() {
    std::lock_guard lock(mutex_);
    stop_ = true;
    ended_ = true;
    // Until its TEARDOWN has gone, the box may count this session against its streams.
    if (!finished_ && !ending_) {
        ending_ = true;
        boxes_->Ending(address_);
    }
    if (session_)
        session_->Interrupt();
    wake_.notify_all();
}

void RtspSource::Run() {
    bool flowed = false;
    bool outageTold = false;
    bool freed = false;
    for (;;) {
        boxes_->AwaitEnded(address_, timing_.limits.teardown * 2, stop_);
        BoxSession session(address_, boxes_->TransportFor(address_), timing_.limits);
        {
            std::lock_guard lock(mutex_);
            if (stop_)
                break;
            session_ = &session;
        }
        if (flowed)
            timeline_.Rejoin();
        const BoxSession::End end = session.Run(
            [&] {
                if (!flowed) {
                    flowed = true;
                    events_.opened();
                } else if (outageTold) {
                    outageTold = false;
                    events_.log("Relais RTSP : flux retrouvé (" + address_ + ")");
                }
            },
            [this](std::uint8_t* data, std::size_t size) { Deliver(data, size); });
        {
            std::lock_guard lock(mutex_);
            session_ = nullptr;
            if (stop_ || end.kind == BoxSession::End::Kind::Stopped)
                break;
        }
        if (end.kind == BoxSession::End::Kind::UdpBlocked) {
            boxes_->UseTcp(address_);
            events_.log("Relais RTSP : le flux n'arrive pas par UDP (pare-feu ?), il passe "
                        "désormais par TCP pour cette Freebox (" +
                        address_ + ")");
            continue;
        }
        const bool crowded = end.status == 453 || end.status == 503;
        // All the box's streams taken, one of them by Kalore for nothing a recording
        // needs: that one gives way, once, before anyone is told.
        if (!flowed && crowded && !freed && events_.crowded && events_.crowded()) {
            freed = true;
            continue;
        }
        if (!flowed) {
            ended_ = true;
            events_.refused(end.reason, crowded);
            break;
        }
        // Once per outage: the tries that follow would fill the log.
        if (!outageTold)
            events_.log("Relais RTSP : flux perdu (" + end.reason +
                        "), nouveaux essais jusqu'à son retour (" + address_ + ")");
        outageTold = true;
        std::unique_lock lock(mutex_);
        if (wake_.wait_for(lock, timing_.retry, [this] { return stop_.load(); }))
            break;
    }
    std::lock_guard lock(mutex_);
    ended_ = true;
    finished_ = true;
    if (ending_)
        boxes_->Ended(address_);
}

void RtspSource::Deliver(std::uint8_t* data, std::size_t size) {
    // Packets dropped while the clock of a new session isn't known are squeezed out
    // in place; each key frame starts a delivery of its own.
    std::size_t kept = 0;
    std::size_t runStart = 0;
    bool runIsKey = false;
    for (std::size_t at = 0; at + kTsPacketSize <= size; at += kTsPacketSize) {
        std::uint8_t* packet = data + at;
        if (!timeline_.Follow(packet, program_))
            continue;
        const bool key = program_.Inspect(packet);
        if (key && kept > runStart) {
            events_.packets(data + runStart, kept - runStart, runIsKey);
            runStart = kept;
        }
        runIsKey = key || (runIsKey && kept > runStart);
        if (kept != at)
            std::memmove(data + kept, packet, kTsPacketSize);
        kept += kTsPacketSize;
        if (program_.TablesVersion() != tablesVersion_) {
            tablesVersion_ = program_.TablesVersion();
            events_.tables(program_.Tables());
        }
    }
    if (kept > runStart)
        events_.packets(data + runStart, kept - runStart, runIsKey);
}

} // namespace kalore
