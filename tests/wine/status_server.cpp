// status_server LOG SECONDS [DELAY_MS | hang]: a stand-in for the messenger's status service
// on 127.0.0.1. Prints its port, then for SECONDS answers every status request with the
// offline picture, except IDs containing "online", which get a different picture; every
// request target goes to LOG as it arrives, one a line. With DELAY_MS each status answer
// comes that much later; with "hang" none ever comes (other requests are answered at once).
// LOG.peak holds the most requests that were waiting for their answer at one time, kept up
// to date every 100 ms.
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <mutex>
#include <string>
#include <thread>

#include "services/offline_status_image.h"
#include "tests/services/support/http_test_server.h"

int main(int argc, char** argv) {
    if (argc != 3 && argc != 4) {
        std::fprintf(stderr, "usage: status_server LOG SECONDS [DELAY_MS | hang]\n");
        return 2;
    }
    const bool hang = argc == 4 && std::string(argv[3]) == "hang";
    const auto delay = std::chrono::milliseconds(hang        ? 24 * 3600 * 1000
                                                 : argc == 4 ? std::atoi(argv[3])
                                                             : 0);
    auto offline = services::offline_status_image();
    const std::string offline_body(offline.begin(), offline.end());
    std::string online_body = offline_body;
    online_body[online_body.size() / 2] ^= 0x55;  // another picture of the same size
    std::mutex log_lock;
    std::ofstream log(argv[1], std::ios::app);
    testsupport::HttpTestServer server;
    server.set_handler([&](std::string_view target) {
        {
            std::lock_guard<std::mutex> hold(log_lock);
            log << target << std::endl;
        }
        testsupport::CannedReply reply;
        std::string_view uid = target.substr(
            target.find("uid=") == std::string_view::npos ? target.size() : target.find("uid="));
        uid = uid.substr(0, uid.find('&'));
        reply.body = uid.find("online") != std::string_view::npos ? online_body : offline_body;
        if (target.starts_with("/realonline.aw")) reply.delay = delay;
        return reply;
    });
    std::printf("%u\n", static_cast<unsigned>(server.port()));
    std::fflush(stdout);
    const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(std::atoi(argv[2]));
    const std::string peak_file = std::string(argv[1]) + ".peak";
    while (std::chrono::steady_clock::now() < end) {
        std::ofstream(peak_file, std::ios::trunc) << server.peak_in_flight() << std::endl;
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
    }
    return 0;
}
