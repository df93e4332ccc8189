#include "services/online_status.h"

#include <algorithm>
#include <array>

#include "runtime/platform.h"
#include "services/hosts.h"
#include "services/http_get.h"
#include "services/offline_status_image.h"
#include "services/parallel_for.h"
#include "services/url_encode.h"

namespace services {

namespace {

bool starts_with(std::span<const std::uint8_t> body, std::string_view magic, std::size_t at = 0) {
    if (body.size() < at + magic.size()) return false;
    return std::equal(magic.begin(), magic.end(), body.begin() + static_cast<std::ptrdiff_t>(at),
                      [](char m, std::uint8_t b) { return static_cast<std::uint8_t>(m) == b; });
}

}  // namespace

OfflinePictures::OfflinePictures() {
    const auto carried = offline_status_image();
    pictures_.emplace_back(carried.begin(), carried.end());
}

bool OfflinePictures::learn(const runtime::HttpReply& reply) {
    if (!reply.succeeded() || !is_picture(reply.body)) return false;
    if (!contains(reply.body)) pictures_.push_back(reply.body);
    return true;
}

bool OfflinePictures::contains(std::span<const std::uint8_t> body) const {
    return std::any_of(pictures_.begin(), pictures_.end(), [&](const auto& picture) {
        return std::equal(picture.begin(), picture.end(), body.begin(), body.end());
    });
}

std::string online_status_address(std::string_view host, std::string_view id) {
    // The program's text is UTF-8 already, which is what the service expects.
    return "http://" + std::string(host) + "/realonline.aw?v=2&uid=" + url_encode(id) +
           "&site=cntaobao&s=1&charset=utf-8";
}

bool is_picture(std::span<const std::uint8_t> body) {
    return starts_with(body, "GIF87a") || starts_with(body, "GIF89a") ||
           starts_with(body, "\x89PNG\r\n\x1A\n") || starts_with(body, "\xFF\xD8\xFF") ||
           (starts_with(body, "RIFF") && starts_with(body, "WEBP", 8));
}

std::string status_text(const runtime::HttpReply& reply, const OfflinePictures& offline) {
    if (!reply.succeeded() || !is_picture(reply.body) || offline.contains(reply.body)) return {};
    return std::string(kOnlineText);
}

std::string probe_online_status(runtime::HttpAdapter& http, std::string_view host,
                                std::string_view id, const OfflinePictures& offline) {
    return status_text(http_fetch(http, online_status_address(host, id)), offline);
}

std::string probe_online_status(std::string_view id) {
    return probe_online_status(runtime::platform().http(), service_hosts().messenger_status, id);
}

std::vector<std::string> probe_online_statuses(runtime::HttpAdapter& http, std::string_view host,
                                               std::span<const std::string> ids,
                                               std::size_t parallel) {
    std::vector<std::string> statuses(ids.size());
    if (ids.empty()) return statuses;
    OfflinePictures offline;
    offline.learn(http_fetch(http, online_status_address(host, kNoSuchMemberId)));
    // Each job writes only its own cell, so the cells need no lock.
    parallel_for(ids.size(), parallel, [&](std::size_t i) {
        statuses[i] = probe_online_status(http, host, ids[i], offline);
    });
    return statuses;
}

std::vector<std::string> probe_online_statuses(std::span<const std::string> ids) {
    return probe_online_statuses(runtime::platform().http(), service_hosts().messenger_status, ids);
}

}  // namespace services
