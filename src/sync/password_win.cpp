// CryptProtectData with the user's key: the blob opens only for this Windows user on this machine.
#include <windows.h>
// after windows.h, which it needs
#include <wincrypt.h>

#include "sync/password.h"

namespace syncing {

namespace {

std::optional<std::string> through(BOOL(WINAPI* call)(DATA_BLOB*, LPCWSTR*, DATA_BLOB*, PVOID,
                                                      CRYPTPROTECT_PROMPTSTRUCT*, DWORD, DATA_BLOB*),
                                   const std::string& input) {
    DATA_BLOB in{static_cast<DWORD>(input.size()), reinterpret_cast<BYTE*>(const_cast<char*>(input.data()))};
    DATA_BLOB out{};
    if (!call(&in, nullptr, nullptr, nullptr, nullptr, CRYPTPROTECT_UI_FORBIDDEN, &out)) return std::nullopt;
    std::string result(reinterpret_cast<const char*>(out.pbData), out.cbData);
    SecureZeroMemory(out.pbData, out.cbData);
    LocalFree(out.pbData);
    return result;
}

BOOL WINAPI protect_call(DATA_BLOB* in, LPCWSTR*, DATA_BLOB* entropy, PVOID reserved,
                         CRYPTPROTECT_PROMPTSTRUCT* prompt, DWORD flags, DATA_BLOB* out) {
    return CryptProtectData(in, L"Varnoke", entropy, reserved, prompt, flags, out);
}

BOOL WINAPI unprotect_call(DATA_BLOB* in, LPCWSTR*, DATA_BLOB* entropy, PVOID reserved,
                           CRYPTPROTECT_PROMPTSTRUCT* prompt, DWORD flags, DATA_BLOB* out) {
    return CryptUnprotectData(in, nullptr, entropy, reserved, prompt, flags, out);
}

class UserProtector : public SecretProtector {
   public:
    std::optional<std::string> protect(const std::string& secret) override {
        return through(protect_call, secret);
    }
    std::optional<std::string> unprotect(const std::string& sealed) override {
        return through(unprotect_call, sealed);
    }
};

}  // namespace

SecretProtector& user_secret_protector() {
    static UserProtector protector;
    return protector;
}

}  // namespace syncing
