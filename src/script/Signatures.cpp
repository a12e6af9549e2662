#include "script/Signatures.h"

namespace qor::script {

const std::vector<Signature>& signatureTable() {
  static const std::vector<Signature> table;
  return table;
}

}  // namespace qor::script
