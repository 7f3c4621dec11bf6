// The registry interface over the Windows registry.
#pragma once
#include "support/LRegistry.h"

namespace sondrel {

class LWin32Registry : public LRegistry {
public:
    bool ReadString(LRegRoot root, const std::string& key, const char* name, std::string& value) override;
    bool WriteString(LRegRoot root, const std::string& key, const char* name, const std::string& value) override;
    bool CreateKey(LRegRoot root, const std::string& key, bool* created) override;
    bool KeyExists(LRegRoot root, const std::string& key) override;
    bool DeleteKey(LRegRoot root, const std::string& key) override;
    bool DeleteValue(LRegRoot root, const std::string& key, const char* name) override;
};

}  // namespace sondrel
