#include "support/LSettings.h"

#include <cstdio>
#include <cstring>

namespace sondrel {

namespace {
std::string Lower(const char* s) {
    std::string r(s);
    for (char& c : r)
        if (c >= 'A' && c <= 'Z') c = char(c - 'A' + 'a');
    return r;
}
LMemorySettings& DefaultStore() {
    static LMemorySettings store;
    return store;
}
LSettingsStore* gStore = nullptr;
}  // namespace

// Registry names are case-insensitive; the memory store behaves alike.
bool LMemorySettings::Query(const char* section, const char* key, std::string& value) {
    auto s = values_.find(Lower(section));
    if (s == values_.end()) return false;
    auto v = s->second.find(Lower(key));
    if (v == s->second.end() || TextCharacters(v->second) + 1 > size_t(kSettingsTextMax)) return false;
    value = v->second;
    return true;
}

void LMemorySettings::Set(const char* section, const char* key, const std::string& value) {
    values_[Lower(section)][Lower(key)] = value;
}

bool LMemorySettings::Remove(const char* section, const char* key) {
    auto s = values_.find(Lower(section));
    return s != values_.end() && s->second.erase(Lower(key)) != 0;
}

bool LMemorySettings::HasSection(const std::string& section) const { return values_.count(Lower(section.c_str())) != 0; }

size_t TextCharacters(const std::string& utf8) {
    size_t n = 0;
    for (unsigned char c : utf8) n += (c & 0xC0) != 0x80;  // continuation bytes are not characters
    return n;
}

LSettingsStore& Settings() { return gStore ? *gStore : DefaultStore(); }
void SetSettingsStore(LSettingsStore* store) { gStore = store; }

std::string ReadString(const char* section, const char* key, const char* def) {
    std::string v;
    if (Settings().Query(section, key, v)) {
        // A stored string ends at its first terminator.
        size_t z = v.find('\0');
        if (z != std::string::npos) v.resize(z);
        return v;
    }
    return def ? def : "";
}

void ReadString(const char* section, const char* key, const char* def, char* text) {
    std::string v = ReadString(section, key, def);
    size_t n = v.size() < size_t(kSettingsTextMax - 1) ? v.size() : size_t(kSettingsTextMax - 1);
    // A text cut to fit ends before a whole character.
    if (n < v.size())
        while (n > 0 && (static_cast<unsigned char>(v[n]) & 0xC0) == 0x80) --n;
    std::memcpy(text, v.data(), n);
    text[n] = '\0';
}

void WriteString(const char* section, const char* key, const char* text) { Settings().Set(section, key, text); }

int32_t LeadingInt(const std::string& v) {
    size_t i = 0;
    while (i < v.size() && (v[i] == ' ' || v[i] == '\t')) ++i;
    bool neg = false;
    if (i < v.size() && (v[i] == '-' || v[i] == '+')) neg = v[i++] == '-';
    uint32_t n = 0;
    while (i < v.size() && v[i] >= '0' && v[i] <= '9') n = n * 10u + uint32_t(v[i++] - '0');
    return neg ? int32_t(0u - n) : int32_t(n);
}

int32_t ReadInt(const char* section, const char* key, int32_t def) {
    std::string v = ReadString(section, key, "");
    if (v.empty()) return def;
    return LeadingInt(v);
}

void WriteInt(const char* section, const char* key, int32_t value) {
    char b[16];
    std::snprintf(b, sizeof b, "%d", int(value));
    WriteString(section, key, b);
}

bool ReadBool(const char* section, const char* key, bool def) {
    std::string v = ReadString(section, key, "");
    if (v.empty()) return def;
    return v[0] != '0';
}

void WriteBool(const char* section, const char* key, bool value) { WriteString(section, key, value ? "1" : "0"); }

void RemoveSetting(const char* section, const char* key) { Settings().Remove(section, key); }

}  // namespace sondrel
