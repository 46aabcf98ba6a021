#include "core/search.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <vector>

namespace vtb {
namespace {

TEST(EncodeQuery, SpacesBecomePlusSigns) {
    EXPECT_EQ(EncodeQuery("contract law  damages"), "contract+law++damages");
    EXPECT_EQ(EncodeQuery(" "), "+");
    EXPECT_EQ(EncodeQuery(""), "");
}

TEST(EncodeQuery, UnreservedCharactersPassEveryOtherByteIsEscaped) {
    EXPECT_EQ(EncodeQuery("AZaz09*-._"), "AZaz09*-._");
    EXPECT_EQ(EncodeQuery("C++ & torts #2"), "C%2B%2B+%26+torts+%232");
    EXPECT_EQ(EncodeQuery("100%"), "100%25");
    EXPECT_EQ(EncodeQuery("a=b?c/d"), "a%3Db%3Fc%2Fd");
    EXPECT_EQ(EncodeQuery("\t\r\n"), "%09%0D%0A");
    EXPECT_EQ(EncodeQuery("|~'\""), "%7C%7E%27%22");
    // Bytes above 127 (here the ANSI "e acute" and "section sign").
    EXPECT_EQ(EncodeQuery("caf\xE9 \xA7"), "caf%E9+%A7");
    EXPECT_EQ(EncodeQuery(std::string_view("\0\xFF", 2)), "%00%FF");
}

TEST(QueryBytes, CodePageExactlyOrNotAtAllAndUtf8WhenAsked) {
    EXPECT_EQ(QueryBytes(u"K\u00FCndigung \u20AC", false, Windows1252()), "K\xFCndigung \x80");
    // Never a "?" or a look-alike for a letter the code page lacks.
    EXPECT_EQ(QueryBytes(u"\u0416\u0438\u0442\u044C", false, Windows1252()), std::nullopt);
    EXPECT_EQ(QueryBytes(u"\u221E", false, Windows1252()), std::nullopt);
    const std::optional<std::string> utf8 = QueryBytes(u"\u0141\u00F3d\u017A \u6771\u4EAC", true, Windows1252());
    ASSERT_TRUE(utf8);
    EXPECT_EQ(EncodeQuery(*utf8), "%C5%81%C3%B3d%C5%BA+%E6%9D%B1%E4%BA%AC");
}

TEST(BuildSearchUrl, PlainConcatenation) {
    EXPECT_EQ(BuildSearchUrl("http://svc/find?db=", "cases", "&q=", "a b  c", "&x=1"),
              "http://svc/find?db=cases&q=a+b++c&x=1");
    EXPECT_EQ(BuildSearchUrl("", "", "", "only query", ""), "only+query");
    EXPECT_EQ(BuildSearchUrl("p1", "m", "p2", "", "p3"), "p1mp2p3");
}

// The search box's sorted list: case-insensitive order and lookup.
class SortedList : public HistoryList {
public:
    explicit SortedList(std::vector<std::string> items = {}) {
        for (auto& item : items) Add(item);
    }
    std::vector<std::string> Items;

    int Count() const override { return static_cast<int>(Items.size()); }
    bool ContainsIgnoringCase(const std::string& text) const override {
        return std::any_of(Items.begin(), Items.end(),
                           [&](const std::string& item) { return Lower(item) == Lower(text); });
    }
    void DeleteFirst() override { Items.erase(Items.begin()); }
    void Add(const std::string& text) override {
        const auto at =
            std::upper_bound(Items.begin(), Items.end(), text,
                             [](const std::string& a, const std::string& b) { return Lower(a) < Lower(b); });
        Items.insert(at, text);
    }

private:
    static std::string Lower(std::string text) {
        for (char& c : text) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
        return text;
    }
};

using Items = std::vector<std::string>;

TEST(RecordQuery, NewQueryTakesItsPlaceInSortOrder) {
    SortedList list({"beta", "delta"});
    RecordQuery(list, "Charlie");
    EXPECT_EQ(list.Items, (Items{"beta", "Charlie", "delta"}));
}

TEST(RecordQuery, KnownQueryIgnoringCaseChangesNothing) {
    SortedList list({"Torts", "contracts"});
    RecordQuery(list, "TORTS");
    EXPECT_EQ(list.Items, (Items{"contracts", "Torts"}));
}

TEST(RecordQuery, FullListLosesItsFirstItem) {
    SortedList list({"a", "b", "c", "d", "e", "f", "g"});
    RecordQuery(list, "zz");
    EXPECT_EQ(list.Items, (Items{"b", "c", "d", "e", "f", "g", "zz"}));
    // A query that sorts first replaces the old first item.
    RecordQuery(list, "0");
    EXPECT_EQ(list.Items, (Items{"0", "c", "d", "e", "f", "g", "zz"}));
}

TEST(RecordQuery, LongerLoadedListKeepsItsLength) {
    SortedList list({"a", "b", "c", "d", "e", "f", "g", "h"});
    RecordQuery(list, "new");
    EXPECT_EQ(list.Count(), 8);
    EXPECT_EQ(list.Items.front(), "b");
    RecordQuery(list, "G");  // listed: stays 8, nothing goes
    EXPECT_EQ(list.Count(), 8);
    EXPECT_EQ(list.Items.front(), "b");
}

}  // namespace
}  // namespace vtb
