#include "platform/script_host.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#include "duktape.h"
#include "platform/script_guard.h"

namespace cq::platform {

using Text = std::string;

namespace {

// A value can carry traps (a getter, a replaced String.prototype.replace) that make
// every later evaluation run into the time budget; a document read field by field
// would then take the budget once per field. After this many time-outs in a row the
// engine takes no more work.
constexpr int kTimeoutsBeforeStop = 3;

// Longest source line, in characters, copied into ScriptError::Text; a minified
// document is one line.
constexpr std::size_t kErrorLineMax = 200;

// Texts are zero-terminated strings at the host's boundary.
std::string_view UpToZero(std::string_view text) {
    return text.substr(0, std::min(text.find('\0'), text.size()));
}

bool EqualsIgnoreAsciiCase(std::string_view a, std::string_view b) {
    const auto fold = [](char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c + 32) : c; };
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(),
                                              [&](char x, char y) { return fold(x) == fold(y); });
}

// The engine keeps a character outside the BMP either as one code point or, when a
// script built it from \u escapes, as two surrogates each encoded on its own. Pairs
// are joined into real UTF-8; a lone surrogate or anything undecodable becomes "?",
// the character the program's code page uses for what it cannot hold.
Text ProperUtf8(std::string_view in) {
    Text out;
    out.reserve(in.size());
    auto byte = [&](std::size_t i) { return static_cast<unsigned char>(in[i]); };
    auto cont = [&](std::size_t i) { return i < in.size() && (byte(i) & 0xC0) == 0x80; };
    std::size_t i = 0;
    while (i < in.size()) {
        const unsigned char b = byte(i);
        if (b < 0x80) {
            out.push_back(static_cast<char>(b));
            ++i;
            continue;
        }
        std::size_t len = 0;
        char32_t cp = 0;
        if (b >= 0xC2 && b <= 0xDF && cont(i + 1)) {
            len = 2;
            cp = ((b & 0x1Fu) << 6) | (byte(i + 1) & 0x3Fu);
        } else if (b >= 0xE0 && b <= 0xEF && cont(i + 1) && cont(i + 2)) {
            len = 3;
            cp = ((b & 0x0Fu) << 12) | ((byte(i + 1) & 0x3Fu) << 6) | (byte(i + 2) & 0x3Fu);
            if (cp < 0x800) {
                len = 0;
            }
        } else if (b >= 0xF0 && b <= 0xF4 && cont(i + 1) && cont(i + 2) && cont(i + 3)) {
            len = 4;
            cp = ((b & 0x07u) << 18) | ((byte(i + 1) & 0x3Fu) << 12) |
                 ((byte(i + 2) & 0x3Fu) << 6) | (byte(i + 3) & 0x3Fu);
            if (cp < 0x10000 || cp > 0x10FFFF) {
                len = 0;
            }
        }
        if (len == 0) {
            out.push_back('?');
            ++i;
            continue;
        }
        if (cp >= 0xD800 && cp <= 0xDBFF && i + 5 < in.size() && byte(i + 3) == 0xED &&
            byte(i + 4) >= 0xB0 && byte(i + 4) <= 0xBF && cont(i + 5)) {
            const char32_t low = 0xD000u | ((byte(i + 4) & 0x3Fu) << 6) | (byte(i + 5) & 0x3Fu);
            const char32_t joined = 0x10000 + ((cp - 0xD800) << 10) + (low - 0xDC00);
            out.push_back(static_cast<char>(0xF0 | (joined >> 18)));
            out.push_back(static_cast<char>(0x80 | ((joined >> 12) & 0x3F)));
            out.push_back(static_cast<char>(0x80 | ((joined >> 6) & 0x3F)));
            out.push_back(static_cast<char>(0x80 | (joined & 0x3F)));
            i += 6;
            continue;
        }
        if (cp >= 0xD800 && cp <= 0xDFFF) {
            out.push_back('?');
        } else {
            out.append(in.substr(i, len));
        }
        i += len;
    }
    return out;
}

Text FromEngine(std::string_view utf8) {
    return ProperUtf8(UpToZero(utf8));
}

