#include "core/search.h"

namespace vtb {

namespace {

bool PassesUnchanged(unsigned char c) {
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '*' || c == '-' ||
           c == '.' || c == '_';
}

}  // namespace

std::string EncodeQuery(std::string_view text) {
    // A query is data inside the URL: "&", "#", "+" or "%" typed by the user
    // must not become separators, fragments or escapes of the service's URL.
    static const char kHex[] = "0123456789ABCDEF";
    std::string encoded;
    encoded.reserve(text.size() * 3);
    for (const char ch : text) {
        const auto c = static_cast<unsigned char>(ch);
        if (PassesUnchanged(c)) {
            encoded += ch;
        } else if (c == ' ') {
            encoded += '+';
        } else {
            encoded += '%';
            encoded += kHex[c >> 4];
            encoded += kHex[c & 0x0F];
        }
    }
    return encoded;
}

std::optional<std::string> QueryBytes(Utf16View query, bool utf8, const CodePage& page) {
    if (utf8) return Utf16ToUtf8(query);
    return ExactlyIn(page, query);
}

std::string BuildSearchUrl(const std::string& param1, const std::string& method, const std::string& param2,
                           std::string_view query, const std::string& param3) {
    std::string url = param1;
    url += method;
    url += param2;
    url += EncodeQuery(query);
    url += param3;
    return url;
}

void RecordQuery(HistoryList& list, const std::string& query) {
    if (list.ContainsIgnoringCase(query)) return;
    // A list loaded longer than the limit keeps its length.
    if (list.Count() >= kHistoryLimit) list.DeleteFirst();
    list.Add(query);
}

}  // namespace vtb
