#pragma once

// A JSON value held in a script engine and read by path. Paths are script member
// expressions relative to the root ("data.list[0].title", "[0]", "" for the root).
// Every operation builds a short script, hands it to the document's engine and
// converts the answer back; a failed evaluation gives the empty value of the kind
// asked for (empty text, false, 0, empty list). Nothing throws.
//
// A document and its clones belong to the thread that created them.

#include <cstdint>
#include <memory>
#include <string_view>
#include <vector>

#include "platform/script_error.h"
#include "text/types.h"

namespace cq {

namespace platform {
class ScriptHost;
}

// What the engine reported about the last evaluation of Parse, its texts in the
// program's code page. Number is 0 when the text evaluated without error.
using ErrorInfo = platform::ScriptError;

// Type codes of GetType.
inline constexpr int kJsonTypeNone = 0;  // null, undefined or absent
inline constexpr int kJsonTypeBoolean = 1;
inline constexpr int kJsonTypeNumber = 2;
inline constexpr int kJsonTypeObject = 4;
inline constexpr int kJsonTypeArray = 5;
inline constexpr int kJsonTypeString = 6;
inline constexpr int kJsonTypeOther =
    -1;  // function, date, regexp; or a path through an absent member

class JsonDocument {
public:
    // A fresh engine whose root is an empty object.
    JsonDocument();
    ~JsonDocument();

    // Copying is Clone: the copy shares this document's engine.
    JsonDocument(const JsonDocument& other);
    JsonDocument& operator=(const JsonDocument& other);
    JsonDocument(JsonDocument&& other) noexcept;
    JsonDocument& operator=(JsonDocument&& other) noexcept;

    // Releases this document's reference to the engine; afterwards every read is
    // empty, every write false and Parse false.
    void Destroy();
    // Another document over the same engine: writes through either are seen by both
    // until one of them runs Parse.
    JsonDocument Clone() const;
    // Replaces the engine by a fresh one prepared with the prelude and an empty root.
    void CreateEngine();

    // Evaluates text as script into a fresh engine (by default through eval, so a
    // string whose content is a document is unwrapped). True when the new root is
    // neither null nor undefined. errorInfo, when given, receives the engine's report.
    bool Parse(std::string_view text, bool literal = false, ErrorInfo* errorInfo = nullptr);
    bool Clear();
    Text ToJson();

    bool SetValue(std::string_view path = {}, std::string_view value = {}, bool asJson = false);
    bool SetExpression(std::string_view path = {}, std::string_view expression = {});

    // Turns a path into an expression over the engine's globals, in place; true when
    // the value there is neither null nor undefined.
    bool ResolvePath(Text* path);
    bool Exists(std::string_view path = {});
    int GetType(std::string_view path = {});
    // Raw form: the value's script text form; JSON form: JSON.stringify of it.
    Text GetText(std::string_view path = {}, bool jsonForm = false);
    // Names of an object's members (none for anything else); returns their number.
    // names may be null when only the number is wanted.
    int GetMemberNames(std::vector<Text>* names, std::string_view path = {});
    // Array length; 0 for anything that is not an array.
    int GetCount(std::string_view path = {});
    JsonDocument GetObject(std::string_view path = {});

    bool AddElement(std::string_view value = {}, std::string_view path = {}, bool literal = false,
                    bool atFront = false);
    JsonDocument GetElementObject(int index = 0, std::string_view path = {});
    Text GetElementText(int index = 0, std::string_view path = {}, bool jsonForm = false);
    bool SetElement(int index = 0, std::string_view path = {}, std::string_view value = {},
                    bool literal = false);
    bool RemoveElement(int index = 0, std::string_view path = {});
    bool Delete(std::string_view path = {});
    bool SetNumber(std::string_view path, double number);
    // A number as is, a numeric text as its value, true -1, false 0; 0 otherwise.
    double GetNumber(std::string_view path = {});
    Text GetJson(std::string_view path = {});
    // Another reference to the engine, for direct use of the host; null when absent.
    // The host speaks UTF-8 (script_host.h), not the document's code page.
    std::shared_ptr<platform::ScriptHost> GetEngine();
    // The string, number and boolean values of an object's or array's members (of
    // nested ones too when recursive); returns their number. values may be null.
    int GetLeafValues(std::vector<Text>* values, std::string_view path = {},
                      bool recursive = false);

    const Text& RootName() const { return rootName_; }

private:
    // Evaluations on this document's engine; without one they give the empty value.
    bool Run(std::string_view script);
    Text EvalText(std::string_view script);
    bool EvalLogical(std::string_view script);
    double EvalNumber(std::string_view script);
    // ResolvePath on a copy of path, ignoring whether the value exists.
    Text Resolved(std::string_view path);

    Text rootName_;
    std::shared_ptr<platform::ScriptHost> engine_;
    // True while the engine is as CreateEngine left it and has never been shared.
    mutable bool pristine_ = false;
};

// The script every engine of a JsonDocument is prepared with.
std::string_view PreludeScript();

}  // namespace cq
