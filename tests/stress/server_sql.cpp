#include "tests/stress/server_sql.h"

#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <map>

#include "jet/text.h"

namespace stress {

namespace {

// The connection string's key=value pairs, keys in small letters.
std::map<std::string, std::string> fields_of(const std::string& text) {
    std::map<std::string, std::string> out;
    std::size_t at = 0;
    while (at < text.size()) {
        std::size_t end = text.find(';', at);
        if (end == std::string::npos) end = text.size();
        const std::string part = text.substr(at, end - at);
        const std::size_t eq = part.find('=');
        if (eq != std::string::npos) {
            std::string key = part.substr(0, eq);
            for (auto& ch : key)
                ch = static_cast<char>(std::tolower(static_cast<unsigned char>(ch)));
            out[key] = part.substr(eq + 1);
        }
        at = end + 1;
    }
    return out;
}

std::string quoted(const std::string& s) {
    std::string out = "'";
    for (char c : s)
        out += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return out + "'";
}

}  // namespace

std::optional<std::string> server_sql(const std::string& connection_string, const std::string& sql,
                                      std::string* why) {
    auto f = fields_of(connection_string);
    char path[] = "/tmp/lq_stress_sql_XXXXXX";
    const int fd = ::mkstemp(path);
    if (fd < 0 || ::write(fd, sql.data(), sql.size()) != static_cast<ssize_t>(sql.size())) {
        *why = "cannot write a file for psql";
        return std::nullopt;
    }
    ::close(fd);
    const std::string command = "PGPASSWORD=" + quoted(f["pwd"]) + " psql -X -q -h " +
                                quoted(f["server"]) + " -p " + quoted(f["port"]) + " -U " +
                                quoted(f["uid"]) + " -d " + quoted(f["database"]) +
                                " -At -v ON_ERROR_STOP=1 -f " + path + " 2>&1";
    std::string out;
    FILE* pipe = ::popen(command.c_str(), "r");
    if (pipe) {
        char buf[65536];
        for (std::size_t n; (n = std::fread(buf, 1, sizeof buf, pipe)) > 0;)
            out.append(buf, n);
    }
    const int status = pipe ? ::pclose(pipe) : -1;
    ::unlink(path);
    if (status != 0) {
        *why = "psql: " + out;
        return std::nullopt;
    }
    return out;
}

}  // namespace stress
