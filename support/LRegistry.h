// The few registry operations the settings pages and the installer need, as
// an interface (the Windows registry in the program, a memory tree in
// tests), and the file associations both of them write. Key paths use "\"
// between names; names compare without regard to case, as the registry's do.
// An empty or null value name means the key's default value. Every value is
// a string (REG_SZ) written with its terminator.
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

// File associations (the settings page and the installer): makes the
// program the handler that opens files of an extension (with its dot,
// ".wav") from the shell: HKEY_CLASSES_ROOT\<ext> names the file type; under
// it Shell\Open\Command runs the program with the file, Shell\Open is
// labelled "&Edit" and Shell's default verb is "Open". Nothing is written
// when the extension has no file type. Writes that HKEY_CLASSES_ROOT refuses
// go to the user's own classes. False when nothing was registered.
bool SetKey(LRegistry& reg, const char* extension, const std::string& programPath);

// The program's command for a file-type verb: the quoted program path, a
// blank and the quoted placeholder ("%L", "%1").
std::string VerbCommand(const std::string& programPath, const char* placeholder);

}  // namespace sondrel
