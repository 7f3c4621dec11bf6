// Persistent settings: sections of string values, read with a default.
// The Windows build keeps them in the registry under
// HKEY_LOCAL_MACHINE\Software\Ketterly\Sondrel\<section>; the native build
// (tests, command-line tool) keeps them in memory.
#pragma once
#include <cstdint>
#include <map>
#include <string>

namespace sondrel {

constexpr int kSettingsTextMax = 260;  // buffer size: 259 characters and the terminator

// Texts are UTF-8 (the program's code page): a value fits when it has at
// most 259 characters, whatever their bytes, so that a path in any script
// keeps the limit a path in Latin letters has.
size_t TextCharacters(const std::string& utf8);
constexpr size_t kSettingsTextBytes = size_t(kSettingsTextMax) * 4;  // the most bytes 259 characters take

class LSettingsStore {
public:
    virtual ~LSettingsStore() = default;
    // False when the section or value is missing or the value has more than
    // 259 characters; the caller then uses its default.
    virtual bool Query(const char* section, const char* key, std::string& value) = 0;
    // Failures are silent.
    virtual void Set(const char* section, const char* key, const std::string& value) = 0;
    // Removes a value; false when it was not there or could not be removed.
    virtual bool Remove(const char*, const char*) { return false; }
};

class LMemorySettings : public LSettingsStore {
public:
    bool Query(const char* section, const char* key, std::string& value) override;
    void Set(const char* section, const char* key, const std::string& value) override;
    bool Remove(const char* section, const char* key) override;
    void Clear() { values_.clear(); }
    bool HasSection(const std::string& section) const;

private:
    std::map<std::string, std::map<std::string, std::string>> values_;
};

// The process-wide store; defaults to a memory store until the program sets
// another (the Windows entry installs the registry store).
LSettingsStore& Settings();
void SetSettingsStore(LSettingsStore* store);

std::string ReadString(const char* section, const char* key, const char* def);
void ReadString(const char* section, const char* key, const char* def, char* text /* 260 bytes */);
void WriteString(const char* section, const char* key, const char* text);
int32_t ReadInt(const char* section, const char* key, int32_t def);
void WriteInt(const char* section, const char* key, int32_t value);
bool ReadBool(const char* section, const char* key, bool def);
void WriteBool(const char* section, const char* key, bool value);
void RemoveSetting(const char* section, const char* key);

// A text's leading decimal number as ReadInt takes it: blanks, an optional
// sign, digits; no digits gives 0.
int32_t LeadingInt(const std::string& text);

}  // namespace sondrel