// Line `line` (1-based) of a UTF-8 text, cut to its first kErrorLineMax characters.
Text SourceLine(std::string_view source, int line) {
    std::size_t start = 0;
    for (int n = 1; n < line; ++n) {
        const std::size_t lf = source.find('\n', start);
        if (lf == std::string_view::npos) {
            return {};
        }
        start = lf + 1;
    }
    std::size_t end = std::min(source.find('\n', start), source.size());
    if (end > start && source[end - 1] == '\r') {
        --end;
    }
    const std::string_view text = source.substr(start, end - start);
    std::size_t cut = 0;
    for (std::size_t characters = 0; cut < text.size() && characters < kErrorLineMax;
         ++characters) {
        // Past the lead byte and its continuation bytes.
        ++cut;
        while (cut < text.size() && (static_cast<unsigned char>(text[cut]) & 0xC0) == 0x80) {
            ++cut;
        }
    }
    return FromEngine(text.substr(0, cut));
}

}  // namespace

namespace detail {

struct ScriptEngine {
    cq_script_guard guard;
    duk_context* ctx = nullptr;
    std::int64_t budgetNs = 0;
};

// What one evaluation produced. Filled inside the engine, where a fatal error may
// leave by longjmp: only pointers and trivially destructible members here.
struct ScriptOutcome {
    duk_context* ctx = nullptr;
    // UTF-8 source text, or bytecode when form is kBytecode.
    const char* source = nullptr;
    std::size_t sourceLength = 0;
    enum Form { kEval, kProgram, kBytecode, kDump } form = kEval;
    ScriptWant want = ScriptWant::kNothing;

    enum Stage { kCompile, kRun, kConvert } stage = kCompile;
    bool ok = false;
    Text* text = nullptr;  // UTF-8 result when text was asked for; the bytecode for kDump
    bool logical = false;
    double number = 0;

    bool described = false;
    int errorCode = 0;
    int lineNumber = 0;
    Text* message = nullptr;  // UTF-8
};

}  // namespace detail

