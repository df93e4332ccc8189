#pragma once
// The program's own settings as one text of "key=value" lines ended by CR LF, read
// tolerantly: a line it does not know is kept as it stands, in its place, so that a newer or
// older version's settings survive this one's writing; a later line of the same key wins.
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace services {

class SettingsLines {
  public:
    explicit SettingsLines(std::string_view text = {});
    std::optional<std::string> get(std::string_view key) const;
    // Sets a key, in place of its first line (later lines of it go); a value holding a line
    // break is cut there, since it would break the line.
    void set(std::string_view key, std::string_view value);
    void erase(std::string_view key);
    // Every line, CR LF after each; empty when there is none.
    std::string text() const;

  private:
    std::vector<std::string> lines_;
};

}  // namespace services
