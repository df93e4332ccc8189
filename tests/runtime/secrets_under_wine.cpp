// The Windows secrets adapter in a small exe, run under Wine: a secret comes back as it was,
// is never kept as its own bytes, and no changed byte reads as another secret (Wine, unlike
// Windows, lets some bytes of the blob's header change unnoticed; those still give the
// secret itself). Exit status 0 when all holds.
#include <cstdio>
#include <string>

#include "runtime/win32/secrets.h"

namespace {

runtime::Bytes bytes(const std::string& text) {
    return runtime::Bytes(text.begin(), text.end());
}

}  // namespace

int main() {
    runtime::win32::Win32Secrets secrets;
    int faults = 0;
    for (const std::string& text :
         {std::string("password"), std::string("pa;s}s 密码"), std::string(500, 'x')}) {
        const runtime::Bytes secret = bytes(text);
        auto kept = secrets.protect(secret);
        if (!kept) {
            std::printf("FAIL: not protected: %s\n", text.substr(0, 16).c_str());
            ++faults;
            continue;
        }
        const std::string blob(kept->begin(), kept->end());
        if (blob.find(text) != std::string::npos) {
            std::printf("FAIL: kept as plain text: %s\n", text.substr(0, 16).c_str());
            ++faults;
        }
        if (secrets.unprotect(*kept) != secret) {
            std::printf("FAIL: did not come back: %s\n", text.substr(0, 16).c_str());
            ++faults;
        }
        int refused = 0;
        for (std::size_t i = 0; i < kept->size(); ++i) {
            runtime::Bytes spoilt = *kept;
            spoilt[i] ^= 0x01;
            auto back = secrets.unprotect(spoilt);
            if (!back) {
                ++refused;
            } else if (*back != secret) {
                std::printf("FAIL: byte %zu changed gave another secret\n", i);
                ++faults;
            }
        }
        std::printf("secret of %zu bytes kept in %zu; %d of the single-byte changes refused\n",
                    secret.size(), kept->size(), refused);
        if (refused == 0) ++faults;
    }
    if (secrets.unprotect(bytes("plain text, no blob"))) {
        std::printf("FAIL: plain text read as a secret\n");
        ++faults;
    }
    return faults == 0 ? 0 : 1;
}
