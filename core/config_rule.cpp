#include "core/config_rule.h"

#include <array>

#include "core/config_file.h"
#include "core/user_settings.h"

namespace vtb {
namespace {

// Keeps only what applying the user's settings looks at.
class OptionTagSink : public ConfigSink {
public:
    std::array<int, kSearchOptionCount> OptionTags{};  // 0 until a line sets one

    void MainButton(const std::string&) override {}
    void SearchButton(const std::string&, int) override {}
    void SettingsButton(const std::string&, int) override {}
    void LinkButton(int, const std::string&, int) override {}
    void MainMenuEntry(const std::string&, int, bool) override {}
    void SearchOptionsCaption(const std::string&) override {}
    void SearchOption(int number, const std::string&, int tag) override {
        OptionTags[static_cast<std::size_t>(number - 1)] = tag;
    }
    void SettingsMenuEntry(const std::string&, int) override {}
};

// A settings file without any key: every value takes its default.
class NoSettings : public SettingsStore {
public:
    std::optional<std::string> Read(const std::string&) override { return std::nullopt; }
    void Write(const std::string&, const std::string&) override {}
    void Remove(const std::string&) override {}
};

bool HasSectionHeader(const LineStore& lines) {
    for (std::size_t i = 0; i < lines.Count(); ++i) {
        for (const char* header : kSectionHeaders) {
            if (lines.IsLine(i, header)) return true;
        }
    }
    return false;
}

}  // namespace

bool ReadsAsConfiguration(std::string_view bytes) {
    if (bytes.empty()) return false;
    // A file marked as UTF-16 holds zero bytes; its text must hold none.
    LineStore lines;
    lines.Load(bytes);
    if (lines.EndedAtZero() || !HasSectionHeader(lines)) return false;

    TargetList urls;
    ConfigValues values;
    OptionTagSink sink;
    try {
        ReadConfiguration(lines, urls, values, sink);
    } catch (const ToolbarError&) {
        return false;
    }
    NoSettings settings;
    return LoadSettings(settings, urls, sink.OptionTags, std::string()).Error.empty();
}

}  // namespace vtb
