#pragma once
// Errors at the engine boundary are values the caller must look at.
#include <string>
#include <utility>
#include <variant>

namespace jet {

enum class Errc {
    io,                   // the operating system refused a read or write
    not_found,            // no file, table, column or row of that name
    not_a_database,       // no Jet signature, or a directory in place of the file
    unsupported_version,  // a Jet 3 or ACE file
    wrong_password,
    corrupt,        // an offset, length or page type that cannot be right
    bad_query,      // the statement text does not parse or names no such column
    type_mismatch,  // a value that the column cannot hold or compare with
    read_only,      // the table has structures this engine does not maintain
    busy,           // another copy holds the lock
    full,           // no room for the value or the page
    exists,         // a table (or other object) of that name is there already
};

const char* errc_name(Errc code);

struct Error {
    Errc code = Errc::io;
    std::string message;
};

inline Error make_error(Errc code, std::string message) {
    return Error{code, std::move(message)};
}

// A value or the reason there is none; each layer names its reason type and how it is read.
template <class T, class E>
class [[nodiscard]] BasicResult {
  public:
    BasicResult(T value) : data_(std::in_place_index<0>, std::move(value)) {}
    BasicResult(E problem) : data_(std::in_place_index<1>, std::move(problem)) {}

    bool ok() const { return data_.index() == 0; }
    explicit operator bool() const { return ok(); }
    T& value() & { return std::get<0>(data_); }
    const T& value() const& { return std::get<0>(data_); }
    T&& value() && { return std::get<0>(std::move(data_)); }
    T* operator->() { return &value(); }
    const T* operator->() const { return &value(); }
    T& operator*() & { return value(); }
    const T& operator*() const& { return value(); }

  protected:
    const E& problem() const { return std::get<1>(data_); }

  private:
    std::variant<T, E> data_;
};

template <class E>
class [[nodiscard]] BasicResult<void, E> {
  public:
    BasicResult() = default;
    BasicResult(E problem) : problem_(std::move(problem)), failed_(true) {}

    bool ok() const { return !failed_; }
    explicit operator bool() const { return ok(); }

  protected:
    const E& problem() const { return problem_; }

  private:
    E problem_{};
    bool failed_ = false;
};

template <class T>
class [[nodiscard]] Result : public BasicResult<T, Error> {
  public:
    using BasicResult<T, Error>::BasicResult;
    const Error& error() const { return this->problem(); }
};

using Status = Result<void>;

}  // namespace jet

// Propagates a failed Result out of the calling function.
#define JET_TRY(expr)                                         \
    do {                                                      \
        auto jet_try_result_ = (expr);                        \
        if (!jet_try_result_) return jet_try_result_.error(); \
    } while (0)

#define JET_CONCAT_INNER(a, b) a##b
#define JET_CONCAT(a, b) JET_CONCAT_INNER(a, b)
#define JET_ASSIGN_INNER(tmp, decl, expr) \
    auto tmp = (expr);                    \
    if (!tmp) return tmp.error();         \
    decl = std::move(tmp).value()
// Binds the value of a Result or propagates its error.
#define JET_ASSIGN(decl, expr) JET_ASSIGN_INNER(JET_CONCAT(jet_assign_, __LINE__), decl, expr)
