#pragma once
// The letter-case folding of the Jet engine's text equality (jet::text_equal_nocase), as two
// alphabets of the same length: every character of the first folds to the character at the
// same place in the second, every other character to itself. A server applies them with
// translate(), so that its comparisons fold exactly as ours, whatever its collation.
#include <string>

namespace odbc {

struct FoldAlphabets {
    std::u32string from;  // the characters that fold, in code point order
    std::u32string to;    // what each folds to
};

// Built once, from jet::text_equal_nocase itself.
const FoldAlphabets& fold_alphabets();

// The fold of one character and of a text, as the server computes it.
char32_t fold_char(char32_t c);
std::u32string fold_text(const std::u32string& text);

}  // namespace odbc
