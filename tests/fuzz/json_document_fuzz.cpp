// JsonDocument: Parse of an arbitrary text, then GetCount, GetText, GetType and
// Exists on arbitrary paths, and one write. Whatever the text does, the results
// are of the kinds stated. Where the text is a plain JSON-like literal (nothing in
// it can run code) and a path a plain member path, the reads agree with each other,
// a text written is read back, and ToJson parses back to itself.
//
// Input: flags (1 literal, 2 JSON form), the write kind, then the document text,
// four paths, the write's path and its value.

#include <cmath>
#include <cstdint>
#include <string>
#include <vector>

#include "fuzz_input.h"
#include "json/json_document.h"

namespace cq::fuzz {
namespace {

bool IsTypeCode(int type) {
    return type == -1 || type == 0 || type == 1 || type == 2 || type == 4 || type == 5 || type == 6;
}

bool IsPlainPath(std::string_view path) {
    for (char c : path) {
        const bool ok = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') ||
                        (c >= '0' && c <= '9') || c == '_' || c == '.' || c == '[' || c == ']' ||
                        c == '\'';
        if (!ok) {
            return false;
        }
    }
    return true;
}

void Reads(JsonDocument& document, std::string_view path, bool jsonForm, bool plain) {
    const int type = document.GetType(path);
    Require(IsTypeCode(type), "GetType gives one of the type codes");
    const int count = document.GetCount(path);
    Require(count >= 0, "GetCount is never negative");
    const bool exists = document.Exists(path);
    const Text text = document.GetText(path, jsonForm);
    std::vector<Text> names;
    Require(document.GetMemberNames(&names, path) == static_cast<int>(names.size()),
            "GetMemberNames counts the names it gives");
    document.GetNumber(path);
    if (!plain) {
        return;
    }
    Require(!exists || type != 0, "a value that exists has a type");
    Require(exists || type == 0 || type == -1, "a value that does not exist has none");
    Require(type == 5 || count == 0, "only an array has a count");
    Require(type != 4 || !jsonForm || text.starts_with("{"), "an object's JSON is an object");
    Require(type != 5 || !jsonForm || text.starts_with("["), "an array's JSON is an array");
}

}  // namespace
}  // namespace cq::fuzz

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace cq::fuzz;
    FuzzInput in(data, size);
    const std::uint8_t flags = in.Byte();
    const int writeKind = in.Number(0, 4);
    const bool literal = (flags & 1) != 0;
    const bool jsonForm = (flags & 2) != 0;
    const std::string_view text = in.Field();
    std::vector<std::string_view> paths;
    for (int i = 0; i < 4; ++i) {
        paths.push_back(in.Field(256));
    }
    const std::string_view writePath = in.Field(256);
    const std::string_view writeValue = in.Field(1024);

    cq::JsonDocument document;
    cq::ErrorInfo error;
    const bool parsed = document.Parse(text, literal, &error);
    const bool plainText = parsed && IsPlainLiteral(text);
    if (IsPlainLiteral(text)) {
        Require(parsed == (document.GetType() != 0), "Parse tells whether the root has a value");
    }

    for (std::string_view path : paths) {
        Reads(document, path, jsonForm, plainText && IsPlainPath(path));
    }

    switch (writeKind) {
        case 0:
            document.SetValue(writePath, writeValue, jsonForm);
            break;
        case 1:
            document.SetNumber(writePath, static_cast<double>(writeValue.size()) - 3.5);
            break;
        case 2:
            document.AddElement(writeValue, writePath, literal);
            break;
        case 3:
            document.Delete(writePath);
            break;
        case 4:
            if (plainText) {
                // A plain text written under a new member is read back as written.
                const std::string value = "v" + std::to_string(writeValue.size());
                if (document.SetValue("fuzz_written", value)) {
                    Require(document.GetText("fuzz_written") == value,
                            "a text written is read back");
                    Require(document.Exists("fuzz_written"), "a member written exists");
                }
            }
            break;
    }
    for (std::string_view path : paths) {
        Reads(document, path, jsonForm, false);
    }

    if (plainText && writeKind == 4) {
        const cq::Text json = document.ToJson();
        if (!json.empty() && json.find('\\') == cq::Text::npos) {
            cq::JsonDocument again;
            Require(again.Parse(json), "the JSON of a document parses");
            Require(again.ToJson() == json, "the JSON of a document parses back to itself");
        }
    }
    return 0;
}
