// Settings in the registry: one key per section under
// HKEY_LOCAL_MACHINE\Software\Ketterly\Sondrel, every value a string.
#pragma once
#include <string>

#include "support/LSettings.h"

namespace sondrel {

class LRegistrySettings : public LSettingsStore {
public:
    // root is the key under HKEY_LOCAL_MACHINE; tests use a scratch root.
    explicit LRegistrySettings(std::string root = "Software\\Ketterly\\Sondrel") : szRoot(std::move(root)) {}
    bool Query(const char* section, const char* key, std::string& value) override;
    void Set(const char* section, const char* key, const std::string& value) override;
    bool Remove(const char* section, const char* key) override;

private:
    std::string szRoot;
};

}  // namespace sondrel
