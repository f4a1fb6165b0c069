#include "platform/text_stream.h"

#include <algorithm>
#include <bit>
#include <cctype>

#include "platform/charset_converter.h"

namespace cq::platform {

namespace {

// The code units of the stream's text form: UTF-32 in the machine's byte order,
// which is what glibc converts through anyway, so it costs no extra pass.
const char* NativeUtf32() {
    return std::endian::native == std::endian::little ? "UTF-32LE" : "UTF-32BE";
}

std::string Upper(std::string_view name) {
    std::string upper(name);
    for (char& c : upper) {
        c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    }
    return upper;
}

struct CharsetInfo {
    std::string iconvName;
    std::string bom;
};

CharsetInfo Resolve(std::string_view name) {
    const std::string upper = Upper(name);
    if (upper == "GBK" || upper == "CP936" || upper == "936") {
        return {"GB18030", ""};
    }
    if (upper == "UTF-8" || upper == "UTF8") {
        return {"UTF-8", "\xEF\xBB\xBF"};
    }
    if (upper == "UNICODE") {
        return {"UTF-16LE", "\xFF\xFE"};
    }
    return {upper, ""};
}

}  // namespace

bool TextStream::Open() {
    if (open_) {
        return false;
    }
    open_ = true;
    buffer_.clear();
    position_ = 0;
    return true;
}

void TextStream::Close() {
    open_ = false;
    buffer_.clear();
    buffer_.shrink_to_fit();
    position_ = 0;
}

bool TextStream::SetType(Type type) {
    // The type can only change where it cannot cut a character in two.
    if (open_ && position_ != 0) {
        return false;
    }
    type_ = type;
    return true;
}

bool TextStream::SetCharset(std::string_view name) {
    if (name.empty()) {
        return false;
    }
    CharsetInfo info = Resolve(name);
    CharsetConverter probe(info.iconvName.c_str(), NativeUtf32());
    if (!probe.valid()) {
        // An unknown name leaves the stream unable to read or write text, so
        // nothing is silently decoded in a charset the caller did not ask for.
        charsetValid_ = false;
        return false;
    }
    charset_ = std::move(info.iconvName);
    bom_ = std::move(info.bom);
    charsetValid_ = true;
    return true;
}

bool TextStream::SetPosition(long long position) {
    if (!open_ || position < 0 || position > Size()) {
        return false;
    }
    position_ = static_cast<std::size_t>(position);
    return true;
}

bool TextStream::Write(std::string_view bytes) {
    if (!open_ || type_ != Type::Binary) {
        return false;
    }
    buffer_.replace(position_, std::min(bytes.size(), buffer_.size() - position_), bytes);
    position_ += bytes.size();
    return true;
}

std::vector<std::uint8_t> TextStream::Read() {
    if (!open_ || type_ != Type::Binary) {
        return {};
    }
    std::vector<std::uint8_t> bytes(buffer_.begin() + static_cast<std::ptrdiff_t>(position_),
                                    buffer_.end());
    position_ = buffer_.size();
    return bytes;
}

std::u32string TextStream::ReadText() {
    if (!open_ || type_ != Type::Text || !charsetValid_) {
        return {};
    }
    std::string_view source(buffer_);
    source.remove_prefix(position_);
    if (position_ == 0 && !bom_.empty() && source.starts_with(bom_)) {
        source.remove_prefix(bom_.size());
    }
    CharsetConverter converter(charset_.c_str(), NativeUtf32());
    const char32_t replacementChar = U'\uFFFD';
    std::u32string text;
    converter.Convert(source, text,
                      std::string_view(reinterpret_cast<const char*>(&replacementChar), 4), 1);
    position_ = buffer_.size();
    return text;
}

bool TextStream::WriteText(std::u32string_view text) {
    if (!open_ || type_ != Type::Text || !charsetValid_) {
        return false;
    }
    CharsetConverter converter(NativeUtf32(), charset_.c_str());
    const char32_t questionChar = U'?';
    std::string question;
    if (!converter.Convert(std::string_view(reinterpret_cast<const char*>(&questionChar), 4),
                           question, {}, 4)) {
        return false;
    }
    buffer_.resize(position_);
    if (position_ == 0) {
        buffer_ += bom_;
    }
    // Two bytes a character fits Chinese in GBK exactly and ASCII twice over.
    converter.Convert(std::string_view(reinterpret_cast<const char*>(text.data()), text.size() * 4),
                      buffer_, question, 4, text.size() * 2 + 16);
    position_ = buffer_.size();
    return true;
}

}  // namespace cq::platform
