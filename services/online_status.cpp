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

// Confirmed pictures the service has since replaced still mean offline; a few are plenty.
constexpr std::size_t kLearntPicturesKept = 4;

bool starts_with(std::span<const std::uint8_t> body, std::string_view magic, std::size_t at = 0) {
    if (body.size() < at + magic.size()) return false;
    return std::equal(magic.begin(), magic.end(), body.begin() + static_cast<std::ptrdiff_t>(at),
                      [](char m, std::uint8_t b) { return static_cast<std::uint8_t>(m) == b; });
}

bool same_bytes(std::span<const std::uint8_t> a, std::span<const std::uint8_t> b) {
    return std::equal(a.begin(), a.end(), b.begin(), b.end());
}

}  // namespace

OfflinePictures::OfflinePictures() {
    const auto carried = offline_status_image();
    carried_.assign(carried.begin(), carried.end());
}

OfflinePictures::Change OfflinePictures::learn(const runtime::HttpReply& reply) {
    if (!reply.succeeded() || !is_picture(reply.body)) return Change::none;
    if (learnt_.empty()) {
        learnt_.push_back(reply.body);
        candidate_.reset();
        return Change::learnt;
    }
    if (same_bytes(reply.body, learnt_.back())) {
        candidate_.reset();
        return Change::same;
    }
    if (candidate_ && same_bytes(reply.body, *candidate_)) {
        learnt_.erase(std::remove_if(learnt_.begin(), learnt_.end(),
                                     [&](const Bytes& p) { return same_bytes(p, *candidate_); }),
                      learnt_.end());
        learnt_.push_back(std::move(*candidate_));
        candidate_.reset();
        if (learnt_.size() > kLearntPicturesKept) learnt_.erase(learnt_.begin());
        return Change::replaced;
    }
    candidate_ = reply.body;
    return Change::candidate;
}

bool OfflinePictures::contains(std::span<const std::uint8_t> body) const {
    return same_bytes(body, carried_) ||
           std::any_of(learnt_.begin(), learnt_.end(),
                       [&](const Bytes& picture) { return same_bytes(body, picture); });
}

bool OfflinePictures::unconfirmed(std::span<const std::uint8_t> body) const {
    return candidate_ && same_bytes(body, *candidate_);
}

Verdict judge_picture(std::span<const std::uint8_t> body, const OfflinePictures& offline) {
    if (offline.contains(body)) return Verdict::offline;
    // Only a confirmed picture of the service's own tells online from offline.
    if (!offline.learnt() || offline.unconfirmed(body)) return Verdict::undecided;
    return Verdict::online;
}

Verdict judge(const runtime::HttpReply& reply, const OfflinePictures& offline) {
    if (!reply.succeeded() || !is_picture(reply.body)) return Verdict::no_answer;
    return judge_picture(reply.body, offline);
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
    return judge(reply, offline) == Verdict::online ? std::string(kOnlineText) : std::string();
}

std::string probe_online_status(runtime::HttpAdapter& http, std::string_view host,
                                std::string_view id, const OfflinePictures& offline) {
    return status_text(http_fetch(http, online_status_address(host, id)), offline);
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

std::string probe_online_status(std::string_view id) {
    const std::string one(id);
    return probe_online_statuses(std::span<const std::string>(&one, 1)).front();
}

}  // namespace services
