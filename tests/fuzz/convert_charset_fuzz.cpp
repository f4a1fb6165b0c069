// ConvertCharset with arbitrary bytes and charset names, known ones and random
// ones. UTF-8 -> GBK -> UTF-8 gives back every well-formed UTF-8 text, since the
// program's GBK (GB18030) holds every character.
//
// Input: from-name choice, to-name choice, offset choice, then the data field and,
// for names chosen at random, the name fields.

#include <cstdint>
#include <optional>
#include <string>

#include "fuzz_input.h"
#include "text/convert_charset.h"

namespace {

constexpr const char* kNames[] = {
    "UTF-8",  "GBK",         "utf8",   "Unicode",  "GB18030", "cp936",  "936",
    "",       "ISO-8859-1",  "UTF-16", "UTF-16BE", "UTF-7",   "BIG5",   "SHIFT_JIS",
    "EUC-JP", "ISO-2022-JP", "UTF-32", "us-ascii", "KOI8-R",  "IBM037", "GBK//TRANSLIT",
};
constexpr std::size_t kNameCount = sizeof kNames / sizeof kNames[0];

std::string Name(std::uint8_t choice, cq::fuzz::FuzzInput& in) {
    if (choice < kNameCount) {
        return kNames[choice];
    }
    return std::string(in.Field(40));
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace cq::fuzz;
    FuzzInput in(data, size);
    const std::uint8_t fromChoice = in.Byte() % (kNameCount + 2);
    const std::uint8_t toChoice = in.Byte() % (kNameCount + 2);
    const std::uint8_t offsetChoice = in.Byte();
    const cq::Bytes bytes = cq::BytesFromText(in.Field());
    const std::string from = Name(fromChoice, in);
    const std::string to = Name(toChoice, in);
    std::optional<std::int64_t> offset;
    if (offsetChoice != 0) {
        offset = static_cast<std::int64_t>(offsetChoice % 16) - 2;
    }

    const cq::Bytes converted = cq::ConvertCharset(bytes, from, to, offset);
    Require(converted.size() <= bytes.size() * 16 + 64, "a conversion stays near its input's size");

    const std::string_view text(reinterpret_cast<const char*>(bytes.data()), bytes.size());
    if (IsUtf8(text) && !text.starts_with("\xEF\xBB\xBF")) {
        const cq::Bytes gbk = cq::ConvertCharset(bytes);
        const cq::Bytes back = cq::ConvertCharset(gbk, "GBK", "UTF-8", 3);
        Require(back == bytes, "UTF-8 text comes back unchanged from GBK");
        Require(gbk.empty() == bytes.empty(), "only nothing converts to nothing");
    }
    return 0;
}
