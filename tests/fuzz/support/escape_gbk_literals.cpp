// escape_gbk_literals IN OUT: copies a C++ source, writing every non-ASCII
// character of its narrow string literals as \x escapes of its GB18030 bytes.
//
// The core modules keep their narrow literals in the program's code page, which
// g++ gives them with -fexec-charset. clang knows no execution charset but UTF-8,
// so the fuzz build compiles copies made by this tool instead; the copies mean
// byte for byte what g++ makes of the originals. Comments, u8/u/U/L literals and
// everything outside literals pass unchanged. A raw string or character literal
// holding non-ASCII text cannot be escaped faithfully and stops the build.

#include <iconv.h>

#include <cerrno>
#include <cstdio>
#include <fstream>
#include <iostream>
#include <sstream>
#include <string>

namespace {

bool IsIdentifierChar(char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '_';
}

bool IsHexDigit(char c) {
    return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F');
}

bool IsAscii(char c) {
    return static_cast<unsigned char>(c) < 0x80;
}

// The identifier characters right before position `at` (a literal's prefix).
std::string PrefixBefore(const std::string& source, std::size_t at) {
    std::size_t begin = at;
    while (begin > 0 && IsIdentifierChar(source[begin - 1])) {
        --begin;
    }
    return source.substr(begin, at - begin);
}

bool ToGb18030(const std::string& utf8, std::string* out) {
    iconv_t cd = iconv_open("GB18030", "UTF-8");
    if (cd == reinterpret_cast<iconv_t>(-1)) {
        return false;
    }
    std::string buffer(utf8.size() * 4 + 8, '\0');
    char* in = const_cast<char*>(utf8.data());
    std::size_t inLeft = utf8.size();
    char* dst = buffer.data();
    std::size_t dstLeft = buffer.size();
    const bool ok =
        iconv(cd, &in, &inLeft, &dst, &dstLeft) != static_cast<std::size_t>(-1) && inLeft == 0;
    iconv_close(cd);
    buffer.resize(buffer.size() - dstLeft);
    *out = buffer;
    return ok;
}

class Escaper {
public:
    Escaper(std::string source, std::string name)
        : in_(std::move(source)), name_(std::move(name)) {}

    bool Run() {
        while (at_ < in_.size()) {
            const char c = in_[at_];
            if (c == '/' && Next() == '/') {
                CopyUntil("\n");
            } else if (c == '/' && Next() == '*') {
                CopyUntil("*/");
            } else if (c == '"') {
                if (!Literal()) {
                    return false;
                }
            } else if (c == '\'' && StartsCharacterLiteral()) {
                if (!CharacterLiteral()) {
                    return false;
                }
            } else {
                out_ += c;
                ++at_;
            }
        }
        return true;
    }

    const std::string& Output() const { return out_; }

private:
    char Next() const { return at_ + 1 < in_.size() ? in_[at_ + 1] : '\0'; }

    // A ' after an identifier or a number is a digit separator (1'000), unless what
    // precedes it is a character literal's prefix.
    bool StartsCharacterLiteral() const {
        const std::string prefix = PrefixBefore(in_, at_);
        return prefix.empty() || prefix == "u8" || prefix == "u" || prefix == "U" || prefix == "L";
    }

    void CopyUntil(const char* end) {
        const std::size_t found = in_.find(end, at_ + 2);
        const std::size_t stop =
            found == std::string::npos ? in_.size() : found + std::char_traits<char>::length(end);
        out_.append(in_, at_, stop - at_);
        at_ = stop;
    }

    bool Fail(const char* what) {
        std::size_t line = 1;
        for (std::size_t i = 0; i < at_ && i < in_.size(); ++i) {
            line += in_[i] == '\n' ? 1 : 0;
        }
        std::cerr << name_ << ":" << line << ": " << what << "\n";
        return false;
    }

