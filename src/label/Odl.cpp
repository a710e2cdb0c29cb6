// SPDX-License-Identifier: BSD-3-Clause
#include "label/Odl.h"

#include <algorithm>
#include <cctype>
#include <charconv>
#include <cstdlib>

#include "label/TextTools.h"

namespace skeldra {

std::string OdlValue::word() const { return upperTrimmed(text); }

const OdlValue* OdlObject::find(std::string_view key) const
{
    for (const OdlStatement& statement : statements)
        if (statement.key == key) return &statement.value;
    return nullptr;
}

namespace {

bool isKeyStart(char c) { return std::isalpha(static_cast<unsigned char>(c)) != 0 || c == '^'; }
bool isKeyChar(char c) { return std::isalnum(static_cast<unsigned char>(c)) != 0 || c == '_' || c == ':'; }
bool isDigit(char c) { return c >= '0' && c <= '9'; }

// Integer, based integer or real, or nothing when the word is not a number.
bool classifyNumber(OdlValue& value)
{
    const std::string& w = value.text;
    std::size_t i = 0;
    bool negative = false;
    if (i < w.size() && (w[i] == '+' || w[i] == '-')) negative = w[i++] == '-';
    const std::size_t digitsStart = i;
    while (i < w.size() && isDigit(w[i])) ++i;
    const std::size_t intDigits = i - digitsStart;

    if (intDigits > 0 && i < w.size() && w[i] == '#') {  // radix#digits#
        int radix = 0;
        const char* radixEnd = w.data() + i;
        if (std::from_chars(w.data() + digitsStart, radixEnd, radix).ptr != radixEnd) return false;
        const std::size_t close = w.find('#', i + 1);
        if (radix < 2 || radix > 16 || close != w.size() - 1 || close == i + 1) return false;
        uint64_t bits = 0;
        const char* first = w.data() + i + 1;
        const auto [end, error] = std::from_chars(first, w.data() + close, bits, radix);
        if (error != std::errc() || end != w.data() + close) return false;
        value.kind = OdlValue::Kind::Integer;
        value.based = true;
        value.integer = static_cast<int64_t>(negative ? 0 - bits : bits);  // the pattern, wrapped like the type
        value.real = static_cast<long double>(value.integer);
        return true;
    }
    bool isReal = false;
    std::size_t fracDigits = 0;
    if (i < w.size() && w[i] == '.') {
        isReal = true;
        const std::size_t fracStart = ++i;
        while (i < w.size() && isDigit(w[i])) ++i;
        fracDigits = i - fracStart;
    }
    if (intDigits + fracDigits == 0) return false;
    if (i < w.size() && (w[i] == 'E' || w[i] == 'e')) {
        isReal = true;
        ++i;
        if (i < w.size() && (w[i] == '+' || w[i] == '-')) ++i;
        const std::size_t expStart = i;
        while (i < w.size() && isDigit(w[i])) ++i;
        if (i == expStart) return false;
    }
    if (i != w.size()) return false;
    if (isReal) {
        value.real = std::strtold(w.c_str(), nullptr);
        value.kind = OdlValue::Kind::Real;
        return true;
    }
    const auto [end, error] = std::from_chars(w.data() + (w[0] == '+' ? 1 : 0), w.data() + w.size(), value.integer);
    if (error != std::errc() || end != w.data() + w.size()) return false;
    value.real = static_cast<long double>(value.integer);  // exact: the mantissa holds 64 bits
    value.kind = OdlValue::Kind::Integer;
    return true;
}

class OdlParser {
public:
    OdlParser(std::string_view text, bool requireEnd) : text_(text), requireEnd_(requireEnd) {}

    OdlLabel parse()
    {
        OdlLabel label;
        const bool ended = parseBody(label.root, "");
        if (!ended && requireEnd_) fail("the label has no END");
        label.endOffset = ended ? endOfLine(pos_) : text_.size();
        return label;
    }

private:
    // Counts one level of nesting for its lifetime.
    class Nesting {
    public:
        explicit Nesting(OdlParser& parser) : parser_(parser)
        {
            if (++parser_.depth_ > labelNestingLimit) parser_.fail(tooDeeplyNested);
        }
        ~Nesting() { --parser_.depth_; }
        Nesting(const Nesting&) = delete;
        Nesting& operator=(const Nesting&) = delete;

    private:
        OdlParser& parser_;
    };

    // Statements up to END_<kind> (true when END ended the label instead)
    // or, for the whole label, up to END or the end of the text.
    bool parseBody(OdlObject& object, const std::string& kind)
    {
        for (;;) {
            skipBlanks();
            if (atEnd()) {
                if (!kind.empty()) fail("END_" + kind + " missing for " + object.name);
                return false;
            }
            const int line = lineAt(pos_);
            const std::string key = readKey();
            if (key == "END" && !nextIsEquals()) {
                if (!kind.empty()) fail("END inside " + kind + " " + object.name);
                return true;
            }
            if (!kind.empty() && key == "END_" + kind) {
                if (nextIsEquals()) {
                    expect('=');
                    const std::string name = upperTrimmed(readValue().text);
                    if (name != object.name)
                        fail("END_" + kind + " = " + name + " closes " + kind + " " + object.name);
                }
                return false;
            }
            if (key == "END_OBJECT" || key == "END_GROUP") fail(key + " without its OBJECT or GROUP");
            expect('=');
            if (key == "OBJECT" || key == "GROUP") {
                const Nesting nesting(*this);
                OdlObject child;
                child.kind = key;
                child.name = upperTrimmed(readValue().text);
                parseBody(child, key);
                object.children.push_back(std::move(child));
                continue;
            }
            object.statements.push_back(OdlStatement{key, readValue(), line});
        }
    }

