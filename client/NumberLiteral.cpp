#include "client/NumberLiteral.hpp"

#include <charconv>
#include <cmath>
#include <limits>

namespace vf {

namespace {

bool isWhite(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\f' || c == '\r'; }
bool isDigit(char c) { return c >= '0' && c <= '9'; }

int hexValue(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

// Cursor over the text; reading past the end yields '\0', which fits nothing.
struct Cursor {
    std::string_view text;
    size_t pos = 0;
    char peek(size_t ahead = 0) const { return pos + ahead < text.size() ? text[pos + ahead] : '\0'; }
};

// Skips white space and reads an optional sign; true when negative.
bool readPrefix(Cursor& c)
{
    while (isWhite(c.peek()))
        ++c.pos;
    if (c.peek() == '+' || c.peek() == '-')
        return c.text[c.pos++] == '-';
    return false;
}

bool atInfinity(const Cursor& c)
{
    auto lower = [](char ch) { return ch >= 'A' && ch <= 'Z' ? static_cast<char>(ch - 'A' + 'a') : ch; };
    return lower(c.peek()) == 'i' && lower(c.peek(1)) == 'n' && lower(c.peek(2)) == 'f';
}

bool atHexPrefix(const Cursor& c) { return c.peek() == '0' && (c.peek(1) == 'x' || c.peek(1) == 'X') && hexValue(c.peek(2)) >= 0; }

double readHexFloat(Cursor& c)
{
    c.pos += 2;
    double mantissa = 0.0;
    int exponent = 0;
    while (hexValue(c.peek()) >= 0)
        mantissa = mantissa * 16.0 + hexValue(c.text[c.pos++]);
    if (c.peek() == '.') {
        ++c.pos;
        while (hexValue(c.peek()) >= 0) {
            mantissa = mantissa * 16.0 + hexValue(c.text[c.pos++]);
            exponent -= 4;
        }
    }
    if (c.peek() == 'p' || c.peek() == 'P') {
        size_t save = c.pos++;
        bool negative = false;
        if (c.peek() == '+' || c.peek() == '-')
            negative = c.text[c.pos++] == '-';
        if (!isDigit(c.peek())) {
            c.pos = save; // a lone 'p' is not part of the number
        } else {
            int e = 0;
            while (isDigit(c.peek())) {
                if (e < 100000)
                    e = e * 10 + (c.text[c.pos] - '0');
                ++c.pos;
            }
            exponent += negative ? -e : e;
        }
    }
    return std::ldexp(mantissa, exponent);
}

double readDecimalFloat(Cursor& c)
{
    // Copy the accepted characters so that the conversion sees exactly the
    // literal; longer texts than 127 bytes are refused before we get here.
    char literal[160];
    size_t n = 0;
    bool anyDigit = false;
    while (isDigit(c.peek()) && n < 130) {
        literal[n++] = c.text[c.pos++];
        anyDigit = true;
    }
    if (c.peek() == '.') {
        ++c.pos;
        literal[n++] = '.';
        while (isDigit(c.peek()) && n < 140) {
            literal[n++] = c.text[c.pos++];
            anyDigit = true;
        }
    }
    if (!anyDigit)
        return 0.0;
    if (c.peek() == 'e' || c.peek() == 'E') {
        size_t save = c.pos;
        size_t saveN = n;
        literal[n++] = 'e';
        ++c.pos;
        if (c.peek() == '+' || c.peek() == '-')
            literal[n++] = c.text[c.pos++];
        if (!isDigit(c.peek())) {
            c.pos = save;
            n = saveN;
        } else {
            while (isDigit(c.peek()) && n < sizeof literal)
                literal[n++] = c.text[c.pos++];
        }
    }
    double value = 0.0;
    auto result = std::from_chars(literal, literal + n, value, std::chars_format::general);
    if (result.ec == std::errc::result_out_of_range) {
        // Too large or too small for a double: pick the side from the exponent sign.
        bool tiny = false;
        for (size_t i = 0; i + 1 < n; ++i)
            if (literal[i] == 'e')
                tiny = literal[i + 1] == '-';
        return tiny ? 0.0 : std::numeric_limits<double>::infinity();
    }
    return value;
}

} // namespace

double readFloatLiteral(std::string_view text)
{
    Cursor c{text};
    bool negative = readPrefix(c);
    // printf shows an infinite value (a gain at its bottom) as "inf"; reading it
    // as 0 would turn the text "-inf" dB into full gain.
    if (atInfinity(c))
        return negative ? -std::numeric_limits<double>::infinity() : std::numeric_limits<double>::infinity();
    double v = atHexPrefix(c) ? readHexFloat(c) : readDecimalFloat(c);
    return negative ? -v : v;
}

int32_t readIntegerLiteral(std::string_view text)
{
    Cursor c{text};
    bool negative = readPrefix(c);
    int64_t v = 0;
    constexpr int64_t saturated = int64_t{1} << 40; // far beyond 32 bits, far below overflow
    if (atHexPrefix(c)) {
        c.pos += 2;
        while (hexValue(c.peek()) >= 0) {
            v = v * 16 + hexValue(c.text[c.pos++]);
            if (v > saturated)
                v = saturated;
        }
    } else {
        while (isDigit(c.peek())) {
            v = v * 10 + (c.text[c.pos++] - '0');
            if (v > saturated)
                v = saturated;
        }
    }
    if (negative)
        v = -v;
    if (v > std::numeric_limits<int32_t>::max())
        return std::numeric_limits<int32_t>::max();
    if (v < std::numeric_limits<int32_t>::min())
        return std::numeric_limits<int32_t>::min();
    return static_cast<int32_t>(v);
}

} // namespace vf
