// Every key the sources give ProgramText as a wide literal has its block in
// translate/program_texts.txt, with an English line: a mistyped key finds no block
// and would show its Korean text to every user.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <set>
#include <string>

#include "common/utf.h"
#include "translate/table.h"

namespace zeph::translate {
namespace {

std::string FileBytes(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// Each key with the file it was found in, for the failure message.
std::set<std::pair<std::string, std::string>> KeysInSources() {
  static const std::string call = "ProgramText(L\"";
  const std::filesystem::path root(TW_SOURCE_DIR);
  std::set<std::pair<std::string, std::string>> keys;
  for (const char* folder : {"app", "crash", "update", "translate"}) {
    for (const auto& entry : std::filesystem::recursive_directory_iterator(root / folder)) {
      // Tests may look up made-up keys on purpose.
      const auto ext = entry.path().extension();
      if (!entry.is_regular_file() || (ext != ".cpp" && ext != ".h") || entry.path().stem().string().ends_with("_test")) {
        continue;
      }
      const std::string text = FileBytes(entry.path());
      // Literals with escapes are left out: the table holds the text they stand for.
      for (auto at = text.find(call); at != std::string::npos; at = text.find(call, at + 1)) {
        const auto begin = at + call.size();
        const auto end = text.find_first_of("\"\\\n", begin);
        if (end == std::string::npos || text[end] != '"') continue;
        keys.emplace(text.substr(begin, end - begin), entry.path().lexically_relative(root).string());
      }
    }
  }
  return keys;
}

// The Korean texts whose block also has an "en=" line.
std::set<std::wstring> TranslatedKeys() {
  const auto lines = SplitTableLines(FileBytes(std::filesystem::path(TW_SOURCE_DIR) / "translate" / "program_texts.txt"));
  std::set<std::wstring> translated;
  std::wstring korean;
  for (const std::wstring& line : lines) {
    if (line.empty()) korean.clear();
    else if (line.starts_with(L"ko=")) korean = line.substr(3);
    else if (line.starts_with(L"en=") && !korean.empty()) translated.insert(korean);
  }
  return translated;
}

TEST(ProgramTextKeys, EveryKeyInTheSourcesHasAnEnglishEntry) {
  const auto keys = KeysInSources();
  ASSERT_GE(keys.size(), 10u) << "the scan found the sources under " << TW_SOURCE_DIR;
  const auto translated = TranslatedKeys();
  for (const auto& [key, file] : keys) {
    EXPECT_TRUE(translated.contains(Utf8ToWide(key))) << file << ": ProgramText(L\"" << key
                                                      << "\") has no ko=/en= block in program_texts.txt";
  }
}

}  // namespace
}  // namespace zeph::translate
