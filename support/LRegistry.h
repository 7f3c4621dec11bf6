// The few registry operations the settings pages and the installer need, as
// an interface: the Windows registry in the program, a memory tree in tests.
// Key paths use "\" between names; names compare without regard to case, as
// the registry's do. An empty or null value name means the key's default
// value. Every value is a string (REG_SZ) written with its terminator.
#pragma once
#include <map>
#include <set>
#include <string>

namespace sondrel {

enum class LRegRoot { kClassesRoot, kCurrentUser, kLocalMachine };

class LRegistry {
public:
    virtual ~LRegistry() = default;
    // False when the key or the value is missing, or the value does not fit
    // 259 characters and the terminator.
    virtual bool ReadString(LRegRoot root, const std::string& key, const char* name, std::string& value) = 0;
    // Creates the key and the keys above it as needed; false when refused.
    virtual bool WriteString(LRegRoot root, const std::string& key, const char* name, const std::string& value) = 0;
    // Creates the key if it is missing; created tells whether it was made now.
    virtual bool CreateKey(LRegRoot root, const std::string& key, bool* created) = 0;
    virtual bool KeyExists(LRegRoot root, const std::string& key) = 0;
    // Deletes the key with everything below it; false when it was not there
    // or could not be deleted.
    virtual bool DeleteKey(LRegRoot root, const std::string& key) = 0;
    virtual bool DeleteValue(LRegRoot root, const std::string& key, const char* name) = 0;
};

// A registry in memory. Writes below a refused root fail, as HKEY_CLASSES_ROOT
// refuses them to a user without administrator rights.
class LMemoryRegistry : public LRegistry {
public:
    bool ReadString(LRegRoot root, const std::string& key, const char* name, std::string& value) override;
    bool WriteString(LRegRoot root, const std::string& key, const char* name, const std::string& value) override;
    bool CreateKey(LRegRoot root, const std::string& key, bool* created) override;
    bool KeyExists(LRegRoot root, const std::string& key) override;
    bool DeleteKey(LRegRoot root, const std::string& key) override;
    bool DeleteValue(LRegRoot root, const std::string& key, const char* name) override;

    void Refuse(LRegRoot root, bool refuse = true);
    // Number of keys (for checks that a call wrote nothing).
    size_t KeyCount() const { return keys_.size(); }

private:
    using Values = std::map<std::string, std::string>;
    static std::string Path(LRegRoot root, const std::string& key);
    std::map<std::string, Values> keys_;  // full lower-case path -> values
    std::set<LRegRoot> refused_;
};

// The user's own classes key, which Windows merges into HKEY_CLASSES_ROOT.
constexpr const char* kUserClassesKey = "Software\\Classes";

// Writes a value below HKEY_CLASSES_ROOT; where that is refused (a user
// without administrator rights), below HKEY_CURRENT_USER\Software\Classes.
bool WriteClassesString(LRegistry& reg, const std::string& key, const char* name, const std::string& value);
// Deletes a key below HKEY_CLASSES_ROOT and the user's classes key.
bool DeleteClassesKey(LRegistry& reg, const std::string& key);

}  // namespace sondrel
