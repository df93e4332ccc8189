#pragma once
// A seeded random walk through the program's windows: every action is done to the program
// and to the model, and the two are compared after each.
#include <cstdint>
#include <deque>
#include <functional>
#include <random>
#include <string>
#include <vector>

#include "tests/stress/checker.h"
#include "tests/stress/inputs.h"
#include "tests/stress/model.h"
#include "tests/stress/oracle.h"
#include "tests/stress/program.h"

namespace stress {

struct Options {
    std::uint64_t seed = 1;
    long actions = 1000;
    long oracle_every = 1000;  // read the file with the outside tools this often
    std::string jetdump;       // the jetdump program
    std::string source_dir;    // where the skins lie
    std::string work_dir;      // under which the program's folder is made
    bool tamper = false;       // change the file behind the program's back once, to see it caught
    int customers = 80;        // adds outweigh deletes below this many customers
    std::string server;        // an ODBC connection string: the store is on that server
};

struct Figures {
    long actions = 0;
    long oracle_runs = 0;
    long saves = 0, exports = 0, deletes = 0, deals = 0, restarts = 0, restores = 0;
    std::size_t customers = 0;
    std::uintmax_t file_bytes = 0;  // the database file's size at the end
};

class Driver {
  public:
    explicit Driver(const Options& options);
    // Runs the walk; "" when the program agreed with the model throughout, else a report
    // of the first difference.
    std::string run();
    const Figures& figures() const { return figures_; }
    const std::map<std::string, long>& message_counts() const { return checker_.message_counts(); }

  private:
    struct Difference {
        std::string text;
    };

    bool spent() const { return done_ >= options_.actions; }
    void begin(std::string what);
    void check();
    void fail(const std::string& what);
    // Answers `how_many` waiting status requests in the program and the model, and fails
    // unless both asked the same IDs in the same order.
    void compare_statuses(std::size_t how_many);

    void main_action();
    void menu_action();
    void environment_action(int which);
    void add_from_other_copy();
    // The customer the innermost editor or deal dialog works on; 0 for none.
    std::int32_t busy_customer() const;
    void export_sheet();
    void pick_row();
    void dialog(runtime::headless::HeadlessWindow& w);
    void editor_action(runtime::headless::HeadlessWindow& w);
    void manager_action(runtime::headless::HeadlessWindow& w);
    void deal_action(runtime::headless::HeadlessWindow& w);
    void chart_action(runtime::headless::HeadlessWindow& w);
    void figures_action(runtime::headless::HeadlessWindow& w);
    void find_action();
    void follow_up_action(runtime::headless::HeadlessWindow& w);
    // Ctrl+L: the picked customer's follow-ups, held against the model, then Esc.
    void show_log();
    void cadence_action(runtime::headless::HeadlessWindow& w);
    void import_file();
    void import_action(runtime::headless::HeadlessWindow& w);
    // Runs `start` with background work held until Esc was pressed in its progress window.
    void stop_in_progress_window(const std::function<void()>& start);
    void restore_action(runtime::headless::HeadlessWindow& w);
    void give_up_action(runtime::headless::HeadlessWindow& w);
    void bin_action(runtime::headless::HeadlessWindow& w);
    void tag_manager_action(runtime::headless::HeadlessWindow& w);
    void tag_picker_action(runtime::headless::HeadlessWindow& w);
    // Picks an index by weight.
    int weighted(const std::vector<int>& weights);

    Options options_;
    std::mt19937_64 rng_;
    Inputs in_;
    Program program_;
    Model model_;
    Checker checker_;
    Oracle oracle_;
    std::vector<runtime::headless::HeadlessWindow*> dialogs_, launchers_;
    long done_ = 0;
    std::deque<std::string> recent_;
    Figures figures_;
};

}  // namespace stress
