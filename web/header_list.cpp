#include "web/header_list.h"

#include "text/encoding.h"
#include "text/gbk_search.h"
#include "text/text_edit.h"
#include "web/text_markers.h"

namespace cq {

void HeaderList::Add(std::string_view name, std::string_view value, bool toUtf8) {
    if (toUtf8) {
        names_.push_back(Utf8FromGbk(name));
        values_.push_back(Utf8FromGbk(value));
    } else {
        names_.emplace_back(name);
        values_.emplace_back(value);
    }
}

void HeaderList::AddQuery(std::string_view text, bool toUtf8) {
    for (const Text& piece : SplitText(text, "&")) {
        // The name ends at the first "=", the value starts after the last one.
        Add(TextBefore(piece, "="), TextAfter(piece, "="), toUtf8);
    }
}

Text HeaderList::Get(std::string_view name) const {
    for (std::size_t i = 0; i < names_.size(); ++i) {
        if (names_[i] == name) {
            return values_[i];
        }
    }
    return {};
}

void HeaderList::Set(std::string_view name, std::string_view value) {
    for (std::size_t i = 0; i < names_.size(); ++i) {
        if (names_[i] == name) {
            values_[i].assign(value);
            return;
        }
    }
    Add(name, value);
}

Text HeaderList::ToQuery(bool escape) const {
    Text result;
    for (std::size_t i = 0; i < names_.size(); ++i) {
        result += escape ? PercentEscapeText(names_[i], true) : names_[i];
        result += '=';
        result += escape ? PercentEscapeText(values_[i], true) : values_[i];
        result += '&';
    }
    if (!result.empty()) {
        result.pop_back();
    }
    return result;
}

Text HeaderList::ToHeaderText(bool escape) const {
    Text result;
    for (std::size_t i = 0; i < names_.size(); ++i) {
        result += names_[i];
        result += ": ";
        result += escape ? PercentEscapeText(values_[i], true) : values_[i];
        result += "\r\n";
    }
    if (!result.empty()) {
        result.resize(result.size() - 2);
    }
    return result;
}

std::vector<Text>& HeaderList::GetNames(std::vector<Text>& names) const {
    names = names_;
    return names;
}

std::vector<Text>& HeaderList::GetValues(std::vector<Text>& values) const {
    values = values_;
    return values;
}

void HeaderList::Clear() {
    names_.clear();
    values_.clear();
}

void HeaderList::Remove(std::string_view name) {
    for (std::size_t i = 0; i < names_.size(); ++i) {
        if (names_[i] == name) {
            names_.erase(names_.begin() + static_cast<std::ptrdiff_t>(i));
            values_.erase(values_.begin() + static_cast<std::ptrdiff_t>(i));
            return;
        }
    }
}

Text HeaderList::ToJson() const {
    Text json = "{";
    for (std::size_t i = 0; i < names_.size(); ++i) {
        json += '"';
        json += names_[i];
        json += "\":\"";
        json += EscapeQuotes(values_[i]);
        json += "\",";
    }
    TrimAffix(&json, ",");
    json += '}';
    return json;
}

Text HeaderList::EscapeQuotes(std::string_view text) {
    return MultiReplace(text, std::nullopt, 1, true, {{"\"", "\\\""}});
}

Text HeaderList::TrimAffix(Text* text, std::string_view affix) {
    if (text == nullptr) {
        return {};
    }
    if (!affix.empty() && text->size() >= affix.size()) {
        // Only an affix that starts on a character boundary is the text's end.
        const std::size_t tail = text->size() - affix.size();
        if (FindTextBackward(*text, affix, tail) == tail) {
            text->resize(tail);
        }
    }
    if (!affix.empty() && FindText(*text, affix) == 0) {
        text->erase(0, affix.size());
    }
    return *text;
}

}  // namespace cq
