// Asks Windows' own Authenticode check, WinVerifyTrust, about a signed file, as Explorer and the
// administrator prompt do. With --trust ROOT.cer it first adds that certificate (DER) to the
// user's trusted root store, so a test can sign with a throwaway root.
// Prints the result as 0x%08lx and its meaning, then the error status of the signer's certificate
// chain as the chain engine built it for that check ("chain 0x%08lx"; 0x20 is an untrusted root)
// or "no chain"; exit status 0 trusted, 1 not trusted, 2 wrong usage or the root could not be
// added.
// Usage: VerifyTrust [--trust ROOT.cer] FILE
#include <windows.h>

#include <softpub.h>
#include <wincrypt.h>
#include <wintrust.h>

#include <cstdio>
#include <optional>
#include <string>
#include <vector>

namespace {

bool AddTrustedRoot(const wchar_t* path)
{
    std::vector<unsigned char> der;
    if (FILE* file = _wfopen(path, L"rb")) {
        unsigned char buffer[4096];
        size_t got;
        while ((got = std::fread(buffer, 1, sizeof(buffer), file)) > 0) {
            der.insert(der.end(), buffer, buffer + got);
        }
        // Read only: a failed close loses nothing, and a short read leaves a certificate that
        // does not decode.
        static_cast<void>(std::fclose(file));
    }
    if (der.empty()) {
        return false;
    }
    const HCERTSTORE store = CertOpenSystemStoreW(0, L"ROOT");
    if (store == nullptr) {
        return false;
    }
    const BOOL added = CertAddEncodedCertificateToStore(store, X509_ASN_ENCODING, der.data(),
                                                        static_cast<DWORD>(der.size()),
                                                        CERT_STORE_ADD_REPLACE_EXISTING, nullptr);
    CertCloseStore(store, 0);
    return added != FALSE;
}

// Wine 8 answers for the policy without looking at the chain when the signer's certificate is
// signed with SHA-256, so a caller that must know whether the root is trusted reads this.
std::optional<DWORD> ChainStatus(HANDLE state)
{
    CRYPT_PROVIDER_DATA* const provider = WTHelperProvDataFromStateData(state);
    CRYPT_PROVIDER_SGNR* const signer =
        provider != nullptr ? WTHelperGetProvSignerFromChain(provider, 0, FALSE, 0) : nullptr;
    if (signer == nullptr || signer->pChainContext == nullptr) {
        return std::nullopt;
    }
    return signer->pChainContext->TrustStatus.dwErrorStatus;
}

const char* Meaning(LONG result)
{
    switch (result) {
    case ERROR_SUCCESS: return "trusted";
    case TRUST_E_NOSIGNATURE: return "no signature";
    case TRUST_E_BAD_DIGEST: return "the file's digest does not match its signature";
    case TRUST_E_SUBJECT_NOT_TRUSTED: return "subject not trusted";
    case TRUST_E_PROVIDER_UNKNOWN: return "no provider for this kind of file";
    case CERT_E_UNTRUSTEDROOT: return "chain ends in an untrusted root";
    case CERT_E_CHAINING: return "no chain to a root";
    case CERT_E_EXPIRED: return "certificate expired";
    case TRUST_E_CERT_SIGNATURE: return "a certificate's signature does not verify";
    case CRYPT_E_SECURITY_SETTINGS: return "rejected by the security settings";
    default: return "other";
    }
}

} // namespace

int wmain(int argc, wchar_t** argv)
{
    int next = 1;
    if (argc == 4 && std::wstring(argv[1]) == L"--trust") {
        if (!AddTrustedRoot(argv[2])) {
            std::printf("could not add the root certificate: %lu\n", GetLastError());
            return 2;
        }
        next = 3;
    }
    if (next != argc - 1) {
        std::printf("usage: VerifyTrust [--trust ROOT.cer] FILE\n");
        return 2;
    }

    WINTRUST_FILE_INFO file = {};
    file.cbStruct = sizeof(file);
    file.pcwszFilePath = argv[next];
    WINTRUST_DATA data = {};
    data.cbStruct = sizeof(data);
    data.dwUIChoice = WTD_UI_NONE;
    data.fdwRevocationChecks = WTD_REVOKE_NONE;
    data.dwUnionChoice = WTD_CHOICE_FILE;
    data.pFile = &file;
    data.dwStateAction = WTD_STATEACTION_VERIFY;
    GUID action = WINTRUST_ACTION_GENERIC_VERIFY_V2;
    const LONG result = WinVerifyTrust(static_cast<HWND>(INVALID_HANDLE_VALUE), &action, &data);
    const std::optional<DWORD> chain = ChainStatus(data.hWVTStateData);
    data.dwStateAction = WTD_STATEACTION_CLOSE;
    WinVerifyTrust(static_cast<HWND>(INVALID_HANDLE_VALUE), &action, &data);

    std::printf("0x%08lx %s; ", static_cast<unsigned long>(result), Meaning(result));
    if (chain) {
        std::printf("chain 0x%08lx\n", static_cast<unsigned long>(*chain));
    } else {
        std::printf("no chain\n");
    }
    return result == ERROR_SUCCESS ? 0 : 1;
}
