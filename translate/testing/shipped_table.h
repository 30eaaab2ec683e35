#pragma once
// For tests of the window and its parts: the shipped translate.txt loaded into the
// table (TW_TRANSLATE_TXT names the file; the test target defines it), and the
// table and language cleared again afterwards.
#include <fstream>
#include <sstream>
#include <string>

#include "translate/translate.h"

namespace zeph::translate::testing {

inline std::string ShippedTableBytes() {
  std::ifstream file(TW_TRANSLATE_TXT, std::ios::binary);
  std::stringstream bytes;
  bytes << file.rdbuf();
  return bytes.str();
}

// False when the file could not be read.
inline bool LoadShippedTable() {
  const std::string bytes = ShippedTableBytes();
  LoadTranslationTableFromBytes(bytes);
  return !bytes.empty();
}

inline void UnloadTable() {
  ClearTranslationTable();
  SetCurrentLanguage(L"");
}

}  // namespace zeph::translate::testing
