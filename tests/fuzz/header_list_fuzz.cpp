// HeaderList: AddQuery of an arbitrary text, a run of Add, Set, Remove, Get and
// Clear, then every rendering, each held against the pairs the list reports.
//
// Input: flags (1 amplify the query, 2 to UTF-8), the operation count, then the
// query text and, per operation, an op byte's worth of fields.

#include <algorithm>
#include <cstdint>
#include <string>
#include <vector>

#include "fuzz_input.h"
#include "text/encoding.h"
#include "web/header_list.h"

namespace cq::fuzz {
namespace {

std::size_t QueryPieces(std::string_view text) {
    const std::vector<bool> starts = CharacterStarts(text);
    std::size_t pieces = 0;
    std::size_t begin = 0;
    while (begin < text.size()) {
        ++pieces;
        const std::size_t at = NaiveFind(text, "&", begin, false, starts);
        if (at == kNotFound) {
            break;
        }
        begin = at + 1;
    }
    return pieces;
}

bool OnlyEscapes(std::string_view text, std::string_view alsoAllowed) {
    for (char c : text) {
        const bool plain = (c >= '0' && c <= '9') || (c >= 'A' && c <= 'Z') ||
                           (c >= 'a' && c <= 'z') ||
                           std::string_view("'()*-._+%").find(c) != std::string_view::npos ||
                           alsoAllowed.find(c) != std::string_view::npos;
        if (!plain) {
            return false;
        }
    }
    return true;
}

std::size_t CountOf(std::string_view text, char c) {
    std::size_t n = 0;
    for (char x : text) {
        n += x == c ? 1 : 0;
    }
    return n;
}

void CheckRenderings(const HeaderList& list) {
    std::vector<Text> names;
    std::vector<Text> values;
    list.GetNames(names);
    list.GetValues(values);
    Require(names.size() == list.Count() && values.size() == list.Count(),
            "names and values pair up");

    Text query;
    Text header;
    for (std::size_t i = 0; i < names.size(); ++i) {
        query += (i > 0 ? "&" : "") + names[i] + "=" + values[i];
        header += (i > 0 ? "\r\n" : "") + names[i] + ": " + values[i];
    }
    Require(list.ToQuery() == query, "ToQuery joins name=value pairs with &");
    Require(list.ToHeaderText() == header, "ToHeaderText joins Name: value lines by CR LF");

    const Text escaped = list.ToQuery(true);
    Require(OnlyEscapes(escaped, "=&"), "an escaped query holds only escapes");
    if (!names.empty()) {
        Require(CountOf(escaped, '&') == names.size() - 1 && CountOf(escaped, '=') == names.size(),
                "escaped names and values hold no & or =");
    }
    Text escapedHeader;
    for (std::size_t i = 0; i < names.size(); ++i) {
        escapedHeader +=
            (i > 0 ? "\r\n" : "") + names[i] + ": " + PercentEscapeText(values[i], true);
    }
    Require(list.ToHeaderText(true) == escapedHeader, "escaped header lines escape the values");

    const Text json = list.ToJson();
    Require(json.starts_with("{") && json.ends_with("}"), "ToJson writes one object");
    for (std::size_t i = 0; i < names.size(); ++i) {
        const Text member = "\"" + names[i] + "\":\"" + HeaderList::EscapeQuotes(values[i]) + "\"";
        Require(json.find(member) != Text::npos, "ToJson writes every pair");
    }

    const HeaderList copy = list.Clone();
    Require(copy.ToQuery() == query && copy.ToJson() == json, "a clone renders the same");
    for (std::size_t i = 0; i < names.size(); ++i) {
        std::size_t first = 0;
        while (names[first] != names[i]) {
            ++first;
        }
        Require(list.Get(names[i]) == values[first], "Get gives the first pair's value");
    }
}

void CheckEscapeQuotes(std::string_view text) {
    const Text escaped = HeaderList::EscapeQuotes(text);
    const std::vector<bool> starts = CharacterStarts(escaped);
    Text back;
    for (std::size_t i = 0; i < escaped.size(); ++i) {
        if (escaped[i] == '\\' && starts[i] && i + 1 < escaped.size() && escaped[i + 1] == '"') {
            continue;
        }
        back += escaped[i];
    }
    Require(back == text, "EscapeQuotes only puts a backslash before each double quote");
    Require(CountOf(escaped, '"') == CountOf(text, '"'), "no double quote is added or lost");
}

void CheckTrimAffix(std::string_view text, std::string_view affix) {
    Text value(text);
    const Text returned = HeaderList::TrimAffix(&value, affix);
    Require(returned == value, "TrimAffix returns what it stored");
    Text expected(text);
    if (!affix.empty() && expected.size() >= affix.size()) {
        const std::size_t tail = expected.size() - affix.size();
        if (CharacterStarts(expected)[tail] && MatchesAt(expected, tail, affix, false)) {
            expected.resize(tail);
        }
    }
    if (!affix.empty() && expected.starts_with(affix)) {
        expected.erase(0, affix.size());
    }
    Require(value == expected, "TrimAffix cuts one affix off the end, then one off the start");
}

}  // namespace
}  // namespace cq::fuzz

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace cq::fuzz;
    FuzzInput in(data, size);
    const std::uint8_t flags = in.Byte();
    const int operations = in.Number(0, 12);
    const std::string_view field = in.Field();
    const std::string query = (flags & 1) != 0 ? Amplified(field, 32 << 10) : std::string(field);
    const bool toUtf8 = (flags & 2) != 0;

    cq::HeaderList list;
    list.AddQuery(query, toUtf8);
    Require(list.Count() == QueryPieces(query), "AddQuery adds one pair per piece");
    CheckRenderings(list);

    for (int i = 0; i < operations && !in.Empty(); ++i) {
        const std::string_view name = in.Field(64);
        const std::string_view value = in.Field(64);
        const std::size_t before = list.Count();
        switch (name.empty() ? 0 : static_cast<unsigned char>(name[0]) % 5) {
            case 0:
                list.Add(name, value, toUtf8);
                Require(list.Count() == before + 1, "Add adds a pair");
                break;
            case 1:
                list.Set(name, value);
                Require(list.Get(name) == value, "Get gives what Set stored");
                break;
            case 2: {
                std::vector<cq::Text> names;
                list.GetNames(names);
                const bool present =
                    std::find(names.begin(), names.end(), cq::Text(name)) != names.end();
                list.Remove(name);
                Require(list.Count() == before - (present ? 1 : 0), "Remove removes one pair");
                break;
            }
            case 3:
                CheckTrimAffix(value, name.substr(0, 4));
                CheckEscapeQuotes(value);
                break;
            case 4:
                if (value.empty()) {
                    list.Clear();
                    Require(list.Count() == 0, "Clear empties the list");
                }
                break;
        }
    }
    CheckRenderings(list);
    return 0;
}
