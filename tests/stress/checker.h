#pragma once
// Compares everything the program holds and shows with the model, after every action.
#include <cstddef>
#include <map>
#include <string>
#include <vector>

#include "runtime/headless/windows.h"
#include "tests/stress/model.h"
#include "tests/stress/program.h"

namespace stress {

class Checker {
  public:
    Checker(Program& program, std::string source_dir);

    // The first difference found, or "" when the program agrees with the model. Takes
    // what happened since the last call (messages, attaches, addresses, exports); where the
    // model only knows that a box shows "now", it takes the box's moment once checked.
    std::string check(Model& model, const std::vector<runtime::headless::HeadlessWindow*>& dialogs,
                      std::vector<runtime::headless::HeadlessWindow*>& launchers);

    // How often each message box was shown, by title and text.
    const std::map<std::string, long>& message_counts() const { return message_counts_; }

  private:
    std::string store(Model& m);
    std::string list_and_main(const Model& m);
    std::string happenings(Model& m, std::vector<runtime::headless::HeadlessWindow*>& launchers);
    std::string export_file(Model& m);
    std::string dialog(DialogModel& d, runtime::headless::HeadlessWindow& w, double now_low,
                       const std::vector<Binned>& bin,
                       const std::vector<std::pair<int, std::string>>& tags);
    const std::vector<std::uint8_t>& skin(int number);

    Program& program_;
    std::string source_dir_;
    std::vector<std::vector<std::uint8_t>> skins_;
    std::size_t shell_seen_ = 0, opened_seen_ = 0, saves_seen_ = 0;
    std::map<std::string, long> message_counts_;
};

}  // namespace stress