namespace {

using detail::ScriptEngine;
using Outcome = detail::ScriptOutcome;
using Want = detail::ScriptWant;

// Value at the top converted as asked; it replaces the value.
duk_ret_t Evaluate(duk_context* ctx, void* udata) {
    auto* o = static_cast<Outcome*>(udata);
    o->stage = Outcome::kCompile;
    if (o->form == Outcome::kBytecode) {
        void* buffer = duk_push_fixed_buffer(ctx, o->sourceLength);
        std::memcpy(buffer, o->source, o->sourceLength);
        duk_load_function(ctx);
    } else {
        duk_push_string(ctx, "input");
        duk_compile_lstring_filename(ctx, o->form == Outcome::kEval ? DUK_COMPILE_EVAL : 0,
                                     o->source, o->sourceLength);
        if (o->form == Outcome::kDump) {
            duk_dump_function(ctx);
            return 1;
        }
    }
    o->stage = Outcome::kRun;
    duk_call(ctx, 0);
    o->stage = Outcome::kConvert;
    switch (o->want) {
        case Want::kNothing:
            break;
        case Want::kText:
            if (duk_is_null_or_undefined(ctx, -1)) {
                duk_pop(ctx);
                duk_push_string(ctx, "");
            } else {
                duk_to_string(ctx, -1);
            }
            break;
        case Want::kLogical: {
            bool value = false;
            if (duk_is_boolean(ctx, -1)) {
                value = duk_get_boolean(ctx, -1);
            } else if (duk_is_number(ctx, -1)) {
                const double n = duk_get_number(ctx, -1);
                value = n != 0 && !std::isnan(n);
            } else if (duk_is_string(ctx, -1)) {
                duk_size_t len = 0;
                const char* s = duk_get_lstring(ctx, -1, &len);
                const std::string_view text(s, len);
                if (EqualsIgnoreAsciiCase(text, "true")) {
                    value = true;
                } else if (!EqualsIgnoreAsciiCase(text, "false")) {
                    const double n = duk_to_number(ctx, -1);
                    value = n != 0 && !std::isnan(n);
                }
            }
            duk_pop(ctx);
            duk_push_boolean(ctx, value);
            break;
        }
        case Want::kNumber: {
            double value = 0;
            if (duk_is_number(ctx, -1)) {
                value = duk_get_number(ctx, -1);
            } else if (duk_is_boolean(ctx, -1)) {
                value = duk_get_boolean(ctx, -1) ? -1 : 0;
            } else if (duk_is_string(ctx, -1)) {
                value = duk_to_number(ctx, -1);
                if (std::isnan(value)) {
                    value = 0;
                }
            }
            duk_pop(ctx);
            duk_push_number(ctx, value);
            break;
        }
    }
    return 1;
}

// Takes the thrown value and leaves its message. Getters of a thrown object are
// script code, so this runs protected too.
duk_ret_t Describe(duk_context* ctx, void* udata) {
    auto* o = static_cast<Outcome*>(udata);
    o->errorCode = duk_get_error_code(ctx, -1);
    if (duk_is_error(ctx, -1)) {
        duk_get_prop_string(ctx, -1, "lineNumber");
        if (duk_is_number(ctx, -1)) {
            const double line = duk_get_number(ctx, -1);
            if (line >= 1 && line <= 2147483647.0) {
                o->lineNumber = static_cast<int>(line);
            }
        }
        duk_pop(ctx);
        duk_get_prop_string(ctx, -1, "message");
        duk_to_string(ctx, -1);
    } else {
        duk_dup(ctx, -1);
        duk_to_string(ctx, -1);
    }
    return 1;
}

void RunInEngine(void* arg) {
    auto* o = static_cast<Outcome*>(arg);
    duk_context* ctx = o->ctx;
    if (duk_safe_call(ctx, Evaluate, o, 0, 1) == DUK_EXEC_SUCCESS) {
        o->ok = true;
        if (o->form == Outcome::kDump) {
            duk_size_t size = 0;
            const void* data = duk_get_buffer_data(ctx, -1, &size);
            o->text->assign(static_cast<const char*>(data), data != nullptr ? size : 0);
            duk_pop(ctx);
            return;
        }
        switch (o->want) {
            case Want::kNothing:
                break;
            case Want::kText: {
                duk_size_t len = 0;
                const char* s = duk_get_lstring(ctx, -1, &len);
                o->text->assign(s != nullptr ? s : "", s != nullptr ? len : 0);
                break;
            }
            case Want::kLogical:
                o->logical = duk_get_boolean(ctx, -1);
                break;
            case Want::kNumber:
                o->number = duk_get_number(ctx, -1);
                break;
        }
    } else if (duk_safe_call(ctx, Describe, o, 1, 1) == DUK_EXEC_SUCCESS) {
        duk_size_t len = 0;
        const char* s = duk_get_lstring(ctx, -1, &len);
        if (s != nullptr) {
            o->message->assign(s, len);
            o->described = true;
        }
    }
    duk_pop(ctx);
}

duk_ret_t Harden(duk_context* ctx, void*) {
    // The engine's own namespace can register finalizers, which would run outside
    // any evaluation; no document needs it.
    duk_push_global_object(ctx);
    duk_del_prop_string(ctx, -1, "Duktape");
    return 0;
}

void CreateInEngine(void* arg) {
    auto* engine = static_cast<ScriptEngine*>(arg);
    engine->ctx = duk_create_heap(cq_script_alloc, cq_script_realloc, cq_script_free,
                                  &engine->guard, cq_script_fatal);
    if (engine->ctx != nullptr) {
        if (duk_safe_call(engine->ctx, Harden, nullptr, 0, 1) != DUK_EXEC_SUCCESS) {
            duk_destroy_heap(engine->ctx);
            engine->ctx = nullptr;
            return;
        }
        duk_pop(engine->ctx);
    }
}

void DestroyInEngine(void* arg) {
    auto* engine = static_cast<ScriptEngine*>(arg);
    duk_destroy_heap(engine->ctx);
    engine->ctx = nullptr;
}

ScriptError Failure(std::int32_t number, std::string_view description) {
    ScriptError error;
    error.Number = number;
    error.Source = "Script host";
    error.Description = Text(description);
    return error;
}

}  // namespace

ScriptHost::ScriptHost(ScriptLimits limits) : engine_(std::make_unique<ScriptEngine>()) {
    cq_script_guard_init(&engine_->guard, limits.heapBytes);
    engine_->budgetNs =
        std::chrono::duration_cast<std::chrono::nanoseconds>(limits.timeBudget).count();
    if (!cq_script_guarded(&engine_->guard, engine_->budgetNs, CreateInEngine, engine_.get()) ||
        engine_->ctx == nullptr) {
        engine_->ctx = nullptr;
        cq_script_free_all(&engine_->guard);
    }
}

ScriptHost::~ScriptHost() {
    if (engine_->ctx != nullptr) {
        cq_script_guarded(&engine_->guard, engine_->budgetNs, DestroyInEngine, engine_.get());
    }
    // After a fatal error the engine may not even be destroyed; its memory is ours.
    cq_script_free_all(&engine_->guard);
}

bool ScriptHost::valid() const {
    return engine_->ctx != nullptr;
}

std::size_t ScriptHost::HeapBytesInUse() const {
    return engine_->guard.used;
}

bool ScriptHost::SetLanguage(std::string_view language) {
    if (!EqualsIgnoreAsciiCase(UpToZero(language), "JavaScript")) {
        error_ = Failure(kScriptNoLanguage, "Only JavaScript is supported");
        return false;
    }
    language_ = "JavaScript";
    return true;
}

