#include "core/config_file.h"

#include <algorithm>
#include <cstdint>

namespace vtb {

// ---------------------------------------------------------------------------
// Line store

void LineStore::Load(std::string_view bytes)
{
    // The text ends at the first zero byte; nothing after it is seen.
    const std::size_t zero = bytes.find('\0');
    if (zero != std::string_view::npos)
        bytes = bytes.substr(0, zero);

    text_.assign(bytes.data(), bytes.size());
    starts_.clear();

    // One linear scan: CR LF, lone CR and lone LF each end a line.
    std::size_t start = 0;
    std::size_t i = 0;
    const std::size_t size = text_.size();
    while (i < size) {
        const char c = text_[i];
        if (c == '\r' || c == '\n') {
            starts_.emplace_back(start, i - start);
            if (c == '\r' && i + 1 < size && text_[i + 1] == '\n')
                ++i;
            start = ++i;
        } else {
            ++i;
        }
    }
    // A last line without a line break still counts; a final empty one does not.
    if (start < size)
        starts_.emplace_back(start, size - start);
}

void LineStore::Clear()
{
    std::string().swap(text_);
    std::vector<std::pair<std::size_t, std::size_t>>().swap(starts_);
}

std::string LineStore::Line(std::size_t index) const
{
    if (index >= starts_.size())
        return std::string();
    const auto& [offset, length] = starts_[index];
    return text_.substr(offset, std::min(length, kMaxLineLength));
}

bool LineStore::IsLine(std::size_t index, std::string_view text) const
{
    if (index >= starts_.size())
        return text.empty();
    const auto& [offset, length] = starts_[index];
    return std::string_view(text_).substr(offset, std::min(length, kMaxLineLength)) == text;
}

// ---------------------------------------------------------------------------
// Fields and numbers

std::string SplitField(std::string_view line, int which)
{
    const std::size_t bar = line.find('|');
    if (which == 1)
        return bar == std::string_view::npos ? std::string() : std::string(line.substr(0, bar));
    if (which == 2)
        return bar == std::string_view::npos ? std::string(line) : std::string(line.substr(bar + 1));
    return std::string();
}

namespace {

int HexDigit(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

}  // namespace

bool ParseInteger(std::string_view text, std::int32_t& value)
{
    std::size_t i = 0;
    while (i < text.size() && text[i] == ' ')
        ++i;

    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) {
        negative = text[i] == '-';
        ++i;
    }

    bool hex = false;
    if (i < text.size() && (text[i] == '$' || text[i] == 'x' || text[i] == 'X')) {
        hex = true;
        ++i;
    } else if (i + 1 < text.size() && text[i] == '0' && (text[i + 1] == 'x' || text[i + 1] == 'X')) {
        hex = true;
        i += 2;
    }

    if (i == text.size())
        return false;  // no digits at all

    // Accumulate in 64 bits and stop as soon as the 32-bit range is left, so
    // a long run of digits cannot overflow the accumulator.
    const std::uint64_t limit = hex ? 0xFFFFFFFFull
                                    : (negative ? 0x80000000ull : 0x7FFFFFFFull);
    std::uint64_t magnitude = 0;
    for (; i < text.size(); ++i) {
        const int digit = hex ? HexDigit(text[i])
                              : (text[i] >= '0' && text[i] <= '9' ? text[i] - '0' : -1);
        if (digit < 0)
            return false;  // anything after the digits, a trailing space included
        magnitude = magnitude * (hex ? 16 : 10) + static_cast<std::uint64_t>(digit);
        if (magnitude > limit)
            return false;
    }

    // Hexadecimal is the 32-bit pattern ("$FFFFFFFF" is -1); the sign then
    // negates that pattern.
    std::uint32_t bits = static_cast<std::uint32_t>(magnitude);
    if (negative)
        bits = 0u - bits;
    value = static_cast<std::int32_t>(bits);
    return true;
}

std::string InvalidIntegerMessage(std::string_view text)
{
    std::string message = "'";
    message.append(text);
    message += "' is not a valid integer value";
    return message;
}

// ---------------------------------------------------------------------------
// Paths

namespace {

bool IsPathDelimiter(char c)
{
    return c == '\\' || c == '/' || c == ':';
}

// Index just past the last delimiter: where the file-name part starts.
std::size_t FileNameStart(std::string_view path)
{
    for (std::size_t i = path.size(); i > 0; --i) {
        if (IsPathDelimiter(path[i - 1]))
            return i;
    }
    return 0;
}

}  // namespace

std::string ChangeFileExt(std::string_view path, std::string_view ext)
{
    const std::size_t nameStart = FileNameStart(path);
    const std::size_t dot = path.rfind('.');
    std::string result;
    if (dot != std::string_view::npos && dot >= nameStart)
        result.assign(path.substr(0, dot));
    else
        result.assign(path);
    result.append(ext);
    return result;
}

std::string ExtractFilePath(std::string_view path)
{
    return std::string(path.substr(0, FileNameStart(path)));
}

// ---------------------------------------------------------------------------
// Section passes

namespace {

constexpr int kMaxLinkButtons = 17;

class ConfigReader {
public:
    ConfigReader(const LineStore& lines, TargetList& urls, ConfigValues& values, ConfigSink& sink)
        : lines_(lines), urls_(urls), values_(values), sink_(sink)
    {
    }

    void Run()
    {
        sink_.LayoutLine(0);
        const std::string first = lines_.Line(0);
        values_.ConfigVersion = SplitField(first, 1);
        values_.ConfigVersionNote = SplitField(first, 2);

        Pass(kButtonsHeader, &ConfigReader::Buttons);
        Pass(kMainMenuHeader, &ConfigReader::MainMenu);
        Pass(kSearchMenuHeader, &ConfigReader::SearchOptions);
        Pass(kMiscMenuHeader, &ConfigReader::SettingsMisc);
        Pass(kSearchParametersHeader, &ConfigReader::SearchParameters);
        Pass(kUpdateUrlHeader, &ConfigReader::UpdateUrl);
    }

private:
    using Section = void (ConfigReader::*)(std::size_t header);

