#include "sys/file_trust_win.h"

#include <softpub.h>
#include <wincrypt.h>
#include <wintrust.h>

#include "sys/paths.h"
#include "sys/private_folder_win.h"
#include "sys/system_dll_win.h"
#include "sys/text.h"
#include "sys/text_win.h"

namespace vl {

namespace {

// Chain states that WinVerifyTrust has already judged: times (a timestamped signature outlives
// its certificate) and revocation, which is not checked.
constexpr DWORD CHAIN_STATES_JUDGED_ELSEWHERE =
    CERT_TRUST_IS_NOT_TIME_VALID | CERT_TRUST_IS_NOT_TIME_NESTED |
    CERT_TRUST_REVOCATION_STATUS_UNKNOWN | CERT_TRUST_IS_OFFLINE_REVOCATION;

std::string hex_text(const BYTE* bytes, DWORD size) {
  static constexpr char DIGITS[] = "0123456789abcdef";
  std::string out;
  for (DWORD i = 0; i < size; ++i) {
    out += DIGITS[bytes[i] >> 4];
    out += DIGITS[bytes[i] & 15];
  }
  return out;
}

// The crypt32 calls that read a certificate, loaded from System32.
class CertificateReader {
 public:
  CertificateReader() : crypt32_(load_system_dll(L"crypt32.dll")) {}
  bool ok() const { return get_name_ != nullptr && get_property_ != nullptr; }

  std::string attribute(PCCERT_CONTEXT certificate, const char* oid) const {
    wchar_t buffer[256];
    DWORD length =
        get_name_(certificate, CERT_NAME_ATTR_TYPE, 0, const_cast<char*>(oid), buffer, 256);
    return length > 1 ? from_wide(std::wstring_view(buffer, length - 1)).value_or("") : "";
  }
  std::string thumbprint(PCCERT_CONTEXT certificate) const {
    BYTE hash[20];
    DWORD size = sizeof hash;
    if (!get_property_(certificate, CERT_SHA1_HASH_PROP_ID, hash, &size)) return {};
    return hex_text(hash, size);
  }

 private:
  UniqueModule crypt32_;
  decltype(&::CertGetNameStringW) get_name_ =
      find_proc<decltype(&::CertGetNameStringW)>(crypt32_.get(), "CertGetNameStringW");
  decltype(&::CertGetCertificateContextProperty) get_property_ =
      find_proc<decltype(&::CertGetCertificateContextProperty)>(
          crypt32_.get(), "CertGetCertificateContextProperty");
};

FileSignature invalid(std::string error) {
  FileSignature out;
  out.error = std::move(error);
  return out;
}

// The signer and root of a verified signature, read from WinVerifyTrust's state.
FileSignature describe_signer(HMODULE wintrust, HANDLE state) {
  auto provider_data = find_proc<decltype(&::WTHelperProvDataFromStateData)>(
      wintrust, "WTHelperProvDataFromStateData");
  auto signer_of = find_proc<decltype(&::WTHelperGetProvSignerFromChain)>(
      wintrust, "WTHelperGetProvSignerFromChain");
  CertificateReader reader;
  if (!provider_data || !signer_of || !reader.ok())
    return invalid(system_message(ERROR_PROC_NOT_FOUND));
  CRYPT_PROVIDER_DATA* data = provider_data(state);
  CRYPT_PROVIDER_SGNR* signer = data ? signer_of(data, 0, FALSE, 0) : nullptr;
  if (!signer || signer->csCertChain == 0 || !signer->pasCertChain) {
    return invalid(hresult_message(TRUST_E_NO_SIGNER_CERT));
  }
  // Wine's WinVerifyTrust accepts chains it could not complete; the chain's own state says so.
  const DWORD chain_errors =
      signer->pChainContext
          ? signer->pChainContext->TrustStatus.dwErrorStatus & ~CHAIN_STATES_JUDGED_ELSEWHERE
          : 0;
  if (chain_errors != 0) {
    return invalid(hresult_message(CERT_E_CHAINING) + " (" + hex_code(chain_errors) + ")");
  }
  PCCERT_CONTEXT leaf = signer->pasCertChain[0].pCert;
  PCCERT_CONTEXT root = signer->pasCertChain[signer->csCertChain - 1].pCert;
  FileSignature out;
  out.state = FileSignature::State::Valid;
  out.signer_name = reader.attribute(leaf, szOID_COMMON_NAME);
  out.signer_organization = reader.attribute(leaf, szOID_ORGANIZATION_NAME);
  out.root_name = reader.attribute(root, szOID_COMMON_NAME);
  out.root_thumbprint = reader.thumbprint(root);
  return out;
}

}  // namespace

Result<std::string> create_admin_only_folder(std::string_view parent, std::string_view prefix) {
  return create_private_folder(parent, prefix, ADMIN_ONLY_FOLDER_SDDL);
}

Result<UniqueHandle> hold_file_unchanged(std::string_view path) {
  UniqueHandle file(CreateFileW(to_wide(path).c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file) return fail(last_error_text(path));
  return file;
}

FileSignature check_file_signature(HANDLE file, std::string_view path) {
  UniqueModule wintrust = load_system_dll(L"wintrust.dll");
  auto verify = find_proc<decltype(&::WinVerifyTrust)>(wintrust.get(), "WinVerifyTrust");
  if (!verify) return invalid(system_message(ERROR_PROC_NOT_FOUND));

  std::wstring wide_path = to_wide(path);
  WINTRUST_FILE_INFO file_info{};
  file_info.cbStruct = sizeof file_info;
  file_info.pcwszFilePath = wide_path.c_str();
  file_info.hFile = file;
  WINTRUST_DATA data{};
  data.cbStruct = sizeof data;
  data.dwUIChoice = WTD_UI_NONE;
  data.fdwRevocationChecks = WTD_REVOKE_NONE;
  data.dwUnionChoice = WTD_CHOICE_FILE;
  data.pFile = &file_info;
  data.dwStateAction = WTD_STATEACTION_VERIFY;
  GUID action = WINTRUST_ACTION_GENERIC_VERIFY_V2;
  const LONG status = verify(static_cast<HWND>(INVALID_HANDLE_VALUE), &action, &data);

  FileSignature out;
  if (status == ERROR_SUCCESS) {
    out = describe_signer(wintrust.get(), data.hWVTStateData);
  } else if (status == TRUST_E_NOSIGNATURE || status == TRUST_E_SUBJECT_FORM_UNKNOWN) {
    out.state = FileSignature::State::Unsigned;
  } else if (status == TRUST_E_BAD_DIGEST) {
    out.state = FileSignature::State::Altered;
  } else {
    out = invalid(hresult_message(status));
  }
  // The state is released whatever the outcome.
  data.dwStateAction = WTD_STATEACTION_CLOSE;
  verify(static_cast<HWND>(INVALID_HANDLE_VALUE), &action, &data);
  return out;
}

}  // namespace vl
