#pragma once

// An ordered list of name/value pairs that renders as request header lines, as a
// query text (a=1&b=2) or as a flat JSON object.

#include <string_view>
#include <vector>

#include "text/types.h"

namespace cq {

class HeaderList {
public:
    HeaderList() = default;

    HeaderList Clone() const { return *this; }

    // toUtf8 stores name and value converted from GBK to UTF-8.
    void Add(std::string_view name, std::string_view value, bool toUtf8 = false);
    // Reads a=1&b=2 into pairs: the name is what precedes the first "=", the value
    // what follows the last one.
    void AddQuery(std::string_view text, bool toUtf8 = false);
    // The value of the first pair of that name (exact bytes), or the empty text.
    Text Get(std::string_view name) const;
    // Replaces the first pair's value, or adds a pair.
    void Set(std::string_view name, std::string_view value);
    Text ToQuery(bool escape = false) const;
    // "Name: value" lines joined by CR LF, no line break after the last.
    Text ToHeaderText(bool escape = false) const;
    std::vector<Text>& GetNames(std::vector<Text>& names) const;
    std::vector<Text>& GetValues(std::vector<Text>& values) const;
    void Clear();
    // Removes the first pair of that name only.
    void Remove(std::string_view name);
    Text ToJson() const;

    static Text EscapeQuotes(std::string_view text);
    // Cuts one affix off the end, then one off the start; stores the result in
    // *text and returns a copy.
    static Text TrimAffix(Text* text, std::string_view affix);

    std::size_t Count() const { return names_.size(); }

private:
    std::vector<Text> names_;
    std::vector<Text> values_;
};

}  // namespace cq
