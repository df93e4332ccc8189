#include "jet/memory_file_system.h"

#include <algorithm>
#include <atomic>
#include <set>

namespace jet {

namespace {

constexpr std::uint64_t kLimit = std::uint64_t{1} << 31;  // the format's own ceiling

struct Change {
    std::uint64_t seq;
    bool truncate;
    std::uint64_t offset;  // the new size, for a truncate
    std::vector<std::uint8_t> data;
};

void apply_change(std::vector<std::uint8_t>& bytes, const Change& change) {
    // Offsets were checked against kLimit before the change was recorded, so they fit a size_t.
    if (change.truncate) {
        bytes.resize(static_cast<std::size_t>(change.offset));
        return;
    }
    auto end = static_cast<std::size_t>(change.offset + change.data.size());
    if (bytes.size() < end) bytes.resize(end);
    std::copy(change.data.begin(), change.data.end(),
              bytes.begin() + static_cast<std::ptrdiff_t>(change.offset));
}

// Counted across every file system in the process, so that no two contents share a version.
std::uint64_t next_version() {
    static std::atomic<std::uint64_t> last{0};
    return ++last;
}

struct Inode {
    std::vector<std::uint8_t> durable;
    std::vector<std::uint8_t> current;
    std::vector<Change> pending;
    std::uint64_t version = next_version();  // of `current`
};

struct NameChange {
    std::uint64_t seq;
    std::string name;
    std::optional<std::uint64_t> inode;  // nullopt removes the name
};

Error power_lost() {
    return make_error(Errc::io, "the disk is gone (simulated power cut)");
}

}  // namespace

struct MemoryFileSystem::State {
    std::map<std::uint64_t, Inode> inodes;
    std::map<std::string, std::uint64_t> names;
    std::map<std::string, std::uint64_t> durable_names;
    std::vector<NameChange> pending_names;
    std::uint64_t next_inode = 1;
    std::uint64_t next_seq = 0;
    std::uint64_t steps = 0;
    std::uint64_t epoch = 0;
    std::optional<std::uint64_t> fail_in;
    std::optional<std::uint64_t> crash_in;
    bool crashed = false;

    // Called before every change; an error means the change must not happen.
    Status step() {
        if (crashed) return power_lost();
        if (crash_in) {
            if (*crash_in == 0) {
                crashed = true;
                return power_lost();
            }
            --*crash_in;
        }
        if (fail_in) {
            if (*fail_in == 0) {
                fail_in.reset();
                return make_error(Errc::io, "simulated write error");
            }
            --*fail_in;
        }
        ++steps;
        return {};
    }
};

namespace {

class MemoryFsFile final : public File {
  public:
    MemoryFsFile(std::shared_ptr<MemoryFileSystem::State> state, std::uint64_t inode, bool writable)
        : state_(std::move(state)), inode_(inode), epoch_(state_->epoch), writable_(writable) {}

    Result<std::uint64_t> size() const override {
        JET_ASSIGN(const Inode* node, live());
        return static_cast<std::uint64_t>(node->current.size());
    }
    Status read_at(std::uint64_t offset, std::span<std::uint8_t> out) const override {
        JET_ASSIGN(const Inode* node, live());
        const auto& bytes = node->current;
        if (offset > bytes.size() || out.size() > bytes.size() - offset)
            return make_error(Errc::io, "read past the end of the file");
        std::copy_n(bytes.begin() + static_cast<std::ptrdiff_t>(offset), out.size(), out.begin());
        return {};
    }
    Status write_at(std::uint64_t offset, std::span<const std::uint8_t> data) override {
        if (offset > kLimit || data.size() > kLimit - offset)
            return make_error(Errc::full, "write beyond the largest database size");
        return change(Change{0, false, offset, {data.begin(), data.end()}});
    }
    Status truncate(std::uint64_t size) override {
        if (size > kLimit) return make_error(Errc::full, "larger than any database");
        return change(Change{0, true, size, {}});
    }
    Status sync() override {
        JET_ASSIGN(Inode * node, live());
        JET_TRY(state_->step());
        // What reached the disk is what was there plus the changes since: applying those
        // costs what changed, not the whole file.
        for (const Change& c : node->pending)
            apply_change(node->durable, c);
        node->pending.clear();
        return {};
    }

  private:
    Result<Inode*> live() const {
        auto it = state_->inodes.find(inode_);
        if (epoch_ != state_->epoch || it == state_->inodes.end())
            return make_error(Errc::io, "the file was opened before the power cut");
        return &it->second;
    }
    Status change(Change c) {
        JET_ASSIGN(Inode * node, live());
        if (!writable_) return make_error(Errc::io, "the file is open for reading only");
        JET_TRY(state_->step());
        c.seq = state_->next_seq++;
        apply_change(node->current, c);
        node->version = next_version();
        node->pending.push_back(std::move(c));
        return {};
    }

