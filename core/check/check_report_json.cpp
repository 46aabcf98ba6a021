#include "core/check/check_report.h"

#include <cstdio>
#include <vector>

namespace vtb::check {
namespace {

// Writes JSON text: commas, keys and escapes in their places.
class Json {
public:
    std::string Take() { return std::move(out_); }

    void Open(char bracket) {
        Separate();
        out_ += bracket;
        first_.push_back(true);
    }
    void Close(char bracket) {
        first_.pop_back();
        out_ += bracket;
    }
    void Key(const char* key) {
        Separate();
        String(key);
        out_ += ':';
        afterKey_ = true;
    }
    void Str(const std::string& text) {
        Separate();
        String(TextToUtf8(text));
    }
    void Utf8(const std::string& text) {
        Separate();
        String(text);
    }
    void Path(const std::string& path) {
        Separate();
        String(PathAsUtf8(path));
    }
    void Num(long long value) {
        Separate();
        out_ += std::to_string(value);
    }
    void Bool(bool value) {
        Separate();
        out_ += value ? "true" : "false";
    }
    void Null() {
        Separate();
        out_ += "null";
    }
    // A line number, null when there is none.
    void Line(std::size_t line) {
        if (line)
            Num(static_cast<long long>(line));
        else
            Null();
    }

private:
    void Separate() {
        if (afterKey_) {
            afterKey_ = false;
            return;
        }
        if (first_.empty()) return;
        if (!first_.back()) out_ += ',';
        first_.back() = false;
    }

    void String(const std::string& utf8) {
        out_ += '"';
        for (const char c : utf8) {
            const auto u = static_cast<unsigned char>(c);
            if (c == '"' || c == '\\') {
                out_ += '\\';
                out_ += c;
            } else if (u < 0x20 || u == 0x7F) {
                char buffer[8];
                std::snprintf(buffer, sizeof buffer, "\\u%04x", u);
                out_ += buffer;
            } else {
                out_ += c;
            }
        }
        out_ += '"';
    }

    std::string out_;
    std::vector<bool> first_;
    bool afterKey_ = false;
};

class JsonReport {
public:
    JsonReport(const CheckResult& result, const std::string& fileName)
        : result_(result), model_(result.Toolbar), fileName_(fileName) {}

    std::string Make() {
        j_.Open('{');
        j_.Key("file");
        j_.Path(fileName_);
        j_.Key("exitCode");
        j_.Num(result_.ExitCode());
        j_.Key("status");
        j_.Str(result_.HasErrors() ? "errors" : result_.HasWarnings() ? "warnings" : "clean");
        j_.Key("updateAccepts");
        j_.Bool(result_.UpdateAccepts);
        j_.Key("version");
        j_.Str(model_.Version.Text);
        j_.Key("versionNote");
        j_.Str(model_.VersionNote.Text);
        j_.Key("constructionStops");
        if (model_.Stopped)
            Diag(model_.StopError);
        else
            j_.Null();
        Buttons();
        j_.Key("mainMenu");
        Entries(model_.MainMenu);
        Settings();
        Search();
        j_.Key("updateAddress");
        Value(model_.UpdateURL);
        j_.Key("targets");
        j_.Open('[');
        for (const std::string& target : model_.Targets) j_.Str(target);
        j_.Close(']');
        j_.Key("diagnostics");
        j_.Open('[');
        for (const Diagnostic& d : result_.Diagnostics) Diag(d);
        j_.Close(']');
        j_.Close('}');
        return j_.Take() + "\n";
    }

private:
    void Diag(const Diagnostic& d) {
        j_.Open('{');
        j_.Key("line");
        j_.Line(d.Line);
        j_.Key("severity");
        j_.Str(d.Level == Severity::Error ? "error" : "warning");
        j_.Key("message");
        j_.Str(d.Message);
        j_.Key("detail");
        j_.Path(d.Detail);
        j_.Close('}');
    }

    void Value(const ValueLine& value) {
        j_.Open('{');
        j_.Key("line");
        j_.Line(value.Line);
        j_.Key("text");
        j_.Str(value.Text);
        j_.Close('}');
    }

    void Target(int index) {
        j_.Key("index");
        if (index >= 0)
            j_.Num(index);
        else
            j_.Null();
        j_.Key("target");
        if (index >= 0 && static_cast<std::size_t>(index) < model_.Targets.size())
            j_.Str(model_.Targets[static_cast<std::size_t>(index)]);
        else
            j_.Null();
    }