    bool Literal() {
        const std::string prefix = PrefixBefore(in_, at_);
        if (!prefix.empty() && prefix.back() == 'R') {
            return RawLiteral();
        }
        const bool narrow = prefix != "u8" && prefix != "u" && prefix != "U" && prefix != "L";
        out_ += in_[at_++];  // the opening quote
        while (at_ < in_.size()) {
            const char c = in_[at_];
            if (c == '\\') {
                out_.append(in_, at_, 2);
                at_ += 2;
            } else if (c == '"') {
                out_ += c;
                ++at_;
                return true;
            } else if (c == '\n') {
                return Fail("string literal without its closing quote");
            } else if (!IsAscii(c) && narrow) {
                if (!EscapeRun()) {
                    return false;
                }
            } else {
                out_ += c;
                ++at_;
            }
        }
        return Fail("string literal without its closing quote");
    }

    bool EscapeRun() {
        std::size_t end = at_;
        while (end < in_.size() && !IsAscii(in_[end])) {
            ++end;
        }
        std::string bytes;
        if (!ToGb18030(in_.substr(at_, end - at_), &bytes)) {
            return Fail("a literal that is not UTF-8");
        }
        static constexpr char kHex[] = "0123456789abcdef";
        for (unsigned char b : bytes) {
            out_ += "\\x";
            out_ += kHex[b >> 4];
            out_ += kHex[b & 0xF];
        }
        at_ = end;
        // A hex digit right after an escape would join it; a new literal piece ends it.
        if (at_ < in_.size() && IsHexDigit(in_[at_])) {
            out_ += "\"\"";
        }
        return true;
    }

    bool RawLiteral() {
        const std::size_t open = in_.find('(', at_);
        if (open == std::string::npos) {
            return Fail("raw string literal without its opening parenthesis");
        }
        const std::string close = ")" + in_.substr(at_ + 1, open - at_ - 1) + "\"";
        const std::size_t found = in_.find(close, open);
        if (found == std::string::npos) {
            return Fail("raw string literal without its end");
        }
        const std::size_t stop = found + close.size();
        for (std::size_t i = at_; i < stop; ++i) {
            if (!IsAscii(in_[i])) {
                at_ = i;
                return Fail("non-ASCII text in a raw string literal cannot be escaped");
            }
        }
        out_.append(in_, at_, stop - at_);
        at_ = stop;
        return true;
    }

    bool CharacterLiteral() {
        out_ += in_[at_++];
        while (at_ < in_.size()) {
            const char c = in_[at_];
            if (c == '\\') {
                out_.append(in_, at_, 2);
                at_ += 2;
                continue;
            }
            if (!IsAscii(c)) {
                return Fail("non-ASCII text in a character literal cannot be escaped");
            }
            out_ += c;
            ++at_;
            if (c == '\'' || c == '\n') {
                return true;
            }
        }
        return true;
    }

    std::string in_;
    std::string name_;
    std::string out_;
    std::size_t at_ = 0;
};

}  // namespace

int main(int argc, char** argv) {
    if (argc != 3) {
        std::cerr << "usage: escape_gbk_literals IN OUT\n";
        return 2;
    }
    std::ifstream in(argv[1], std::ios::binary);
    if (!in) {
        std::cerr << "escape_gbk_literals: cannot read " << argv[1] << "\n";
        return 1;
    }
    std::ostringstream source;
    source << in.rdbuf();
    Escaper escaper(source.str(), argv[1]);
    if (!escaper.Run()) {
        return 1;
    }
    // Diagnostics and __FILE__ name the original.
    const std::string text = "#line 1 \"" + std::string(argv[1]) + "\"\n" + escaper.Output();
    const std::string temporary = std::string(argv[2]) + ".part";
    {
        std::ofstream out(temporary, std::ios::binary | std::ios::trunc);
        out << text;
        if (!out) {
            std::cerr << "escape_gbk_literals: cannot write " << temporary << "\n";
            return 1;
        }
    }
    return std::rename(temporary.c_str(), argv[2]) == 0 ? 0 : 1;
}
