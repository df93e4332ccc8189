#include "services/status_pipeline.h"

#include <condition_variable>
#include <exception>
#include <mutex>
#include <set>
#include <system_error>
#include <thread>

#include "runtime/platform.h"
#include "services/hosts.h"
#include "services/status_book.h"
#include "services/status_queue.h"

namespace services {

namespace {

// How often one round asks for the offline picture again when the service fails to give it.
constexpr int kOfflinePictureAttempts = 3;
// How long the pipeline's end waits for its workers before leaving them behind.
constexpr auto kWorkersLeave = std::chrono::milliseconds(100);

StatusPipelineSetup with_clock(StatusPipelineSetup setup) {
    if (!setup.clock) setup.clock = [] { return StatusPipelineSetup::Clock::now(); };
    return setup;
}

struct Job {
    bool offline_picture = false;  // the request for kNoSuchMemberId
    StatusKey key;
};

}  // namespace

struct StatusPipeline::State {
    State(StatusPipelineSetup s, Answer a)
        : setup(with_clock(std::move(s))), answer(std::move(a)), book(setup.fresh_for) {}

    const StatusPipelineSetup setup;
    const Answer answer;

    mutable std::mutex mutex;
    std::condition_variable wake;
    std::condition_variable gone;
    bool stopping = false;
    StatusQueue queue;
    std::set<StatusKey> in_flight;
    bool picture_wanted = false;     // a request for the offline picture should go next
    bool picture_in_flight = false;  // one is on its way
    // Replies judged whose answers a worker is still handing over: a caller that sees
    // nothing in flight must also see every answer handed over.
    std::size_t handing_over = 0;
    int picture_attempts = 0;  // left in this round
    OfflinePictures offline;
    StatusBook book;
    std::size_t workers_started = 0;
    std::size_t workers_alive = 0;
    std::size_t sent = 0;
    std::size_t peak = 0;

    // Answers go out under a lock of their own, so that shutdown can close the door behind
    // the last one.
    std::mutex deliver_mutex;
    bool delivering = true;

    bool has_job() const { return (picture_wanted && !picture_in_flight) || !queue.empty(); }

    // Under `mutex`, with has_job().
    Job take_job() {
        Job job;
        if (picture_wanted && !picture_in_flight) {
            picture_wanted = false;
            picture_in_flight = true;
            job.offline_picture = true;
        } else {
            job.key = *queue.take();
            in_flight.insert(job.key);
        }
        ++sent;
        peak = std::max(peak, in_flight.size() + (picture_in_flight ? 1 : 0));
        return job;
    }

    // Another request for the offline picture, if this round may still make one and anything
    // waits for it.
    void want_picture_again() {
        if (picture_attempts <= 0 || (queue.empty() && !book.holds_any())) return;
        --picture_attempts;
        picture_wanted = true;
    }

    void run(const Job& job) {
        runtime::HttpReply reply;
        try {
            reply = setup.http->fetch(online_status_address(
                setup.host,
                job.offline_picture ? std::string_view(kNoSuchMemberId) : job.key.wang));
        } catch (const std::exception&) {
            // Out of memory or the like: no answer, and the worker lives on.
        }
        StatusBook::Answers answers;
        {
            std::lock_guard lock(mutex);
            const auto now = setup.clock();
            if (job.offline_picture) {
                picture_in_flight = false;
            } else {
                in_flight.erase(job.key);
            }
            if (stopping) return;
            if (job.offline_picture) {
                const auto change = offline.learn(reply);
                if (change == OfflinePictures::Change::none) {
                    want_picture_again();
                } else {
                    answers = book.judge_held(offline, now);
                    if (change == OfflinePictures::Change::candidate) want_picture_again();
                }
            } else {
                switch (judge(reply, offline)) {
                    case Verdict::offline:
                        book.record(job.key, "", now);
                        answers.emplace_back(job.key, "");
                        break;
                    case Verdict::online:
                        book.record(job.key, std::string(kOnlineText), now);
                        answers.emplace_back(job.key, std::string(kOnlineText));
                        break;
                    case Verdict::undecided:
                        book.hold(job.key, reply.body, now);
                        break;
                    case Verdict::no_answer:
                        // Nothing learnt: what was known stays until it is too old.
                        break;
                }
            }
            if (!answers.empty()) ++handing_over;
        }
        if (job.offline_picture) wake.notify_all();
        if (answers.empty()) return;
        struct HandedOver {
            State& state;
            ~HandedOver() {
                std::lock_guard lock(state.mutex);
                --state.handing_over;
            }
        } handed_over{*this};
        deliver(answers);
    }

