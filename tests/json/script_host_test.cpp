#include "platform/script_host.h"

#include <gtest/gtest.h>

#include <cmath>
#include <string>

#include "platform/script_guard.h"

namespace cq::platform {
namespace {

class ScriptHostTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(host_.valid());
        ASSERT_TRUE(host_.SetLanguage("JavaScript"));
    }
    ScriptHost host_;
};

TEST(ScriptHostLanguage, OnlyJavaScriptIsAccepted) {
    ScriptHost host;
    ASSERT_TRUE(host.valid());
    EXPECT_FALSE(host.Eval("1"));
    EXPECT_EQ(host.Error().Number, kScriptNoLanguage);

    EXPECT_FALSE(host.SetLanguage("VBScript"));
    EXPECT_EQ(host.Error().Number, kScriptNoLanguage);
    EXPECT_EQ(host.Language(), "");

    EXPECT_TRUE(host.SetLanguage("javascript"));
    EXPECT_EQ(host.Language(), "JavaScript");
    EXPECT_EQ(host.EvalNumber("1 + 1"), 2);
    EXPECT_EQ(host.Error().Number, kScriptOk);
}

struct EvalCase {
    const char* expression;
    const char* text;
    bool logical;
    double number;
};

TEST_F(ScriptHostTest, EvalGivesEachKindAsAsked) {
    const EvalCase cases[] = {
        {"'abc'", "abc", false, 0},
        {"'42'", "42", true, 42},
        {"' 7.5 '", " 7.5 ", true, 7.5},
        {"'True'", "True", true, 0},
        {"'false'", "false", false, 0},
        {"''", "", false, 0},
        {"12.5", "12.5", true, 12.5},
        {"1234", "1234", true, 1234},
        {"1e21", "1e+21", true, 1e21},
        {"0", "0", false, 0},
        {"true", "true", true, -1},
        {"false", "false", false, 0},
        {"null", "", false, 0},
        {"undefined", "", false, 0},
        {"({})", "[object Object]", false, 0},
        {"[1, 'a', null]", "1,a,", false, 0},
        {"var x = 5; x * 2", "10", true, 10},
    };
    for (const EvalCase& c : cases) {
        SCOPED_TRACE(c.expression);
        EXPECT_EQ(host_.EvalText(c.expression), c.text);
        EXPECT_EQ(host_.EvalLogical(c.expression), c.logical);
        EXPECT_EQ(host_.EvalNumber(c.expression), c.number);
        EXPECT_EQ(host_.Error().Number, kScriptOk);
    }
    EXPECT_TRUE(std::isnan(host_.EvalNumber("NaN")));
    EXPECT_FALSE(host_.EvalLogical("NaN"));
}

TEST_F(ScriptHostTest, AddCodeRunsGlobalCodeThatEvalSees) {
    EXPECT_TRUE(host_.AddCode("var counter = 1;\nfunction bump() { return ++counter; }"));
    EXPECT_EQ(host_.EvalNumber("bump()"), 2);
    EXPECT_TRUE(host_.Eval("var later = 'x'"));
    EXPECT_EQ(host_.EvalText("later + counter"), "x2");
}

struct FailureCase {
    const char* code;
    bool program;
    std::int32_t number;
    const char* source;
    const char* description;  // expected inside Description
    std::int32_t line;
    const char* text;
};

TEST_F(ScriptHostTest, FailuresGiveEmptyResultsAndAReport) {
    const FailureCase cases[] = {
        {"var a = 1;\nvar = 2;", true, kScriptSyntaxError, "JavaScript compilation error", "", 2,
         "var = 2;"},
        {"1 +", false, kScriptSyntaxError, "JavaScript compilation error", "", 1, "1 +"},
        {"missingName.x", false, kScriptReferenceError, "JavaScript runtime error", "missingName",
         0, ""},
        {"null.x", false, kScriptTypeError, "JavaScript runtime error", "", 0, ""},
        {"throw new RangeError('far')", false, kScriptRangeError, "JavaScript runtime error", "far",
         0, ""},
        {"throw new Error('boom')", true, kScriptThrown, "JavaScript runtime error", "boom", 0, ""},
        {"throw 'plain text'", false, kScriptThrown, "JavaScript runtime error", "plain text", 0,
         ""},
        {"var e = new Error('x'); Object.defineProperty(e, 'message', {get: function () { "
         "throw 1; }}); throw e",
         false, kScriptThrown, "JavaScript runtime error", "Script error", 0, ""},
    };
    for (const FailureCase& c : cases) {
        SCOPED_TRACE(c.code);
        if (c.program) {
            EXPECT_FALSE(host_.AddCode(c.code));
        } else {
            EXPECT_EQ(host_.EvalText(c.code), "");
            EXPECT_EQ(host_.Error().Number, c.number);
            EXPECT_EQ(host_.EvalNumber(c.code), 0);
            EXPECT_FALSE(host_.EvalLogical(c.code));
        }
        const ScriptError& error = host_.Error();
        EXPECT_EQ(error.Number, c.number);
        EXPECT_EQ(error.Source, c.source);
        EXPECT_NE(error.Description, "");
        EXPECT_NE(error.Description.find(c.description), std::string::npos) << error.Description;
        if (c.line != 0) {
            EXPECT_EQ(error.Line, c.line);
        }
        EXPECT_EQ(error.Text, c.text);
        EXPECT_EQ(error.Column, 0);

        EXPECT_TRUE(host_.Eval("1"));
        EXPECT_EQ(host_.Error().Number, kScriptOk);
        EXPECT_EQ(host_.Error().Description, "");
    }
}