    void Button(const ButtonInfo& button, const char* role) {
        j_.Open('{');
        j_.Key("role");
        j_.Str(role);
        j_.Key("control");
        j_.Str(button.Name);
        if (button.Number) {
            j_.Key("number");
            j_.Num(button.Number);
        }
        j_.Key("line");
        j_.Line(button.Line);
        j_.Key("caption");
        j_.Str(button.Caption);
        j_.Key("shownCaption");
        j_.Str(button.ShownCaption);
        Target(button.TargetIndex);
        j_.Key("newWindow");
        j_.Bool(button.Number > 0 && CaptionOpensNewWindow(button.Caption));
        const GlyphInfo& glyph = button.Glyph;
        j_.Key("glyph");
        j_.Open('{');
        j_.Key("source");
        j_.Str(glyph.Source == GlyphInfo::Kind::File      ? "file"
               : glyph.Source == GlyphInfo::Kind::Builtin ? "built in"
                                                          : "none");
        j_.Key("file");
        if (glyph.Looked)
            j_.Str(glyph.FileName);
        else
            j_.Null();
        j_.Key("path");
        j_.Path(glyph.Path);
        j_.Key("found");
        j_.Bool(glyph.Found);
        j_.Key("valid");
        j_.Bool(glyph.Valid);
        j_.Key("width");
        j_.Num(glyph.Width);
        j_.Key("height");
        j_.Num(glyph.Height);
        j_.Key("cells");
        j_.Num(glyph.Cells);
        j_.Close('}');
        j_.Close('}');
    }

    void Buttons() {
        j_.Key("buttons");
        j_.Open('[');
        Button(model_.Main, "main");
        Button(model_.Search, "search");
        Button(model_.Settings, "settings");
        for (const ButtonInfo& link : model_.Links) {
            if (link.Configured) Button(link, "link");
        }
        j_.Close(']');
    }

    void Entries(const std::vector<MenuEntry>& entries) {
        j_.Open('[');
        for (const MenuEntry& entry : entries) {
            j_.Open('{');
            j_.Key("line");
            j_.Line(entry.Line);
            j_.Key("caption");
            j_.Str(entry.Caption);
            j_.Key("separator");
            j_.Bool(entry.Caption == "-");
            j_.Key("command");
            j_.Str(CommandName(CommandOf(entry, model_.Targets)));
            Target(entry.Tag);
            if (!entry.SubEntry) {
                j_.Key("subEntries");
                Entries(entry.SubEntries);
            }
            j_.Close('}');
        }
        j_.Close(']');
    }

    void Settings() {
        j_.Key("settingsMenu");
        j_.Open('{');
        j_.Key("searchOptionsCaption");
        Value(model_.SearchOptionsCaption);
        j_.Key("buttons");
        j_.Open('[');
        for (const ButtonInfo& link : model_.Links) {
            if (link.Configured) j_.Str(link.Caption);
        }
        j_.Close(']');
        j_.Key("entries");
        Entries(model_.SettingsEntries);
        j_.Close('}');
    }

    void Search() {
        j_.Key("searchOptions");
        j_.Open('[');
        for (std::size_t k = 0; k < model_.SearchOptions.size(); ++k) {
            const SearchOptionInfo& option = model_.SearchOptions[k];
            if (!option.Visible) continue;
            j_.Open('{');
            j_.Key("number");
            j_.Num(static_cast<long long>(k + 1));
            j_.Key("line");
            j_.Line(option.Line);
            j_.Key("caption");
            j_.Str(option.Caption);
            Target(option.Tag);
            j_.Close('}');
        }
        j_.Close(']');
        j_.Key("searchParameters");
        j_.Open('[');
        for (const ValueLine& value : model_.SearchParams) Value(value);
        j_.Close(']');
        j_.Key("sampleQuery");
        j_.Utf8(result_.SampleQuery);
        j_.Key("searchEncoding");
        j_.Utf8(result_.SendsUtf8 ? "UTF-8" : "code page " + std::to_string(TextCodePage().Number()));
        j_.Key("searchAddress");
        if (result_.SampleSendable)
            j_.Str(result_.SearchAddress);
        else
            j_.Null();
    }

    const CheckResult& result_;
    const ToolbarModel& model_;
    const std::string& fileName_;
    Json j_;
};

}  // namespace

std::string FormatJson(const CheckResult& result, const std::string& fileName) {
    return JsonReport(result, fileName).Make();
}

}  // namespace vtb::check