    // Every header of the kind is processed, in file order.
    void Pass(std::string_view header, Section section)
    {
        const std::size_t count = lines_.Count();
        for (std::size_t h = 0; h < count; ++h) {
            if (lines_.IsLine(h, header)) {
                sink_.SectionHeader(std::string(header), h);
                (this->*section)(h);
            }
        }
    }

    std::int32_t CountAt(std::size_t line) const
    {
        sink_.LayoutLine(line);
        const std::string text = lines_.Line(line);
        std::int32_t count = 0;
        if (!ParseInteger(text, count))
            throw ToolbarError(InvalidIntegerMessage(text));
        sink_.CountLine(line, count);
        return count;
    }

    std::string LineAt(std::size_t line) const
    {
        sink_.LayoutLine(line);
        return lines_.Line(line);
    }

    // A menu section has count entry lines; those past the end of the file
    // read as empty lines and make empty entries. No menu gets more entries
    // than a full menu holds (made counts this menu's entries from earlier
    // sections), so a huge count cannot hang construction.
    static std::size_t MenuEntries(std::int32_t count, std::size_t made)
    {
        if (count <= 0 || made >= kMaxMenuEntries)
            return 0;
        return std::min(static_cast<std::size_t>(count), kMaxMenuEntries - made);
    }

    int Append(std::string target)
    {
        urls_.push_back(std::move(target));
        return static_cast<int>(urls_.size() - 1);
    }

    void Buttons(std::size_t h)
    {
        const std::int32_t count = CountAt(h + 1);

        // The main button's glyph is loaded before its target is appended.
        std::string line = LineAt(h + 2);
        sink_.MainButton(SplitField(line, 1));
        Append(SplitField(line, 2));

        line = LineAt(h + 3);
        int tag = Append(SplitField(line, 2));
        sink_.SearchButton(SplitField(line, 1), tag);

        line = LineAt(h + 4);
        tag = Append(SplitField(line, 2));
        sink_.SettingsButton(SplitField(line, 1), tag);

        // The count includes the three fixed buttons.
        for (int n = 1; n <= kMaxLinkButtons && count >= n + 3; ++n) {
            line = LineAt(h + 4 + static_cast<std::size_t>(n));
            tag = Append(SplitField(line, 2));
            sink_.LinkButton(n, SplitField(line, 1), tag);
        }
    }

    void MainMenu(std::size_t h)
    {
        const std::size_t entries = MenuEntries(CountAt(h + 1), mainMenuEntries_);
        for (std::size_t j = 0; j < entries; ++j, ++mainMenuEntries_) {
            const std::string line = LineAt(h + 2 + j);
            const std::string caption = SplitField(line, 1);
            if (line.find('+') != std::string::npos) {
                // A "+" anywhere makes a sub-entry; its caption loses its
                // first character (the marker when there is one). The entry
                // exists and its target is appended before it is placed.
                const int tag = Append(SplitField(line, 2));
                if (!haveTopLevelEntry_)
                    throw ToolbarError("Menu index out of range");
                sink_.MainMenuEntry(caption.empty() ? caption : caption.substr(1), tag, true);
            } else {
                std::string target = SplitField(line, 2);
                const int tag = target.empty() ? -1 : Append(std::move(target));
                sink_.MainMenuEntry(caption, tag, false);
                haveTopLevelEntry_ = true;
            }
        }
    }

    void SearchOptions(std::size_t h)
    {
        const std::int32_t count = CountAt(h + 1);
        sink_.SearchOptionsCaption(SplitField(LineAt(h + 2), 1));

        // Options 4 and 5 share one threshold.
        const bool read[7] = {true, true, true, count >= 5, count >= 5, count >= 6, count >= 7};
        for (int n = 1; n <= 7; ++n) {
            if (!read[n - 1])
                continue;
            const std::string line = LineAt(h + 2 + static_cast<std::size_t>(n));
            const int tag = Append(SplitField(line, 2));
            sink_.SearchOption(n, SplitField(line, 1), tag);
        }
    }

    void SettingsMisc(std::size_t h)
    {
        const std::size_t entries = MenuEntries(CountAt(h + 1), settingsMenuEntries_);
        for (std::size_t j = 0; j < entries; ++j, ++settingsMenuEntries_) {
            const std::string line = LineAt(h + 2 + j);
            std::string target = SplitField(line, 2);
            const int tag = target.empty() ? -1 : Append(std::move(target));
            sink_.SettingsMenuEntry(SplitField(line, 1), tag);
        }
    }

    void SearchParameters(std::size_t h)
    {
        values_.SearchParam1 = LineAt(h + 1);
        values_.SearchParam2 = LineAt(h + 2);
        values_.SearchParam3 = LineAt(h + 3);
    }

    void UpdateUrl(std::size_t h)
    {
        values_.UpdateURL = LineAt(h + 1);
    }

    const LineStore& lines_;
    TargetList& urls_;
    ConfigValues& values_;
    ConfigSink& sink_;
    // Sub-entries go under the last top-level entry, across repeated sections.
    bool haveTopLevelEntry_ = false;
    std::size_t mainMenuEntries_ = 0;
    std::size_t settingsMenuEntries_ = 0;
};

}  // namespace

void ReadConfiguration(const LineStore& lines, TargetList& urls, ConfigValues& values,
                       ConfigSink& sink)
{
    ConfigReader(lines, urls, values, sink).Run();
}

}  // namespace vtb