// The host speaks UTF-8 whatever the code page of the program; this file's narrow
// literals are GBK, so UTF-8 texts are written as u8 literals.
std::string U8(std::u8string_view text) {
    return std::string(text.begin(), text.end());
}

TEST_F(ScriptHostTest, SyntaxErrorLineIsCutToTwoHundredCharacters) {
    // One long line of three-byte characters ending in an error; the copied line
    // holds its first 200 characters, none of them split.
    std::string code = "var s = '";
    for (int i = 0; i < 300; ++i) {
        code += U8(u8"节");
    }
    code += "' +";
    EXPECT_FALSE(host_.AddCode(code));
    const std::string& line = host_.Error().Text;
    std::string expected = "var s = '";
    for (int i = 0; i < 191; ++i) {
        expected += U8(u8"节");
    }
    EXPECT_EQ(line, expected);
}

TEST_F(ScriptHostTest, TextsCrossAsUtf8) {
    const std::string title = U8(u8"晨间新闻：今日要闻（第12期）");
    EXPECT_EQ(host_.EvalText("'" + title + "'"), title);
    EXPECT_EQ(host_.EvalNumber("'" + title + "'.length"), 15);
    EXPECT_TRUE(host_.AddCode(U8(u8"var 标题 = '") + title + "';"));
    EXPECT_EQ(host_.EvalText(U8(u8"标题")), title);
    EXPECT_EQ(host_.EvalText(U8(u8"'误' + 1")), U8(u8"误1"));
}

TEST_F(ScriptHostTest, CharactersOutsideTheBmpComeOutAsUtf8OrQuestionMark) {
    const std::string emoji = "\xF0\x9F\x98\x80";  // U+1F600
    EXPECT_EQ(host_.EvalText("'" + emoji + "'"), emoji);
    // Built from escapes the engine holds a surrogate pair; it comes out the same.
    EXPECT_EQ(host_.EvalText("'\\ud83d\\ude00'"), emoji);
    EXPECT_EQ(host_.EvalText("'a\\ud800b'"), "a?b");
    EXPECT_EQ(host_.EvalText("'\\udc00'"), "?");
    EXPECT_EQ(host_.EvalNumber("'" + emoji + "'.length"), 2);
}

TEST_F(ScriptHostTest, TextsAreCutAtTheirFirstZeroByte) {
    EXPECT_EQ(host_.EvalText(std::string("'abc'\0garbage", 13)), "abc");
    EXPECT_EQ(host_.EvalText("'a\\u0000b'"), "a");
}

TEST(ScriptHostLimits, ScriptOverItsTimeBudgetIsStoppedAndHostStaysUsable) {
    ScriptHost host({.timeBudget = std::chrono::milliseconds(200)});
    ASSERT_TRUE(host.SetLanguage("JavaScript"));
    const char* loops[] = {
        "while (true) {}",
        // A catch block cannot swallow the stop.
        "for (;;) { try { while (true) {} } catch (e) {} finally { while (true) {} } }",
        "var s = ''; for (var i = 0; ; i++) { s = String(i); }",
        // Long loops inside the engine's own functions never reach the bytecode
        // interrupt; they are stopped through their allocations.
        "new Array(1e9).join('')",
        "var a = new Array(1e8); a.reverse()",
        "/(a+)+b/.test('aaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaac')",
    };
    for (const char* loop : loops) {
        SCOPED_TRACE(loop);
        EXPECT_FALSE(host.AddCode(loop));
        EXPECT_EQ(host.Error().Number, kScriptTimeBudget);
        EXPECT_EQ(host.EvalText("'x' + 1"), "x1");
        EXPECT_EQ(host.Error().Number, kScriptOk);
    }
    EXPECT_TRUE(host.AddCode("function spin() { while (true) {} }"));
    EXPECT_EQ(host.EvalText("spin()"), "");
    EXPECT_EQ(host.Error().Number, kScriptTimeBudget);
}

TEST(ScriptHostLimits, RepeatedTimeOutsStopTheEngine) {
    ScriptHost host({.timeBudget = std::chrono::milliseconds(100)});
    ASSERT_TRUE(host.SetLanguage("JavaScript"));
    // A trap every later read runs into.
    ASSERT_TRUE(host.AddCode("String.prototype.replace = function () { for (;;) {} };"));
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(host.EvalText("'a'.replace('a', 'b')"), "");
        EXPECT_EQ(host.Error().Number, kScriptTimeBudget);
        EXPECT_EQ(host.Error().Source, "JavaScript runtime error");
    }
    // From now on the engine is not entered at all.
    EXPECT_EQ(host.EvalNumber("1 + 1"), 0);
    EXPECT_EQ(host.Error().Number, kScriptTimeBudget);
    EXPECT_EQ(host.Error().Source, "Script host");

    // Time-outs with successes in between never add up.
    ScriptHost other({.timeBudget = std::chrono::milliseconds(100)});
    ASSERT_TRUE(other.SetLanguage("JavaScript"));
    for (int i = 0; i < 4; ++i) {
        EXPECT_FALSE(other.Eval("for (;;) {}"));
        EXPECT_EQ(other.EvalNumber("1 + 1"), 2);
    }
}