    void deliver(const StatusBook::Answers& answers) {
        if (answers.empty()) return;
        std::lock_guard lock(deliver_mutex);
        if (!delivering) return;
        for (const auto& [key, text] : answers)
            answer(key, text);
    }

    static void work(const std::shared_ptr<State>& self) {
        for (;;) {
            Job job;
            {
                std::unique_lock lock(self->mutex);
                self->wake.wait(lock, [&] { return self->stopping || self->has_job(); });
                if (self->stopping) break;
                job = self->take_job();
            }
            self->run(job);
        }
        std::lock_guard lock(self->mutex);
        --self->workers_alive;
        self->gone.notify_all();
    }

    // Under `mutex`.
    void start_workers(const std::shared_ptr<State>& self) {
        while (workers_started < setup.workers) {
            try {
                // Detached: a worker blocked in the network must not hold up the program's
                // end; it keeps the state alive by itself.
                std::thread([self] { work(self); }).detach();
            } catch (const std::system_error&) {
                // Fewer workers than wanted still ask everything, only slower.
                if (workers_started > 0) return;
                throw;
            }
            ++workers_started;
            ++workers_alive;
        }
    }
};

StatusPipeline::StatusPipeline(StatusPipelineSetup setup, Answer answer)
    : state_(std::make_shared<State>(std::move(setup), std::move(answer))) {}

StatusPipeline::~StatusPipeline() {
    shutdown();
    std::unique_lock lock(state_->mutex);
    state_->gone.wait_for(lock, kWorkersLeave, [&] { return state_->workers_alive == 0; });
}

void StatusPipeline::ask(std::vector<StatusKey> in_list_order, std::span<const StatusKey> visible,
                         bool everything) {
    State& s = *state_;
    {
        std::lock_guard lock(s.mutex);
        if (s.stopping || !s.setup.http) return;
        const auto now = s.setup.clock();
        s.book.forget_stale(now);
        s.queue.replace(visible, std::move(in_list_order), [&](const StatusKey& key) {
            return s.in_flight.contains(key) || (!everything && s.book.knows(key, now));
        });
        s.picture_attempts = kOfflinePictureAttempts;
        // One request for the offline picture leads every round that asks anything: the first
        // teaches it, later ones show when the service has changed it.
        s.picture_wanted = !s.queue.empty() && !s.picture_in_flight;
        if (s.queue.empty()) return;
        s.start_workers(state_);
    }
    s.wake.notify_all();
}

void StatusPipeline::prefer(std::span<const StatusKey> keys) {
    std::lock_guard lock(state_->mutex);
    state_->queue.prefer(keys);
}

std::optional<std::string> StatusPipeline::known(const StatusKey& key) const {
    std::lock_guard lock(state_->mutex);
    return state_->book.known(key, state_->setup.clock());
}

void StatusPipeline::shutdown() {
    State& s = *state_;
    {
        std::lock_guard lock(s.mutex);
        if (s.stopping) return;
        s.stopping = true;
        s.queue.clear();
        s.picture_wanted = false;
    }
    s.wake.notify_all();
    if (s.setup.http) s.setup.http->cancel_all();
    std::lock_guard lock(s.deliver_mutex);
    s.delivering = false;
}

std::size_t StatusPipeline::step(std::size_t at_most) {
    std::size_t done = 0;
    while (done < at_most) {
        Job job;
        {
            std::lock_guard lock(state_->mutex);
            if (state_->stopping || !state_->has_job()) break;
            job = state_->take_job();
        }
        state_->run(job);
        ++done;
    }
    return done;
}

StatusPipeline::Counts StatusPipeline::counts() const {
    std::lock_guard lock(state_->mutex);
    const State& s = *state_;
    return {s.queue.size() + (s.picture_wanted ? 1 : 0),
            s.in_flight.size() + (s.picture_in_flight ? 1 : 0) + s.handing_over, s.sent, s.peak};
}

StatusPipelineSetup program_status_setup() {
    StatusPipelineSetup setup;
    setup.host = service_hosts().messenger_status;
    if (auto* http = dynamic_cast<runtime::HttpReplyAdapter*>(&runtime::platform().http()))
        setup.http = http->open_session({});
    return setup;
}

}  // namespace services