    OdlValue readValue()
    {
        const Nesting nesting(*this);
        skipBlanks();
        if (atEnd()) fail("a value is missing at the end of the label");
        const char c = text_[pos_];
        if (c == '(') return readList('(', ')', OdlValue::Kind::Sequence);
        if (c == '{') return readList('{', '}', OdlValue::Kind::Set);
        OdlValue value;
        if (c == '"' || c == '\'') {
            value.kind = c == '"' ? OdlValue::Kind::Text : OdlValue::Kind::Symbol;
            value.text = readQuoted(c);
        } else {
            value.text = readBareWord();
            if (!classifyNumber(value)) value.kind = OdlValue::Kind::Symbol;
        }
        readUnit(value);
        return value;
    }

    OdlValue readList(char open, char close, OdlValue::Kind kind)
    {
        OdlValue list;
        list.kind = kind;
        expect(open);
        skipBlanks();
        if (peek() == close) {
            ++pos_;
            return list;
        }
        for (;;) {
            list.items.push_back(readValue());
            skipBlanks();
            if (peek() == close) {
                ++pos_;
                return list;
            }
            expect(',');
        }
    }

    std::string readQuoted(char quote)
    {
        const std::size_t start = ++pos_;
        const std::size_t close = text_.find(quote, start);
        if (close == std::string_view::npos) fail(std::string("unterminated ") + quote + " quote");
        pos_ = close + 1;
        return std::string(text_.substr(start, close - start));
    }

    std::string readBareWord()
    {
        const std::size_t start = pos_;
        while (!atEnd()) {
            const char c = text_[pos_];
            if (std::isspace(static_cast<unsigned char>(c)) || c == ',' || c == ')' || c == '}' || c == '<' ||
                c == '(' || c == '{' || c == '"' || c == '=' || startsComment(pos_))
                break;
            ++pos_;
        }
        if (pos_ == start) fail(std::string("unexpected \"") + text_[pos_] + "\"");
        return std::string(text_.substr(start, pos_ - start));
    }

    void readUnit(OdlValue& value)
    {
        std::size_t p = pos_;
        while (p < text_.size() && (text_[p] == ' ' || text_[p] == '\t')) ++p;
        if (p >= text_.size() || text_[p] != '<') return;
        const std::size_t close = text_.find('>', p);
        if (close == std::string_view::npos) fail("unterminated unit");
        value.unit = upperTrimmed(std::string(text_.substr(p + 1, close - p - 1)));
        pos_ = close + 1;
    }

    std::string readKey()
    {
        if (!isKeyStart(peek())) fail(std::string("a keyword was expected, not \"") + peek() + "\"");
        const std::size_t start = pos_++;
        while (!atEnd() && isKeyChar(text_[pos_])) ++pos_;
        return upperTrimmed(std::string(text_.substr(start, pos_ - start)));
    }

    // Blanks, line ends and comments. A comment not closed on its own line
    // ends at the line end: real labels contain such.
    void skipBlanks()
    {
        while (!atEnd()) {
            const char c = text_[pos_];
            if (std::isspace(static_cast<unsigned char>(c))) {
                ++pos_;
            } else if (startsComment(pos_)) {
                const std::size_t eol = endOfLine(pos_);
                const std::size_t close = text_.substr(0, eol).find("*/", pos_ + 2);
                pos_ = close != std::string_view::npos ? close + 2 : eol;
            } else {
                return;
            }
        }
    }

    bool nextIsEquals()
    {
        std::size_t p = pos_;
        while (p < text_.size() && (text_[p] == ' ' || text_[p] == '\t')) ++p;
        return p < text_.size() && text_[p] == '=';
    }

    void expect(char c)
    {
        skipBlanks();
        if (peek() != c) fail(std::string("\"") + c + "\" expected");
        ++pos_;
    }

    bool startsComment(std::size_t p) const
    {
        return p + 1 < text_.size() && text_[p] == '/' && text_[p + 1] == '*';
    }
    std::size_t endOfLine(std::size_t p) const
    {
        const std::size_t eol = text_.find('\n', p);
        return eol == std::string_view::npos ? text_.size() : eol + 1;
    }
    // Line numbers are counted on from the last position asked for, which
    // only moves forward, so that numbering every statement stays linear.
    int lineAt(std::size_t p) const
    {
        if (p < countedTo_) {
            countedTo_ = 0;
            linesBefore_ = 0;
        }
        const auto from = text_.begin() + static_cast<std::ptrdiff_t>(countedTo_);
        linesBefore_ += std::count(from, text_.begin() + static_cast<std::ptrdiff_t>(p), '\n');
        countedTo_ = p;
        return 1 + static_cast<int>(linesBefore_);
    }
    bool atEnd() const { return pos_ >= text_.size(); }
    char peek() const { return atEnd() ? '\0' : text_[pos_]; }

    [[noreturn]] void fail(const std::string& what) const
    {
        throw OdlError("line " + std::to_string(lineAt(std::min(pos_, text_.size()))) + ": " + what);
    }

    std::string_view text_;
    bool requireEnd_;
    std::size_t pos_ = 0;
    int depth_ = 0;
    mutable std::size_t countedTo_ = 0;
    mutable std::ptrdiff_t linesBefore_ = 0;
};

}  // namespace

OdlLabel parseOdl(std::string_view text, bool requireEnd) { return OdlParser(text, requireEnd).parse(); }

}  // namespace skeldra