bool ScriptHost::Run(std::string_view code, Want want, Outcome* outcome) {
    if (!valid()) {
        error_ = Failure(kScriptNoEngine, "The script engine is not available");
        return false;
    }
    if (language_.empty()) {
        error_ = Failure(kScriptNoLanguage, "No script language has been set");
        return false;
    }
    if (consecutiveTimeouts_ >= kTimeoutsBeforeStop) {
        error_ = Failure(kScriptTimeBudget,
                         "The engine was stopped after repeated runs over the time budget");
        return false;
    }
    const bool bytecode = outcome->form == Outcome::kBytecode;
    const std::string_view source = bytecode ? code : UpToZero(code);
    Text message;
    outcome->ctx = engine_->ctx;
    outcome->source = source.data();
    outcome->sourceLength = source.size();
    outcome->want = want;
    outcome->message = &message;

    if (!cq_script_guarded(&engine_->guard, engine_->budgetNs, RunInEngine, outcome)) {
        // The engine declared itself broken; it must not be touched again.
        engine_->ctx = nullptr;
        cq_script_free_all(&engine_->guard);
        error_ = Failure(kScriptNoEngine,
                         "The script engine broke down: " + Text(engine_->guard.fatal_message));
        return false;
    }
    consecutiveTimeouts_ = engine_->guard.timed_out ? consecutiveTimeouts_ + 1 : 0;
    if (outcome->ok) {
        error_ = ScriptError{};
        return true;
    }

    ScriptError error;
    const bool compiling = outcome->stage == Outcome::kCompile;
    error.Source = compiling ? "JavaScript compilation error" : "JavaScript runtime error";
    error.Line = outcome->lineNumber;
    if (engine_->guard.timed_out) {
        error.Number = kScriptTimeBudget;
        error.Description = "The script ran longer than its time budget";
    } else if (engine_->guard.refused) {
        // The engine reports a refused allocation as a plain Error ("alloc failed");
        // whatever was thrown in the end, the cap is what stopped the script.
        error.Number = kScriptHeapLimit;
        error.Description = "The script needed more memory than its engine may use";
    } else {
        switch (outcome->errorCode) {
            case DUK_ERR_SYNTAX_ERROR:
                error.Number = kScriptSyntaxError;
                break;
            case DUK_ERR_REFERENCE_ERROR:
                error.Number = kScriptReferenceError;
                break;
            case DUK_ERR_TYPE_ERROR:
                error.Number = kScriptTypeError;
                break;
            case DUK_ERR_RANGE_ERROR:
                error.Number = kScriptRangeError;
                break;
            default:
                error.Number = kScriptThrown;
                break;
        }
        error.Description = outcome->described ? FromEngine(message) : Text("Script error");
    }
    if (compiling && error.Line > 0) {
        error.Text = SourceLine(source, error.Line);
    }
    error_ = std::move(error);
    return false;
}

bool ScriptHost::AddCode(std::string_view code) {
    Outcome outcome;
    outcome.form = Outcome::kProgram;
    return Run(code, Want::kNothing, &outcome);
}

std::vector<std::uint8_t> ScriptHost::CompileProgram(std::string_view code) {
    Text dumped;
    Outcome outcome;
    outcome.form = Outcome::kDump;
    outcome.text = &dumped;
    if (!Run(code, Want::kNothing, &outcome)) {
        return {};
    }
    return std::vector<std::uint8_t>(dumped.begin(), dumped.end());
}

bool ScriptHost::AddBytecode(const std::vector<std::uint8_t>& bytecode) {
    Outcome outcome;
    outcome.form = Outcome::kBytecode;
    return Run(std::string_view(reinterpret_cast<const char*>(bytecode.data()), bytecode.size()),
               Want::kNothing, &outcome);
}

bool ScriptHost::Eval(std::string_view expression) {
    Outcome outcome;
    return Run(expression, Want::kNothing, &outcome);
}

Text ScriptHost::EvalText(std::string_view expression) {
    Text utf8;
    Outcome outcome;
    outcome.text = &utf8;
    if (!Run(expression, Want::kText, &outcome)) {
        return {};
    }
    return FromEngine(utf8);
}

bool ScriptHost::EvalLogical(std::string_view expression) {
    Outcome outcome;
    return Run(expression, Want::kLogical, &outcome) && outcome.logical;
}

double ScriptHost::EvalNumber(std::string_view expression) {
    Outcome outcome;
    return Run(expression, Want::kNumber, &outcome) ? outcome.number : 0;
}

}  // namespace cq::platform
