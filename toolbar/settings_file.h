// The user's settings file through the system's profile-file functions.
#pragma once

#include <string>

#include "core/user_settings.h"

namespace vtb {

class ProfileSettingsStore : public SettingsStore {
public:
    explicit ProfileSettingsStore(std::string path) : path_(std::move(path)) {}

    std::optional<std::string> Read(const std::string& key) override;
    void Write(const std::string& key, const std::string& value) override;
    void Remove(const std::string& key) override;

private:
    std::string path_;
};

}  // namespace vtb
