#include "support/LRegistry.h"

namespace sondrel {

namespace {
constexpr size_t kValueMax = 260;  // 259 characters and the terminator

std::string Lower(std::string s) {
    for (char& c : s)
        if (c >= 'A' && c <= 'Z') c = char(c - 'A' + 'a');
    return s;
}
std::string ValueName(const char* name) { return name ? Lower(name) : std::string(); }
}  // namespace

std::string LMemoryRegistry::Path(LRegRoot root, const std::string& key) {
    const char* r = root == LRegRoot::kClassesRoot ? "hkcr" : root == LRegRoot::kCurrentUser ? "hkcu" : "hklm";
    std::string k = Lower(key);
    while (!k.empty() && k.back() == '\\') k.pop_back();
    return k.empty() ? std::string(r) : std::string(r) + "\\" + k;
}

bool LMemoryRegistry::ReadString(LRegRoot root, const std::string& key, const char* name, std::string& value) {
    auto k = keys_.find(Path(root, key));
    if (k == keys_.end()) return false;
    auto v = k->second.find(ValueName(name));
    if (v == k->second.end() || v->second.size() + 1 > kValueMax) return false;
    value = v->second;
    return true;
}

bool LMemoryRegistry::CreateKey(LRegRoot root, const std::string& key, bool* created) {
    if (refused_.count(root)) return false;
    std::string path = Path(root, key);
    bool isNew = keys_.find(path) == keys_.end();
    // Every key above it exists too.
    for (size_t p = path.find('\\'); p != std::string::npos; p = path.find('\\', p + 1)) keys_[path.substr(0, p)];
    keys_[path];
    if (created) *created = isNew;
    return true;
}

bool LMemoryRegistry::WriteString(LRegRoot root, const std::string& key, const char* name, const std::string& value) {
    if (!CreateKey(root, key, nullptr)) return false;
    keys_[Path(root, key)][ValueName(name)] = value;
    return true;
}

bool LMemoryRegistry::KeyExists(LRegRoot root, const std::string& key) { return keys_.count(Path(root, key)) != 0; }

bool LMemoryRegistry::DeleteKey(LRegRoot root, const std::string& key) {
    if (refused_.count(root)) return false;
    std::string path = Path(root, key);
    if (!keys_.erase(path)) return false;
    std::string below = path + "\\";
    for (auto it = keys_.lower_bound(below); it != keys_.end() && it->first.compare(0, below.size(), below) == 0;)
        it = keys_.erase(it);
    return true;
}

bool LMemoryRegistry::DeleteValue(LRegRoot root, const std::string& key, const char* name) {
    if (refused_.count(root)) return false;
    auto k = keys_.find(Path(root, key));
    return k != keys_.end() && k->second.erase(ValueName(name)) != 0;
}

void LMemoryRegistry::Refuse(LRegRoot root, bool refuse) {
    if (refuse)
        refused_.insert(root);
    else
        refused_.erase(root);
}

bool WriteClassesString(LRegistry& reg, const std::string& key, const char* name, const std::string& value) {
    if (reg.WriteString(LRegRoot::kClassesRoot, key, name, value)) return true;
    return reg.WriteString(LRegRoot::kCurrentUser, std::string(kUserClassesKey) + "\\" + key, name, value);
}

bool DeleteClassesKey(LRegistry& reg, const std::string& key) {
    bool machine = reg.DeleteKey(LRegRoot::kClassesRoot, key);
    bool user = reg.DeleteKey(LRegRoot::kCurrentUser, std::string(kUserClassesKey) + "\\" + key);
    return machine || user;
}

namespace {
constexpr int kFileTypeMax = 259;  // a file type tag fills at most a 260-byte buffer
}  // namespace

std::string VerbCommand(const std::string& programPath, const char* placeholder) {
    // Quoted: the program folder usually holds blanks ("C:\Program Files\...").
    return "\"" + programPath + "\" \"" + placeholder + "\"";
}

bool SetKey(LRegistry& reg, const char* extension, const std::string& programPath) {
    std::string tag;
    if (!reg.ReadString(LRegRoot::kClassesRoot, extension, nullptr, tag) || tag.empty() ||
        tag.size() > size_t(kFileTypeMax))
        return false;  // no file type to attach the verb to
    bool ok = WriteClassesString(reg, tag + "\\Shell\\Open\\Command", nullptr, VerbCommand(programPath, "%L"));
    ok = WriteClassesString(reg, tag + "\\Shell\\Open", nullptr, "&Edit") && ok;
    ok = WriteClassesString(reg, tag + "\\Shell", nullptr, "Open") && ok;
    return ok;
}

}  // namespace sondrel
