#pragma once
// An in-memory registry for tests of TConfig and of the settings built on it. It
// keeps typed byte values per key as the registry does: key paths and value names
// compare case-insensitively (ASCII letters), creating a key creates its parents, a
// read into a short buffer answers kErrorMoreData with the size needed. Tests plant
// values with Plant*, read them back with Get, and can make opening, reading or
// writing fail.
#include <cstdint>
#include <cstring>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "common/utf.h"
#include "config/registry.h"

namespace zeph::config::testing {

class FakeRegistry : public Registry {
 public:
  struct Value {
    std::uint32_t type = kRegNone;
    std::vector<std::uint8_t> data;
  };

  // Failures to simulate; kErrorSuccess behaves normally.
  RegStatus createError = kErrorSuccess;     // the key can be neither opened nor created
  RegStatus setError = kErrorSuccess;        // every write is refused
  RegStatus queryDataError = kErrorSuccess;  // reads with a buffer fail; the size query still answers

  // What the code under test asked for.
  int createCalls = 0;
  RootKey lastRoot = 0;
  std::wstring lastSubKey;
  std::uint32_t lastAccess = 0;
  std::vector<std::wstring> writes;  // names of attempted writes, refused ones too, in order
  int openKeys = 0;                  // handed out and not yet closed
  int closedKeys = 0;

  // Paths are relative to HKEY_CURRENT_USER, e.g. L"Software\\Quillmere\\Tidewell".
  void Plant(const std::wstring& path, const std::wstring& name, std::uint32_t type,
             std::vector<std::uint8_t> data) {
    AddKey(path);
    auto& slot = keys_[Fold(path)][Fold(name)];
    if (slot.name.empty()) slot.name = name;
    slot.value = {type, std::move(data)};
  }
  void PlantDword(const std::wstring& path, const std::wstring& name, std::uint32_t value) {
    Plant(path, name, kRegDword,
          {std::uint8_t(value), std::uint8_t(value >> 8), std::uint8_t(value >> 16), std::uint8_t(value >> 24)});
  }
  // The text's UTF-16LE bytes and one terminating null, as RegSetValueExW is given a string.
  void PlantString(const std::wstring& path, const std::wstring& name, const std::wstring& text,
                   std::uint32_t type = kRegSz) {
    std::vector<std::uint8_t> data = WideToUtf16Le(text);
    data.insert(data.end(), {0, 0});
    Plant(path, name, type, std::move(data));
  }

  std::optional<Value> Get(const std::wstring& path, const std::wstring& name) const {
    const auto key = keys_.find(Fold(path));
    if (key == keys_.end()) return std::nullopt;
    const auto value = key->second.find(Fold(name));
    if (value == key->second.end()) return std::nullopt;
    return value->second.value;
  }
  bool HasKey(const std::wstring& path) const { return keys_.count(Fold(path)) != 0; }
  std::size_t ValueCount(const std::wstring& path) const {
    const auto key = keys_.find(Fold(path));
    return key == keys_.end() ? 0 : key->second.size();
  }

  RegStatus CreateKey(RootKey root, const std::wstring& subKey, std::uint32_t access,
                      std::unique_ptr<RegistryKey>& key) override {
    ++createCalls;
    lastRoot = root;
    lastSubKey = subKey;
    lastAccess = access;
    key.reset();
    if (createError != kErrorSuccess) return createError;
    if (root != kHkeyCurrentUser) return kErrorInvalidHandle;
    AddKey(subKey);
    key = std::make_unique<Key>(*this, Fold(subKey));
    ++openKeys;
    return kErrorSuccess;
  }

 private:
  struct Named {
    std::wstring name;  // as first written
    Value value;
  };
  using Values = std::map<std::wstring, Named>;

  class Key : public RegistryKey {
   public:
    Key(FakeRegistry& registry, std::wstring path) : registry_(registry), path_(std::move(path)) {}
    ~Key() override {
      --registry_.openKeys;
      ++registry_.closedKeys;
    }

    RegStatus QueryValueInfo(const std::wstring& name, std::uint32_t& type, std::uint32_t& size) override {
      const Value* value = Find(name);
      if (!value) return kErrorFileNotFound;
      type = value->type;
      size = static_cast<std::uint32_t>(value->data.size());
      return kErrorSuccess;
    }
    RegStatus QueryValue(const std::wstring& name, std::uint32_t& type, std::uint8_t* data,
                         std::uint32_t& size) override {
      const Value* value = Find(name);
      if (!value) return kErrorFileNotFound;
      if (registry_.queryDataError != kErrorSuccess) return registry_.queryDataError;
      type = value->type;
      const auto needed = static_cast<std::uint32_t>(value->data.size());
      if (size < needed) {
        size = needed;
        return kErrorMoreData;
      }
      if (needed) std::memcpy(data, value->data.data(), needed);
      size = needed;
      return kErrorSuccess;
    }
    RegStatus SetValue(const std::wstring& name, std::uint32_t type, const std::uint8_t* data,
                       std::uint32_t size) override {
      registry_.writes.push_back(name);
      if (registry_.setError != kErrorSuccess) return registry_.setError;
      auto& slot = registry_.keys_[path_][Fold(name)];
      if (slot.name.empty()) slot.name = name;
      slot.value = {type, std::vector<std::uint8_t>(data, data + size)};
      return kErrorSuccess;
    }

   private:
    const Value* Find(const std::wstring& name) const {
      const auto& values = registry_.keys_[path_];
      const auto value = values.find(Fold(name));
      return value == values.end() ? nullptr : &value->second.value;
    }
    FakeRegistry& registry_;
    std::wstring path_;
  };

  static std::wstring Fold(std::wstring text) {
    for (auto& c : text)
      if (c >= L'A' && c <= L'Z') c = static_cast<wchar_t>(c - L'A' + L'a');
    return text;
  }
  // Creates the key and every missing parent.
  void AddKey(const std::wstring& path) {
    const std::wstring folded = Fold(path);
    for (std::size_t end = 0; end != std::wstring::npos;) {
      end = folded.find(L'\\', end + 1);
      keys_[folded.substr(0, end)];
    }
  }

  std::map<std::wstring, Values> keys_;
};

}  // namespace zeph::config::testing
