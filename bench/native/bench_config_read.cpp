// Times reading configuration files of growing size (load into the line
// store and run every section pass) to show that reading is linear in the
// file size, for a realistic file and for one of repeated menu headers,
// each of which reads on to the end of the file. Prints the median of
// several runs per size and the time per line. A line starting with
// "table|" feeds the summary of tools/run_benchmarks.sh.
#include "core/config_file.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <string>
#include <vector>

namespace {

class CountingSink : public vtb::ConfigSink {
public:
    std::size_t Calls = 0;
    void MainButton(const std::string&) override { ++Calls; }
    void SearchButton(const std::string&, int) override { ++Calls; }
    void SettingsButton(const std::string&, int) override { ++Calls; }
    void LinkButton(int, const std::string&, int) override { ++Calls; }
    void MainMenuEntry(const std::string&, int, bool) override { ++Calls; }
    void SearchOptionsCaption(const std::string&) override { ++Calls; }
    void SearchOption(int, const std::string&, int) override { ++Calls; }
    void SettingsMenuEntry(const std::string&, int) override { ++Calls; }
};

// A realistic file: the usual sections up front, then a long main menu of
// entries and sub-entries, a long misc menu, and comment lines, mixing the
// three kinds of line break.
std::string MakeConfiguration(std::size_t lineCount) {
    std::vector<std::string> lines = {"4.2|benchmark edition",
                                      "[Buttons]",
                                      "20",
                                      "Veltrane|http://www.example.com/",
                                      "Search|http://www.example.com/search",
                                      "Settings|http://www.example.com/settings"};
    for (int n = 1; n <= 17; ++n)
        lines.push_back("Link " + std::to_string(n) + "|http://www.example.com/link" + std::to_string(n));
    lines.insert(lines.end(), {"[Settings Menu - Search]", "7", "Search options|", "All|all", "Cases|cases",
                               "Statutes|statutes", "Treaties|treaties", "Journals|journals", "News|news",
                               "Forms|forms", "[Search Parameters]", "http://www.example.com/find?db=", "&q=",
                               "&lang=en", "[ToolBar Update URL]", "http://www.example.com/toolbar.cfg"});

    const std::size_t rest = lineCount > lines.size() ? lineCount - lines.size() : 0;
    const std::size_t menu = rest * 2 / 5;
    const std::size_t misc = rest / 5;
    lines.push_back("[Main Menu]");
    lines.push_back(std::to_string(menu));
    for (std::size_t i = 0; i < menu; ++i) {
        if (i % 4 == 0)
            lines.push_back("Topic " + std::to_string(i) + "|http://www.example.com/topic/" + std::to_string(i));
        else
            lines.push_back("+Sub " + std::to_string(i) + "|http://www.example.com/sub?id=" + std::to_string(i));
    }
    lines.push_back("[Settings Menu - Misc]");
    lines.push_back(std::to_string(misc));
    for (std::size_t i = 0; i < misc; ++i)
        lines.push_back(i % 10 == 0 ? "-|" : "Entry " + std::to_string(i) + "|@" + std::to_string(i % 4 + 1));
    while (lines.size() < lineCount)
        lines.push_back("; comment line " + std::to_string(lines.size()) + " between sections");
    lines.resize(lineCount);

    static const char* const kBreaks[] = {"\r\n", "\n", "\r"};
    std::string text;
    for (std::size_t i = 0; i < lines.size(); ++i) text += lines[i] + kBreaks[i % 3];
    return text;
}

// Every other line a "[Main Menu]" header whose count asks for all the
// lines after it.
std::string MakeRepeatedHeaders(std::size_t lineCount) {
    std::string text = "4.2|repeated headers\r\n";
    for (std::size_t i = 1; i + 1 < lineCount; i += 2) text += "[Main Menu]\r\n$7FFFFFFF\r\n";
    return text;
}

double ReadOnceMs(const std::string& text, std::size_t& calls) {
    const auto start = std::chrono::steady_clock::now();
    vtb::LineStore store;
    store.Load(text);
    vtb::TargetList urls;
    vtb::ConfigValues values;
    CountingSink sink;
    vtb::ReadConfiguration(store, urls, values, sink);
    store.Clear();
    const auto end = std::chrono::steady_clock::now();
    calls = sink.Calls;
    return std::chrono::duration<double, std::milli>(end - start).count();
}

// Prints a row per size; returns the time per line at the smallest and the
// largest size.
std::pair<double, double> TimeSizes(const char* shape, std::string (*make)(std::size_t)) {
    constexpr int kRuns = 9;
    constexpr std::size_t kSizes[] = {1000, 10000, 100000};
    double perLine[3] = {};
    std::printf("%s\n%10s %10s %12s %14s %10s\n", shape, "lines", "bytes", "median ms", "ns per line", "calls");
    for (int size = 0; size < 3; ++size) {
        const std::size_t lineCount = kSizes[size];
        const std::string text = make(lineCount);
        std::vector<double> times;
        std::size_t calls = 0;
        ReadOnceMs(text, calls);  // warm-up
        for (int run = 0; run < kRuns; ++run) times.push_back(ReadOnceMs(text, calls));
        std::sort(times.begin(), times.end());
        const double median = times[kRuns / 2];
        perLine[size] = median * 1e6 / static_cast<double>(lineCount);
        std::printf("%10zu %10zu %12.3f %14.1f %10zu\n", lineCount, text.size(), median, perLine[size], calls);
    }
    return {perLine[0], perLine[2]};
}

}  // namespace

int main() {
    // Linear reading keeps the time per line of the largest file near that
    // of the smallest.
    const auto [small, large] = TimeSizes("realistic file", MakeConfiguration);
    std::printf(
        "table|configuration read, 100000 lines (native)|%.1f ns per line|%.1f ns per line at 1000 "
        "lines|%.2fx\n",
        large, small, large / small);
    const auto [smallRepeated, largeRepeated] = TimeSizes("repeated menu headers", MakeRepeatedHeaders);
    std::printf(
        "table|configuration read, 100000 lines of repeated menu headers (native)|%.1f ns per line|%.1f ns "
        "per line at 1000 lines|%.2fx\n",
        largeRepeated, smallRepeated, largeRepeated / smallRepeated);
    return 0;
}
