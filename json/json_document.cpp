#include "json/json_document.h"

#include <algorithm>
#include <charconv>
#include <cstring>
#include <limits>

#include "platform/script_host.h"
#include "text/encoding.h"
#include "text/gbk_search.h"
#include "text/text_basics.h"
#include "text/text_edit.h"

namespace cq {

namespace {

// Joins the leaf values inside the engine and splits them again outside; chosen as
// a text no real value would hold.
constexpr std::string_view kValueSeparator = "[2020年7月20日20时0分0秒]";

// Strings stored in text form carry U+2400 (str_Code) for each backslash; reads turn
// the mark back (str_reg matches it).
constexpr std::string_view kUnmark = ".replace(str_reg, '\\\\')";
// For a JSON text that is parsed again, each mark must become an escaped backslash
// inside its string, or the parser would read it as the start of an escape.
constexpr std::string_view kUnmarkForJson = ".replace(str_reg, '\\\\\\\\')";

// Texts at the class's boundary are zero-terminated strings.
std::string_view UpToZero(std::string_view text) {
    const std::size_t zero = text.find('\0');
    return zero == std::string_view::npos ? text : text.substr(0, zero);
}

// The engine speaks UTF-8; the document's texts are in the program's code page, so
// every script goes in converted and every answer comes back converted. Scripts of
// plain ASCII, most of them, need neither.
bool IsAscii(std::string_view text) {
    return std::all_of(text.begin(), text.end(),
                       [](char c) { return static_cast<unsigned char>(c) < 0x80; });
}

Text ToEngine(std::string_view text) {
    text = UpToZero(text);
    return IsAscii(text) ? Text(text) : Utf8FromGbk(text);
}

Text FromEngine(std::string_view utf8) {
    return IsAscii(utf8) ? Text(utf8) : GbkFromUtf8(utf8);
}

// Longest source line, in bytes, in the error information of Parse.
constexpr std::size_t kErrorLineMax = 200;

ErrorInfo InCodePage(const platform::ScriptError& error) {
    ErrorInfo info = error;
    info.Source = FromEngine(error.Source);
    info.Description = FromEngine(error.Description);
    info.HelpFile = FromEngine(error.HelpFile);
    const Text line = FromEngine(error.Text);
    std::size_t cut = 0;
    while (cut < line.size() && cut + GbkCharLength(line, cut) <= kErrorLineMax) {
        cut += GbkCharLength(line, cut);
    }
    info.Text = line.substr(0, cut);
    return info;
}

Text Join(std::initializer_list<std::string_view> pieces) {
    return ConcatTexts(pieces);
}

// U+2028 and U+2029 (in GB18030) end a line in script source, even inside a string
// literal, while JSON and our callers treat them as ordinary characters. Inside a
// string their escapes mean the same character; outside one JSON never has them.
constexpr std::string_view kLineSeparator = "\x81\x36\xA6\x35";
constexpr std::string_view kParagraphSeparator = "\x81\x36\xA6\x36";

Text EscapeLineSeparators(std::string_view text) {
    if (FindText(text, kLineSeparator) == kNotFound &&
        FindText(text, kParagraphSeparator) == kNotFound) {
        return Text(text);
    }
    return MultiReplace(text, std::nullopt, 0, true,
                        {{kLineSeparator, "\\u2028"}, {kParagraphSeparator, "\\u2029"}});
}

// A text as the body of a single-quoted script string. The searches run on character
// boundaries, so a GBK trail byte that happens to be 0x5C is left alone.
Text EscapeForSingleQuotes(std::string_view value) {
    return EscapeLineSeparators(
        MultiReplace(value, std::nullopt, 0, true,
                     {{"\\", "\\\\"}, {"'", "\\'"}, {"\"", "\\\""}, {"\r", "\\r"}, {"\n", "\\n"}}));
}

// A value in text form: a single-quoted script string whose backslashes become marks.
// Element writes store their text this way too: quoted as it stands, a quote in it
// would break the script and a backslash would start an escape.
Text MarkedString(std::string_view value) {
    return Join({"'", EscapeForSingleQuotes(value), "'.replace(/\\\\/g, str_Code)"});
}

}  // namespace

JsonDocument::JsonDocument() : rootName_("da") {
    CreateEngine();
}

JsonDocument::~JsonDocument() = default;

JsonDocument::JsonDocument(const JsonDocument& other)
    : rootName_(other.rootName_), engine_(other.engine_) {
    // Whatever the copy does to the shared engine, the original no longer knows.
    other.pristine_ = false;
}

JsonDocument& JsonDocument::operator=(const JsonDocument& other) {
    rootName_ = other.rootName_;
    engine_ = other.engine_;
    pristine_ = false;
    other.pristine_ = false;
    return *this;
}

JsonDocument::JsonDocument(JsonDocument&& other) noexcept
    : rootName_(other.rootName_), engine_(std::move(other.engine_)), pristine_(other.pristine_) {
    other.pristine_ = false;
}

JsonDocument& JsonDocument::operator=(JsonDocument&& other) noexcept {
    rootName_ = other.rootName_;
    engine_ = std::move(other.engine_);
    pristine_ = other.pristine_;
    other.pristine_ = false;
    return *this;
}

void JsonDocument::Destroy() {
    // The engine closes when the last document that shares it lets go.
    engine_.reset();
}

JsonDocument JsonDocument::Clone() const {
    return JsonDocument(*this);
}

void JsonDocument::CreateEngine() {
    engine_.reset();
    auto host = std::make_shared<platform::ScriptHost>();
    if (!host->valid()) {
        return;
    }
    host->SetLanguage("JavaScript");
    // Every engine runs the prelude; compiling it once per process instead of once per
    // engine is most of the cost of a fresh engine.
    static const Bytes prelude = [] {
        platform::ScriptHost compiler;
        compiler.SetLanguage("JavaScript");
        return compiler.CompileProgram(PreludeScript());
    }();
    if (prelude.empty() || !host->AddBytecode(prelude)) {
        host->AddCode(PreludeScript());
    }
    host->Eval(ToEngine(Join({"var ", rootName_,
                              " = {}, str_Code = String.fromCharCode(9216), "
                              "str_reg = new RegExp(str_Code, 'g')"})));
    engine_ = std::move(host);
    pristine_ = true;
}

bool JsonDocument::Run(std::string_view script) {
    pristine_ = false;
    return engine_ && engine_->Eval(ToEngine(script));
}

Text JsonDocument::EvalText(std::string_view script) {
    pristine_ = false;
    return engine_ ? FromEngine(engine_->EvalText(ToEngine(script))) : Text();
}

bool JsonDocument::EvalLogical(std::string_view script) {
    pristine_ = false;
    return engine_ && engine_->EvalLogical(ToEngine(script));
}

double JsonDocument::EvalNumber(std::string_view script) {
    pristine_ = false;
    return engine_ ? engine_->EvalNumber(ToEngine(script)) : 0;
}

Text JsonDocument::Resolved(std::string_view path) {
    Text resolved(UpToZero(path));
    ResolvePath(&resolved);
    return resolved;
}

bool JsonDocument::Parse(std::string_view text, bool literal, ErrorInfo* errorInfo) {
    // A fresh engine each time, so nothing of the last value or its scripts remains.
    // One that nothing has run in since it was made, and that no clone or caller
    // holds, is exactly such an engine already: the usual construct-then-Parse
    // sequence then prepares one engine instead of two.
    if (engine_ && !(pristine_ && engine_.use_count() == 1)) {
        CreateEngine();
    }
    pristine_ = false;
    if (!engine_) {
        if (errorInfo != nullptr) {
            *errorInfo = ErrorInfo{};
            errorInfo->Number = platform::kScriptNoEngine;
            errorInfo->Source = "Script host";
            errorInfo->Description = "The script engine is not available";
        }
        return false;
    }
    const Text script = EscapeLineSeparators(UpToZero(text));
    engine_->Eval(ToEngine(Join({"var ", rootName_, " = null"})));
    if (literal) {
        engine_->AddCode(ToEngine(Join({"var ", rootName_, " = ", script})));
    } else {
        engine_->AddCode(ToEngine(Join({"var ", rootName_, " = eval(", script, ")"})));
    }
    if (errorInfo != nullptr) {
        *errorInfo = InCodePage(engine_->Error());
    }
    return engine_->EvalLogical(ToEngine(Join({rootName_, " != null"})));
}

bool JsonDocument::Clear() {
    return Run(Join({rootName_, " = {}"}));
}

Text JsonDocument::ToJson() {
    return EvalText(Join({"JSON.stringify(", rootName_, ")", kUnmark}));
}

bool JsonDocument::SetValue(std::string_view path, std::string_view value, bool asJson) {
    value = UpToZero(value);
    Text p(UpToZero(path));
    const bool exists = ResolvePath(&p);
    if (!asJson) {
        return Run(Join({p, " = ", MarkedString(value)}));
    }
    const std::string_view v = value.empty() ? std::string_view("{}") : value;
    const Text kind = EvalText(Join({"Object.prototype.toString.call(", p, ")"}));
    if (exists && kind == "[object Object]") {
        return Run(Join({p, " = get__extend(", p, ", ", v, ")"}));
    }
    return Run(Join({p, " = eval(", value, ")"}));
}

bool JsonDocument::SetExpression(std::string_view path, std::string_view expression) {
    const Text p = Resolved(path);
    return Run(Join({p, " = eval(", UpToZero(expression), ")"}));
}

bool JsonDocument::ResolvePath(Text* path) {
    if (path == nullptr) {
        return false;
    }
    *path = Text(UpToZero(*path));
    if (path->starts_with(rootName_) && EvalLogical(Join({*path, " != null"}))) {
        return true;
    }
    if (path->empty()) {
        *path = rootName_;
    } else if ((*path)[0] == '[') {
        *path = Join({rootName_, *path});
    } else {
        *path = Join({rootName_, ".", *path});
    }
    return EvalLogical(Join({*path, " != null"}));
}

bool JsonDocument::Exists(std::string_view path) {
    Text p(UpToZero(path));
    return ResolvePath(&p);
}

int JsonDocument::GetType(std::string_view path) {
    const Text p = Resolved(path);
    if (EvalLogical(Join({p, " == null"}))) {
        return kJsonTypeNone;
    }
    const Text kind = EvalText(Join({"Object.prototype.toString.call(", p, ")"}));
    if (kind == "[object String]") {
        return kJsonTypeString;
    }
    if (kind == "[object Array]") {
        return kJsonTypeArray;
    }
    if (kind == "[object Object]") {
        return kJsonTypeObject;
    }
    if (kind == "[object Number]") {
        return kJsonTypeNumber;
    }
    if (kind == "[object Boolean]") {
        return kJsonTypeBoolean;
    }
    return kJsonTypeOther;
}

Text JsonDocument::GetText(std::string_view path, bool jsonForm) {
    const Text p = Resolved(path);
    if (jsonForm) {
        return EvalText(Join({"JSON.stringify(", p, ")", kUnmark}));
    }
    return EvalText(Join({p, ".toString()", kUnmark}));
}

int JsonDocument::GetMemberNames(std::vector<Text>* names, std::string_view path) {
    const Text p = Resolved(path);
    std::vector<Text> pieces = SplitText(EvalText(Join({"get__name_All(", p, ")"})), "\r\n");
    const int count = static_cast<int>(pieces.size());
    if (names != nullptr) {
        *names = std::move(pieces);
    }
    return count;
}

namespace {

// Truncated toward zero; out of range saturates, NaN gives 0.
int ToInt32(double value) {
    if (!(value == value)) {
        return 0;
    }
    if (value >= static_cast<double>(std::numeric_limits<int>::max())) {
        return std::numeric_limits<int>::max();
    }
    if (value <= static_cast<double>(std::numeric_limits<int>::min())) {
        return std::numeric_limits<int>::min();
    }
    return static_cast<int>(value);
}

}  // namespace

int JsonDocument::GetCount(std::string_view path) {
    const Text p = Resolved(path);
    return ToInt32(EvalNumber(Join({"get__count(", p, ")"})));
}

JsonDocument JsonDocument::GetObject(std::string_view path) {
    const Text p = Resolved(path);
    JsonDocument document;
    document.Parse(EvalText(Join({"JSON.stringify(", p, ")", kUnmarkForJson})));
    return document;
}

bool JsonDocument::AddElement(std::string_view value, std::string_view path, bool literal,
                              bool atFront) {
    const Text p = Resolved(path);
    const Text v = literal ? Text(UpToZero(value)) : MarkedString(UpToZero(value));
    return Run(Join({"if (Object.prototype.toString.call(", p, ") != '[object Array]') { ", p,
                     " = new Array() } ", p, atFront ? ".unshift(" : ".push(", v, ")"}));
}

JsonDocument JsonDocument::GetElementObject(int index, std::string_view path) {
    const Text p = Resolved(path);
    JsonDocument document;
    document.Parse(
        EvalText(Join({"JSON.stringify(", p, "[", std::to_string(index), "])", kUnmarkForJson})));
    return document;
}

Text JsonDocument::GetElementText(int index, std::string_view path, bool jsonForm) {
    const Text p = Resolved(path);
    const Text i = std::to_string(index);
    if (jsonForm) {
        return EvalText(Join({"JSON.stringify(", p, "[", i, "])", kUnmark}));
    }
    return EvalText(Join({p, "[", i, "]", kUnmark}));
}

bool JsonDocument::SetElement(int index, std::string_view path, std::string_view value,
                              bool literal) {
    const Text p = Resolved(path);
    const Text v = literal ? Text(UpToZero(value)) : MarkedString(UpToZero(value));
    return Run(Join({p, "[", std::to_string(index), "] = ", v}));
}

bool JsonDocument::RemoveElement(int index, std::string_view path) {
    const Text p = Resolved(path);
    return Run(Join({p, ".splice(", std::to_string(index), ", 1)"}));
}

bool JsonDocument::Delete(std::string_view path) {
    const Text p = Resolved(path);
    return Run(Join({"delete ", p}));
}

bool JsonDocument::SetNumber(std::string_view path, double number) {
    const Text p = Resolved(path);
    // 13 significant digits as printf's %.13g gives them, but never in the
    // locale's notation: a decimal comma would turn the script into a comma expression.
    char digits[64];
    const auto written =
        std::to_chars(digits, digits + sizeof(digits), number, std::chars_format::general, 13);
    return Run(Join({p, " = ", std::string_view(digits, written.ptr - digits)}));
}

double JsonDocument::GetNumber(std::string_view path) {
    const Text p = Resolved(path);
    return EvalNumber(p);
}

Text JsonDocument::GetJson(std::string_view path) {
    return GetText(path, true);
}

std::shared_ptr<platform::ScriptHost> JsonDocument::GetEngine() {
    pristine_ = false;
    return engine_;
}

int JsonDocument::GetLeafValues(std::vector<Text>* values, std::string_view path, bool recursive) {
    const Text p = Resolved(path);
    Run("var str_all = new Array()");
    Run(Join({"get__nodeValue(", p, ", ", recursive ? "true" : "false", ")"}));
    std::vector<Text> pieces =
        SplitText(EvalText(Join({"str_all.join('", kValueSeparator, "')"})), kValueSeparator);
    const int count = static_cast<int>(pieces.size());
    if (values != nullptr) {
        *values = std::move(pieces);
    }
    return count;
}

}  // namespace cq