TEST(ScriptHostLimits, ScriptOverTheHeapCapFailsAndMemoryIsGivenBack) {
    // A budget long enough that only the cap can stop these, even under a sanitizer
    // on a busy machine.
    const std::size_t cap = std::size_t{8} << 20;
    ScriptHost host({.heapBytes = cap, .timeBudget = std::chrono::seconds(120)});
    ASSERT_TRUE(host.valid());
    ASSERT_TRUE(host.SetLanguage("JavaScript"));
    const char* hogs[] = {
        "(function () { var a = []; for (;;) a.push('item number ' + a.length); })()",
        "(function () { var s = 'x'; for (;;) s = s + s; })()",
        "(function () { var a = []; for (;;) a.push({n: a.length}); })()",
    };
    for (const char* hog : hogs) {
        SCOPED_TRACE(hog);
        EXPECT_FALSE(host.Eval(hog));
        EXPECT_EQ(host.Error().Number, kScriptHeapLimit);
        EXPECT_LE(host.HeapBytesInUse(), cap);
        EXPECT_EQ(host.EvalNumber("[1, 2, 3].length"), 3);
    }
}

TEST(ScriptHostLimits, DeepRecursionFailsCleanly) {
    ScriptHost host;
    ASSERT_TRUE(host.SetLanguage("JavaScript"));
    EXPECT_FALSE(host.Eval("(function f() { return f() + 1; })()"));
    EXPECT_EQ(host.Error().Number, kScriptRangeError);
    // Recursion through native calls.
    EXPECT_FALSE(host.Eval("(function g() { return [1].map(g); })()"));
    EXPECT_NE(host.Error().Number, kScriptOk);
    EXPECT_FALSE(host.Eval(std::string(100000, '[') + std::string(100000, ']')));
    EXPECT_NE(host.Error().Number, kScriptOk);
    EXPECT_FALSE(host.Eval("JSON.parse('" + std::string(100000, '[') + "')"));
    EXPECT_NE(host.Error().Number, kScriptOk);
    EXPECT_EQ(host.EvalNumber("2 * 21"), 42);
}

// The guard underneath: the engine's fatal errors come back to the caller instead of
// ending the process, and the allocator keeps to its cap.
TEST(ScriptGuard, FatalErrorReturnsToTheCaller) {
    cq_script_guard guard;
    cq_script_guard_init(&guard, 1024);
    int reached = 0;
    struct Arg {
        cq_script_guard* guard;
        int* reached;
    } arg{&guard, &reached};
    const int ran = cq_script_guarded(
        &guard, 0,
        [](void* p) {
            auto* a = static_cast<Arg*>(p);
            *a->reached = 1;
            cq_script_fatal(a->guard, "engine gave up");
            *a->reached = 2;
        },
        &arg);
    EXPECT_EQ(ran, 0);
    EXPECT_EQ(reached, 1);
    EXPECT_EQ(guard.fatal, 1);
    EXPECT_STREQ(guard.fatal_message, "engine gave up");
    // With a null heap pointer the guard of the running call is used.
    EXPECT_EQ(cq_script_guarded(
                  &guard, 0, [](void*) { cq_script_fatal(nullptr, "no heap"); }, nullptr),
              0);
    EXPECT_STREQ(guard.fatal_message, "no heap");
}

TEST(ScriptGuard, AllocatorKeepsToItsCapAndReleasesEverything) {
    cq_script_guard guard;
    cq_script_guard_init(&guard, 4096);
    void* a = cq_script_alloc(&guard, 1000);
    ASSERT_NE(a, nullptr);
    EXPECT_GE(guard.used, 1000u);
    EXPECT_EQ(cq_script_alloc(&guard, 5000), nullptr);
    EXPECT_EQ(guard.refused, 1);
    void* b = cq_script_realloc(&guard, a, 2000);
    ASSERT_NE(b, nullptr);
    EXPECT_EQ(cq_script_realloc(&guard, b, 8000), nullptr);  // refused: b stays valid
    static_cast<char*>(b)[1999] = 'x';
    void* c = cq_script_alloc(&guard, 100);
    ASSERT_NE(c, nullptr);
    EXPECT_EQ(cq_script_realloc(&guard, c, 0), nullptr);
    EXPECT_EQ(cq_script_alloc(&guard, SIZE_MAX - 8), nullptr);
    cq_script_free_all(&guard);  // b is released here; ASan would report a leak otherwise
    EXPECT_EQ(guard.used, 0u);
    EXPECT_EQ(guard.blocks, nullptr);
}

}  // namespace
}  // namespace cq::platform
