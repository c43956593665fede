// The maker's web services and the set-top box on loopback, for end-to-end checks,
// screenshots and benchmarks: answers the version, the address line and the
// playlist, prints the port it listens on, and serves until it is killed.
//
// Usage: fake_web_server [--version TEXT] [--address TEXT] [--playlist FILE] [--silent PATH]...
// A path given with --silent is accepted and never answered, as a site that hangs.
#include <chrono>
#include <cstdio>
#include <fstream>
#include <set>
#include <sstream>
#include <string>
#include <thread>

#include <httplib.h>

int main(int argc, char* argv[]) {
    std::string version = "11";
    std::string address = "lns-bzn-1-82.abo.wanadoo.fr";
    std::string playlist = "#EXTM3U\n";
    std::set<std::string> silent;
    for (int i = 1; i + 1 < argc; i += 2) {
        const std::string option = argv[i];
        if (option == "--version") {
            version = argv[i + 1];
        } else if (option == "--address") {
            address = argv[i + 1];
        } else if (option == "--silent") {
            silent.insert(argv[i + 1]);
        } else if (option == "--playlist") {
            std::ifstream in(argv[i + 1], std::ios::binary);
            std::stringstream content;
            content << in.rdbuf();
            playlist = content.str();
        }
    }
    httplib::Server server;
    server.new_task_queue = [] {
        return new httplib::ThreadPool(32);
    };
    server.set_pre_routing_handler([&silent](const httplib::Request& request, httplib::Response&) {
        while (silent.count(request.path) > 0) {
            std::this_thread::sleep_for(std::chrono::hours(1));
        }
        return httplib::Server::HandlerResponse::Unhandled;
    });
    server.Get("/lastVersionForSoft", [&](const httplib::Request&, httplib::Response& r) {
        r.set_content(version, "text/plain");
    });
    server.Get("/kaloregip.php", [&](const httplib::Request&, httplib::Response& r) {
        r.set_content(address + "\n", "text/plain");
    });
    server.Get("/freeboxtv/playlist.m3u", [&](const httplib::Request&, httplib::Response& r) {
        r.set_content(playlist, "audio/x-mpegurl");
    });
    const int port = server.bind_to_any_port("127.0.0.1");
    if (port <= 0) {
        std::fprintf(stderr, "fake_web_server: can't listen on 127.0.0.1\n");
        return 1;
    }
    std::printf("%d\n", port);
    std::fflush(stdout);
    return server.listen_after_bind() ? 0 : 1;
}
