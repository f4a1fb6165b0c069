#pragma once

// A stream of bytes that can be read and written as bytes or as text in a named
// charset, as the program's charset conversion expects of it. Every call reports
// failure through its result and leaves the stream usable.

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace cq::platform {

class TextStream {
public:
    enum class Type { Binary = 1, Text = 2 };

    bool Open();
    void Close();
    bool SetType(Type type);
    // Accepts every charset name iconv knows, in any letter case; "GBK" is served
    // by GB18030 and "Unicode" is UTF-16LE. False for an unknown name.
    bool SetCharset(std::string_view name);
    // False when the position lies outside 0..size.
    bool SetPosition(long long position);
    long long Size() const { return static_cast<long long>(buffer_.size()); }

    // Binary mode: bytes at the position, which moves past them.
    bool Write(std::string_view bytes);
    // Binary mode: everything from the position to the end.
    std::vector<std::uint8_t> Read();

    // Text mode: decodes from the position to the end in the charset (a leading
    // byte-order mark of that charset is skipped).
    std::u32string ReadText();
    // Text mode: encodes in the charset at the position, a byte-order mark first
    // for UTF-8 and Unicode at the start of the stream; the stream ends after it.
    bool WriteText(std::u32string_view text);

private:
    bool open_ = false;
    Type type_ = Type::Binary;
    std::string charset_ = "UTF-16LE";
    bool charsetValid_ = true;
    std::string bom_ = "\xFF\xFE";
    std::string buffer_;
    std::size_t position_ = 0;
};

}  // namespace cq::platform
