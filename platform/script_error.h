#pragma once

// What the script host reports about its last evaluation, kept apart from the host
// so that documents can hand it out without exposing the engine. The host writes its
// texts in UTF-8; a document hands the same record out in the program's code page.

#include <cstdint>
#include <string>

namespace cq::platform {

// Error numbers of the host (0 after a success).
enum ScriptErrorNumber : std::int32_t {
    kScriptOk = 0,
    kScriptSyntaxError = 1,     // the text does not compile
    kScriptReferenceError = 2,  // an undeclared name was read
    kScriptTypeError = 3,       // e.g. a member of null or undefined
    kScriptRangeError = 4,
    kScriptThrown = 5,      // any other value thrown and not caught
    kScriptTimeBudget = 6,  // stopped after running longer than the budget
    kScriptHeapLimit = 7,   // the engine wanted more memory than its cap
    kScriptNoEngine = 8,    // the engine could not be created or broke down
    kScriptNoLanguage = 9,  // Language was never set to a supported one
};

struct ScriptError {
    std::int32_t Number = 0;
    std::string Source;
    std::string Description;
    std::string HelpFile;
    std::int32_t HelpContext = 0;
    std::string Text;  // the source line of a syntax error
    std::int32_t Line = 0;
    std::int32_t Column = 0;  // the engine does not report columns: always 0
};

}  // namespace cq::platform
