#pragma once

// The script host of the JSON document: one JavaScript engine with the members the
// document uses (Language, AddCode, Eval, Error). Like the script control it stands
// in for, it speaks Unicode: texts go in and come out as UTF-8 (read up to their
// first zero byte), and converting from and to the program's code page is the
// caller's part. Nothing throws out of the host: a failed evaluation gives the
// empty value of the kind asked for and leaves its report in Error().
//
// The engine runs what a web server sent, so each engine has a heap cap and each
// AddCode/Eval a time budget; a script over either is a failed evaluation and the
// host stays usable, except that after three time-outs in a row it refuses all
// further work (a value full of traps would otherwise cost the budget per read).
// A host belongs to the thread that created it.

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "platform/script_error.h"

namespace cq::platform {

namespace detail {
struct ScriptEngine;
struct ScriptOutcome;
enum class ScriptWant { kNothing, kText, kLogical, kNumber };
}  // namespace detail

struct ScriptLimits {
    std::size_t heapBytes = std::size_t{64} << 20;
    std::chrono::milliseconds timeBudget{2000};
};

class ScriptHost {
public:
    explicit ScriptHost(ScriptLimits limits = {});
    ~ScriptHost();
    ScriptHost(const ScriptHost&) = delete;
    ScriptHost& operator=(const ScriptHost&) = delete;

    // False when the engine could not be created or broke down; every call then fails.
    bool valid() const;

    // Only "JavaScript" (in any ASCII letter case) is accepted; until it is set,
    // AddCode and Eval fail.
    bool SetLanguage(std::string_view language);
    const std::string& Language() const { return language_; }

    // Runs code as global program code. True when it ran without error.
    bool AddCode(std::string_view code);

    // Compiles code as a program into the engine's bytecode, which AddBytecode of any
    // host runs like AddCode without compiling again; empty when it does not compile.
    // Only for scripts of our own: bytecode is trusted as it stands.
    std::vector<std::uint8_t> CompileProgram(std::string_view code);
    bool AddBytecode(const std::vector<std::uint8_t>& bytecode);

    // Evaluates an expression (or statements, giving the last value) in global scope.
    // Eval wants no result and tells whether the evaluation succeeded.
    bool Eval(std::string_view expression);
    // A string as it is, other values by the script's ToString; null and undefined
    // give the empty text. A surrogate the engine holds unpaired comes out as "?".
    std::string EvalText(std::string_view expression);
    // true/false; a number is true when neither 0 nor NaN; a text "true"/"false" (any
    // case) or a number's text; anything else is false.
    bool EvalLogical(std::string_view expression);
    // A number as it is, true -1 and false 0, a text that reads as a number its value;
    // anything else 0.
    double EvalNumber(std::string_view expression);

    // The report of the last AddCode or Eval. The source line of a syntax error is
    // cut to its first 200 characters.
    const ScriptError& Error() const { return error_; }

    // Bytes the engine holds now (for tests and diagnostics).
    std::size_t HeapBytesInUse() const;

private:
    bool Run(std::string_view code, detail::ScriptWant want, detail::ScriptOutcome* outcome);

    std::unique_ptr<detail::ScriptEngine> engine_;
    std::string language_;
    int consecutiveTimeouts_ = 0;
    ScriptError error_;
};

}  // namespace cq::platform