    std::shared_ptr<MemoryFileSystem::State> state_;
    std::uint64_t inode_;
    std::uint64_t epoch_;
    bool writable_;
};

}  // namespace

MemoryFileSystem::MemoryFileSystem() : state_(std::make_shared<State>()) {}

MemoryFileSystem::MemoryFileSystem(const MemoryFileSystem& other)
    : state_(std::make_shared<State>(*other.state_)) {}

MemoryFileSystem& MemoryFileSystem::operator=(const MemoryFileSystem& other) {
    if (this != &other) state_ = std::make_shared<State>(*other.state_);
    return *this;
}

Result<std::unique_ptr<File>> MemoryFileSystem::open(const std::string& path, OpenMode mode) {
    auto it = state_->names.find(path);
    if (it == state_->names.end()) return make_error(Errc::not_found, "no file at " + path);
    return std::unique_ptr<File>(
        std::make_unique<MemoryFsFile>(state_, it->second, mode == OpenMode::read_write));
}

Result<std::unique_ptr<File>> MemoryFileSystem::create(const std::string& path) {
    JET_TRY(state_->step());
    auto it = state_->names.find(path);
    std::uint64_t id;
    if (it != state_->names.end()) {
        id = it->second;
        Change cut{state_->next_seq++, true, 0, {}};
        apply_change(state_->inodes[id].current, cut);
        state_->inodes[id].version = next_version();
        state_->inodes[id].pending.push_back(std::move(cut));
    } else {
        id = state_->next_inode++;
        state_->inodes[id] = Inode{};
        state_->names[path] = id;
        state_->pending_names.push_back(NameChange{state_->next_seq++, path, id});
    }
    return std::unique_ptr<File>(std::make_unique<MemoryFsFile>(state_, id, true));
}

Status MemoryFileSystem::remove(const std::string& path) {
    if (!state_->names.contains(path)) return make_error(Errc::not_found, "no file at " + path);
    JET_TRY(state_->step());
    state_->names.erase(path);
    state_->pending_names.push_back(NameChange{state_->next_seq++, path, std::nullopt});
    return {};
}

Status MemoryFileSystem::rename_new(const std::string& from, const std::string& to) {
    auto it = state_->names.find(from);
    if (it == state_->names.end()) return make_error(Errc::not_found, "no file at " + from);
    if (state_->names.contains(to)) return make_error(Errc::io, "a file is already at " + to);
    JET_TRY(state_->step());
    std::uint64_t id = it->second;
    state_->names.erase(it);
    state_->names[to] = id;
    // Two directory changes, as a link and an unlink: a power cut may keep either.
    state_->pending_names.push_back(NameChange{state_->next_seq++, to, id});
    state_->pending_names.push_back(NameChange{state_->next_seq++, from, std::nullopt});
    return {};
}

Result<bool> MemoryFileSystem::exists(const std::string& path) const {
    return state_->names.contains(path);
}

Status MemoryFileSystem::sync_directory_of(const std::string&) {
    // One directory holds every name, so syncing it makes every name durable.
    JET_TRY(state_->step());
    state_->durable_names = state_->names;
    state_->pending_names.clear();
    return {};
}

void MemoryFileSystem::put(const std::string& path, std::vector<std::uint8_t> bytes) {
    std::uint64_t id = state_->next_inode++;
    state_->inodes[id] = Inode{bytes, bytes, {}};
    state_->names[path] = id;
    state_->durable_names[path] = id;
}

std::optional<std::uint64_t> MemoryFileSystem::version(const std::string& path) const {
    auto it = state_->names.find(path);
    if (it == state_->names.end()) return std::nullopt;
    return state_->inodes.at(it->second).version;
}

std::optional<std::vector<std::uint8_t>> MemoryFileSystem::contents(const std::string& path) const {
    auto it = state_->names.find(path);
    if (it == state_->names.end()) return std::nullopt;
    return state_->inodes.at(it->second).current;
}

std::uint64_t MemoryFileSystem::steps() const {
    return state_->steps;
}
void MemoryFileSystem::fail_after(std::uint64_t steps) {
    state_->fail_in = steps;
}
void MemoryFileSystem::crash_after(std::uint64_t steps) {
    state_->crash_in = steps;
}
bool MemoryFileSystem::crashed() const {
    return state_->crashed;
}

void MemoryFileSystem::reboot(Unsynced unsynced) {
    reboot([unsynced](std::uint64_t) { return unsynced == Unsynced::kept; });
}

void MemoryFileSystem::reboot(const std::function<bool(std::uint64_t)>& keep) {
    State& s = *state_;
    std::vector<std::uint64_t> pending;
    for (const auto& [id, node] : s.inodes)
        for (const auto& c : node.pending)
            pending.push_back(c.seq);
    for (const auto& c : s.pending_names)
        pending.push_back(c.seq);
    std::sort(pending.begin(), pending.end());
    std::set<std::uint64_t> kept;
    for (std::size_t n = 0; n < pending.size(); ++n)
        if (keep(n)) kept.insert(pending[n]);

    for (auto& [id, node] : s.inodes) {
        for (const auto& c : node.pending)
            if (kept.contains(c.seq)) apply_change(node.durable, c);
        node.current = node.durable;
        node.pending.clear();
        node.version = next_version();
    }
    for (const auto& c : s.pending_names) {
        if (!kept.contains(c.seq)) continue;
        if (c.inode)
            s.durable_names[c.name] = *c.inode;
        else
            s.durable_names.erase(c.name);
    }
    s.pending_names.clear();
    s.names = s.durable_names;

    // Files no name reaches are gone for good.
    std::set<std::uint64_t> reachable;
    for (const auto& [name, id] : s.names)
        reachable.insert(id);
    std::erase_if(s.inodes, [&](const auto& entry) { return !reachable.contains(entry.first); });

    ++s.epoch;
    s.crashed = false;
    s.fail_in.reset();
    s.crash_in.reset();
}

}  // namespace jet
