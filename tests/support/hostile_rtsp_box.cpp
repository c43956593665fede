#include "hostile_rtsp_box.h"

#include <poll.h>
#include <sys/socket.h>

#include <random>

namespace kalore::testing {

namespace {

std::string Sdp(const std::string& media) {
    return "v=0\r\no=- 0 0 IN IP4 127.0.0.1\r\ns=hostile\r\nt=0 0\r\n" + media;
}

std::string Reply(const std::string& cseq, const std::string& status, const std::string& headers,
                  const std::string& body = "") {
    return "RTSP/1.0 " + status + "\r\nCSeq: " + cseq + "\r\n" + headers +
           (body.empty() ? ""
                         : "Content-Type: application/sdp\r\nContent-Length: " +
                               std::to_string(body.size()) + "\r\n") +
           "\r\n" + body;
}

// Sends `piece` again and again until the reader hangs up or the box stops.
void SendForEver(int connection, int stopSignal, const std::string& piece) {
    for (;;) {
        pollfd waits[2] = {{connection, POLLOUT, 0}, {stopSignal, POLLIN, 0}};
        if (::poll(waits, 2, 5000) <= 0 || (waits[1].revents & POLLIN) ||
            !(waits[0].revents & POLLOUT) ||
            ::send(connection, piece.data(), piece.size(), MSG_NOSIGNAL) <= 0)
            return;
    }
}

} // namespace

HostileRtspBox::HostileRtspBox()
    : server_([this](int connection, int stopSignal) { Answer(connection, stopSignal); }) {}

std::string HostileRtspBox::Address(const std::string& kind) const {
    return "rtsp://" + server_.Url().substr(7) + "/" + kind;
}

void HostileRtspBox::Answer(int connection, int stopSignal) {
    const std::string head = ReadRequestHead(connection);
    const std::string line = head.substr(0, head.find("\r\n"));
    const std::string url = line.substr(line.find(' ') + 1, line.rfind(' ') - line.find(' ') - 1);
    const auto cseqAt = head.find("CSeq: ");
    const std::string cseq = cseqAt == std::string::npos
                                 ? "1"
                                 : head.substr(cseqAt + 6, head.find("\r\n", cseqAt) - cseqAt - 6);
    if (line.rfind("DESCRIBE ", 0) != 0)
        return SendAll(connection, Reply(cseq, "405 Method Not Allowed", ""));
    ++describes_;
    const std::string kind = url.substr(url.rfind('/') + 1);
    const std::string other = "rtsp://127.0.0.2:" + url.substr(url.rfind(':') + 1);
    if (kind == "vide")
        SendAll(connection, Reply(cseq, "200 OK", "", Sdp("")));
    else if (kind == "charabia") {
        std::mt19937 random(7);
        std::string noise(64 * 1024, '\0');
        for (char& c : noise)
            c = static_cast<char>(random());
        SendForEver(connection, stopSignal, noise);
    } else if (kind == "enorme") {
        SendAll(connection,
                "RTSP/1.0 200 OK\r\nCSeq: " + cseq +
                    "\r\nContent-Type: application/sdp\r\nContent-Length: 400000000\r\n\r\n");
        SendForEver(connection, stopSignal, "a=x:" + std::string(1000, 'y') + "\r\n");
    } else if (kind == "entetes") {
        SendAll(connection, "RTSP/1.0 200 OK\r\nCSeq: " + cseq + "\r\n");
        SendForEver(connection, stopSignal, "X-Rien: " + std::string(100, 'a') + "\r\n");
    } else if (kind == "boucle")
        SendAll(connection, Reply(cseq, "302 Moved", "Location: " + url + "\r\n"));
    else if (kind == "ailleurs")
        SendAll(connection, Reply(cseq, "302 Moved", "Location: " + other + "\r\n"));
    else if (kind == "controle-ailleurs")
        SendAll(connection,
                Reply(cseq, "200 OK", "",
                      Sdp("m=video 0 RTP/AVP 33\r\na=control:" + other + "/stream=0\r\n")));
    else if (kind == "multiflux") {
        std::string media;
        for (int i = 0; i < 100; ++i)
            media += "m=video 0 RTP/AVP 33\r\na=control:stream=" + std::to_string(i) + "\r\n";
        SendAll(connection, Reply(cseq, "200 OK", "", Sdp(media)));
    } else
        SendAll(connection, Reply(cseq, "503 Service Unavailable", ""));
}

} // namespace kalore::testing
