// The prelude's helpers, and its JSON object for engines without one. Our engine has
// its own JSON, so the fallback is checked in a host where JSON was taken away first.

#include <gtest/gtest.h>

#include "json/json_document.h"
#include "platform/script_host.h"

namespace cq {
namespace {

struct ScriptCase {
    const char* expression;
    const char* result;
};

void ExpectResults(platform::ScriptHost& host, std::initializer_list<ScriptCase> cases) {
    for (const ScriptCase& c : cases) {
        SCOPED_TRACE(c.expression);
        EXPECT_EQ(host.EvalText(c.expression), c.result) << host.Error().Description;
        EXPECT_EQ(host.Error().Number, 0) << host.Error().Description;
    }
}

TEST(PreludeScript, HelpersPassOverTheFunctionsItAdds) {
    platform::ScriptHost host;
    ASSERT_TRUE(host.SetLanguage("JavaScript"));
    ASSERT_TRUE(host.AddCode(PreludeScript())) << host.Error().Description;
    ExpectResults(
        host,
        {
            {"typeof Object.prototype.toJSONString", "function"},
            {"({a: 1}).toJSONString()", R"({"a":1})"},
            {"'[1,2]'.parseJSON().length", "2"},
            {"get__count([1, 2, 3])", "3"},
            {"get__count({length: 3})", "0"},
            {"get__count('abc')", "0"},
            {"get__name_All({a: 1, f: function () {}, b: null})", "a\r\nb"},
            {"get__name_All([1])", ""},
            {"var str_all = []; get__nodeValue({a: 1, b: {c: 'x'}, d: true}, true).join('|')",
             "1|x|true"},
            {"var str_all = []; get__nodeValue([1, [2], null, 's'], false).join('|')", "1|s"},
            {"JSON.stringify(get__extend([1], [2, 3]))", "[1,2,3]"},
            {"JSON.stringify(get__extend({a: 1, b: {c: 1}, z: null}, {a: 'x', b: {d: 2}, z: 0}))",
             R"({"a":"x","b":{"c":1,"d":2},"z":0})"},
        });
}

TEST(PreludeScript, SuppliesJsonWhereTheEngineHasNone) {
    platform::ScriptHost host;
    ASSERT_TRUE(host.SetLanguage("JavaScript"));
    ASSERT_TRUE(
        host.AddCode("delete JSON; delete Date.prototype.toJSON; var hadJson = typeof JSON;"));
    ASSERT_EQ(host.EvalText("hadJson"), "undefined");
    ASSERT_TRUE(host.AddCode(PreludeScript())) << host.Error().Description;
    ExpectResults(
        host,
        {
            {"typeof JSON.stringify + typeof JSON.parse", "functionfunction"},
            {"JSON.stringify({a: 1, b: [1, null, undefined, 'x'], c: undefined, f: function () "
             "{}})",
             R"({"a":1,"b":[1,null,null,"x"]})"},
            {"JSON.stringify({})", "{}"},
            {"JSON.stringify([])", "[]"},
            {"JSON.stringify(1e21) + JSON.stringify(NaN) + JSON.stringify(true)", "1e+21nulltrue"},
            {"JSON.stringify('q\"b\\\\\\b\\t\\n\\f\\r\\u0001\\u007f\\u00ad\\u2028\\ufeff/\\u2400')",
             R"("q\"b\\\b\t\n\f\r\u0001\u007f\u00ad\u2028\ufeff/)"
             "\xE2\x90\x80\""},  // U+2400 stays as it is (the host speaks UTF-8)
            {"JSON.stringify(new Date(Date.UTC(2020, 6, 20, 8, 5, 9)))",
             R"("2020-07-20T08:05:09Z")"},
            {"JSON.stringify(new Date(NaN))", "null"},
            {"JSON.stringify({a: [1, {b: 2}]}, null, 2)",
             "{\n  \"a\": [\n    1,\n    {\n      \"b\": 2\n    }\n  ]\n}"},
            {"JSON.stringify({a: 1, b: 2}, ['b'])", R"({"b":2})"},
            {"JSON.stringify({a: 1, b: 2}, function (k, v) { return k === 'a' ? undefined : v; })",
             R"({"b":2})"},
            {"try { JSON.stringify({}, 5) } catch (e) { e.message }", "JSON.stringify"},
            {"JSON.parse('{\"a\": [1, \"x\", true, null, -2.5e3]}').a.join('|')",
             "1|x|true||-2500"},
            {"JSON.parse('[1, 2]', function (k, v) { return typeof v === 'number' ? v * 10 : v; "
             "}).join()",
             "10,20"},
            {"try { JSON.parse('alert(1)') } catch (e) { e.name + ': ' + e.message }",
             "SyntaxError: JSON.parse"},
            {"try { JSON.parse('{a: 1}') } catch (e) { e.message }", "JSON.parse"},
            {"({x: 'y'}).toJSONString()", R"({"x":"y"})"},
        });
}

}  // namespace
}  // namespace cq
