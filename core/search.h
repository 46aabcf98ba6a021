// Search URL, query encoding and the history rule of the search box.
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "core/code_page.h"

namespace vtb {

constexpr int kHistoryLimit = 7;

// HTML form encoding: letters, digits and "*-._" pass, a space becomes "+",
// every other byte becomes "%XX" with upper-case hex digits.
std::string EncodeQuery(std::string_view text);

// The query as the service receives it before the form encoding: the code
// page's bytes, exactly, or UTF-8 when the configuration asks for it;
// nullopt when the code page lacks one of its characters (never a "?").
std::optional<std::string> QueryBytes(Utf16View query, bool utf8, const CodePage& page);

std::string BuildSearchUrl(const std::string& param1, const std::string& method, const std::string& param2,
                           std::string_view query, const std::string& param3);

// The search box's list as the history rule sees it.
class HistoryList {
public:
    virtual ~HistoryList() = default;
    virtual int Count() const = 0;
    virtual bool ContainsIgnoringCase(const std::string& text) const = 0;
    virtual void DeleteFirst() = 0;                 // item 0 in sort order
    virtual void Add(const std::string& text) = 0;  // takes its place in sort order
};

// Adds a query that is not yet listed; at 7 or more items the first goes.
void RecordQuery(HistoryList& list, const std::string& query);

}  // namespace vtb
