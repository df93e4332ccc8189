#include "jet/file_lock.h"

#include <gtest/gtest.h>
#include <signal.h>
#include <stdlib.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>

#include "jet/file.h"

namespace {

using namespace std::chrono_literals;

enum Outcome : int { kLocked = 0, kBusy = 1, kOtherError = 2 };

int outcome_of(const jet::Result<jet::FileLock>& lock) {
    if (lock) return kLocked;
    return lock.error().code == jet::Errc::busy ? kBusy : kOtherError;
}

// Another process trying the lock once, with the given wait; its exit code is the outcome.
int try_in_other_process(const std::string& path, std::chrono::milliseconds wait) {
    pid_t pid = ::fork();
    if (pid == 0) _exit(outcome_of(jet::lock_database(path, wait)));
    int status = 0;
    ::waitpid(pid, &status, 0);
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

// Another process that takes the lock and keeps it until told to let go, or until killed.
class Holder {
  public:
    explicit Holder(const std::string& path) {
        if (::pipe(to_child_) != 0 || ::pipe(from_child_) != 0) return;
        pid_ = ::fork();
        if (pid_ == 0) {
            ::close(to_child_[1]);
            ::close(from_child_[0]);
            auto lock = jet::lock_database(path, 2s);
            char state = lock ? 'L' : 'F';
            (void)!::write(from_child_[1], &state, 1);
            char command;
            (void)!::read(to_child_[0], &command, 1);
            if (lock) lock->release();
            state = 'R';
            (void)!::write(from_child_[1], &state, 1);
            (void)!::read(to_child_[0], &command, 1);  // stays alive until the test ends
            _exit(0);
        }
        ::close(to_child_[0]);
        ::close(from_child_[1]);
    }
    ~Holder() {
        if (pid_ > 0) kill();
        ::close(to_child_[1]);
        ::close(from_child_[0]);
    }
    Holder(const Holder&) = delete;
    Holder& operator=(const Holder&) = delete;

    // True once the other process holds the lock.
    bool holds() { return next_state() == 'L'; }
    // Asks the other process to let go; the answer comes with released().
    void ask_to_release() {
        char command = 'r';
        (void)!::write(to_child_[1], &command, 1);
    }
    bool released() { return next_state() == 'R'; }
    void kill() {
        ::kill(pid_, SIGKILL);
        ::waitpid(pid_, nullptr, 0);
        pid_ = -1;
    }

  private:
    char next_state() {
        char state = 0;
        return ::read(from_child_[0], &state, 1) == 1 ? state : 0;
    }

    pid_t pid_ = -1;
    int to_child_[2] = {-1, -1};
    int from_child_[2] = {-1, -1};
};

class FileLock : public ::testing::Test {
  protected:
    void SetUp() override {
        std::string pattern = (std::filesystem::temp_directory_path() / "lq-lock-XXXXXX").string();
        ASSERT_NE(::mkdtemp(pattern.data()), nullptr);
        dir_ = pattern;
        db_ = dir_ + "/customers.mdb";
        std::ofstream(db_, std::ios::binary) << std::string(4096, '\0');
    }
    void TearDown() override { std::filesystem::remove_all(dir_); }

    std::string dir_;
    std::string db_;
};

TEST_F(FileLock, OtherProcessIsBusyWhileWeHoldTheLockAndGetsItAfter) {
    {
        auto lock = jet::lock_database(db_, 0ms);
        ASSERT_TRUE(lock);
        EXPECT_EQ(try_in_other_process(db_, 300ms), kBusy);
    }
    EXPECT_EQ(try_in_other_process(db_, 300ms), kLocked);
}

TEST_F(FileLock, WeAreBusyWhileAnotherProcessHoldsTheLock) {
    Holder holder(db_);
    ASSERT_TRUE(holder.holds());
    auto lock = jet::lock_database(db_, 300ms);
    ASSERT_FALSE(lock);
    EXPECT_EQ(lock.error().code, jet::Errc::busy);
    holder.ask_to_release();
    ASSERT_TRUE(holder.released());
    EXPECT_TRUE(jet::lock_database(db_, 0ms));
}

TEST_F(FileLock, WaiterGetsTheLockWhenTheHolderLetsGoDuringTheWait) {
    Holder holder(db_);
    ASSERT_TRUE(holder.holds());
    holder.ask_to_release();
    EXPECT_TRUE(jet::lock_database(db_, 10s));
}

TEST_F(FileLock, KilledHolderLeavesNoStaleLock) {
    Holder holder(db_);
    ASSERT_TRUE(holder.holds());
    EXPECT_EQ(outcome_of(jet::lock_database(db_, 100ms)), kBusy);
    holder.kill();
    EXPECT_TRUE(jet::lock_database(db_, 0ms));
}

TEST_F(FileLock, SecondLockInTheSameProcessIsBusyUntilTheFirstIsReleased) {
    auto first = jet::lock_database(db_, 0ms);
    ASSERT_TRUE(first);
    EXPECT_EQ(outcome_of(jet::lock_database(db_, 50ms)), kBusy);

    jet::FileLock moved = std::move(*first);
    EXPECT_FALSE(first->held());
    EXPECT_TRUE(moved.held());
    EXPECT_EQ(outcome_of(jet::lock_database(db_, 0ms)), kBusy);

    moved.release();
    EXPECT_FALSE(moved.held());
    EXPECT_TRUE(jet::lock_database(db_, 0ms));
}

TEST_F(FileLock, ReadingAndWritingTheFileDoNotLoseTheLock) {
    auto lock = jet::lock_database(db_, 0ms);
    ASSERT_TRUE(lock);
    {
        auto file = jet::open_os_file(db_, jet::OpenMode::read_write).value();
        const std::uint8_t byte[1] = {7};
        ASSERT_TRUE(file->write_at(0, byte));
        std::uint8_t back[1] = {0};
        ASSERT_TRUE(file->read_at(0, back));
        EXPECT_EQ(back[0], 7);
    }
    // Closing another descriptor of the file must not have dropped the lock.
    EXPECT_EQ(try_in_other_process(db_, 100ms), kBusy);
}

TEST_F(FileLock, MissingDatabaseIsNotFound) {
    auto lock = jet::lock_database(dir_ + "/none.mdb", 0ms);
    ASSERT_FALSE(lock);
    EXPECT_EQ(lock.error().code, jet::Errc::not_found);
}

}  // namespace
