#pragma once
// What an Authenticode check found out about a file: whether its signature holds, and who
// signed it under which root certificate. The rules that judge these facts are portable.
#include <string>

namespace vl {

struct FileSignature {
  enum class State {
    Valid,     // the signature holds; the signer and root fields are filled in
    Unsigned,  // the file carries no signature
    Altered,   // the file's content no longer matches its signature
    Invalid,   // any other failure of the check (`error`: the system's text)
  };
  State state = State::Invalid;
  std::string error;
  std::string signer_name;          // the signing certificate's common name
  std::string signer_organization;  // and its organisation
  std::string root_name;            // the common name of the chain's last certificate
  std::string root_thumbprint;      // that certificate's SHA-1 hash, lowercase hex
};

}  // namespace vl
