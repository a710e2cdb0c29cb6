// SPDX-License-Identifier: BSD-3-Clause
#include "label/Xml.h"

#include <algorithm>
#include <cctype>
#include <charconv>

namespace skeldra {

const XmlElement* XmlElement::child(std::string_view childName) const
{
    for (const XmlElement& element : children)
        if (element.name == childName) return &element;
    return nullptr;
}

std::vector<const XmlElement*> XmlElement::childrenNamed(std::string_view childName) const
{
    std::vector<const XmlElement*> found;
    for (const XmlElement& element : children)
        if (element.name == childName) found.push_back(&element);
    return found;
}

std::string XmlElement::childText(std::string_view childName) const
{
    const XmlElement* element = child(childName);
    return element ? trimmed(element->text) : std::string();
}

std::string XmlElement::attribute(std::string_view attributeName) const
{
    for (const auto& [key, value] : attributes)
        if (key == attributeName) return value;
    return {};
}

namespace {

bool isNameChar(char c)
{
    return std::isalnum(static_cast<unsigned char>(c)) || c == '_' || c == ':' || c == '-' || c == '.' ||
           static_cast<unsigned char>(c) >= 0x80;
}

std::string localName(const std::string& name)
{
    const std::size_t colon = name.rfind(':');
    return colon == std::string::npos ? name : name.substr(colon + 1);
}

void appendUtf8(std::string& out, uint32_t code)
{
    if (code < 0x80) {
        out += static_cast<char>(code);
    } else if (code < 0x800) {
        out += static_cast<char>(0xC0 | (code >> 6));
        out += static_cast<char>(0x80 | (code & 0x3F));
    } else if (code < 0x10000) {
        out += static_cast<char>(0xE0 | (code >> 12));
        out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (code & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (code >> 18));
        out += static_cast<char>(0x80 | ((code >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (code & 0x3F));
    }
}

class XmlParser {
public:
    explicit XmlParser(std::string_view text) : text_(text) {}

    XmlElement parse()
    {
        if (text_.substr(0, 3) == "\xEF\xBB\xBF") pos_ = 3;
        skipMisc();
        if (peek() != '<') fail("the document has no root element");
        XmlElement root = readElement();
        skipMisc();
        if (pos_ < text_.size()) fail("text after the root element");
        return root;
    }

private:
    // Blanks, comments, processing instructions and a DOCTYPE between elements.
    void skipMisc()
    {
        for (;;) {
            while (pos_ < text_.size() && std::isspace(static_cast<unsigned char>(text_[pos_]))) ++pos_;
            if (startsWith("<?")) skipPast("?>");
            else if (startsWith("<!--")) skipPast("-->");
            else if (startsWith("<!DOCTYPE")) skipDoctype();
            else return;
        }
    }

    XmlElement readElement()
    {
        expect('<');
        const std::string qualified = readName();
        XmlElement element;
        element.name = localName(qualified);
        readAttributes(element);
        if (startsWith("/>")) {
            pos_ += 2;
            return element;
        }
        expect('>');
        readContent(element);
        expect('<');
        expect('/');
        const std::string closing = readName();
        if (closing != qualified) fail("</" + closing + "> closes <" + qualified + ">");
        skipSpaces();
        expect('>');
        return element;
    }

    void readAttributes(XmlElement& element)
    {
        for (;;) {
            skipSpaces();
            if (peek() == '>' || startsWith("/>")) return;
            const std::string name = localName(readName());
            skipSpaces();
            expect('=');
            skipSpaces();
            const char quote = peek();
            if (quote != '"' && quote != '\'') fail("attribute " + name + " needs a quoted value");
            const std::size_t close = text_.find(quote, ++pos_);
            if (close == std::string_view::npos) fail("unterminated attribute value");
            element.attributes.emplace_back(name, decodeEntities(text_.substr(pos_, close - pos_)));
            pos_ = close + 1;
        }
    }

    // Text, CDATA, comments, processing instructions and child elements, up
    // to the closing tag.
    void readContent(XmlElement& element)
    {
        for (;;) {
            if (pos_ >= text_.size()) fail("<" + element.name + "> is not closed");
            if (startsWith("</")) return;
            if (startsWith("<!--")) {
                skipPast("-->");
            } else if (startsWith("<![CDATA[")) {
                const std::size_t close = text_.find("]]>", pos_ + 9);
                if (close == std::string_view::npos) fail("unterminated CDATA");
                element.text += text_.substr(pos_ + 9, close - pos_ - 9);
                pos_ = close + 3;
            } else if (startsWith("<?")) {
                skipPast("?>");
            } else if (peek() == '<') {
                if (++depth_ >= labelNestingLimit) fail(tooDeeplyNested);
                element.children.push_back(readElement());
                --depth_;
            } else {
                const std::size_t next = std::min(text_.find('<', pos_), text_.size());
                element.text += decodeEntities(text_.substr(pos_, next - pos_));
                pos_ = next;
            }
        }
    }

    std::string decodeEntities(std::string_view raw) const
    {
        std::string out;
        for (std::size_t i = 0; i < raw.size(); ++i) {
            if (raw[i] != '&') {
                out += raw[i];
                continue;
            }
            const std::size_t semicolon = raw.find(';', i);
            if (semicolon == std::string_view::npos) fail("\"&\" without \";\"");
            const std::string_view entity = raw.substr(i + 1, semicolon - i - 1);
            if (entity == "lt") out += '<';
            else if (entity == "gt") out += '>';
            else if (entity == "amp") out += '&';
            else if (entity == "quot") out += '"';
            else if (entity == "apos") out += '\'';
            else if (entity.size() > 1 && entity[0] == '#') appendUtf8(out, characterCode(entity));
            else fail("unknown entity &" + std::string(entity) + ";");
            i = semicolon;
        }
        return out;
    }

    uint32_t characterCode(std::string_view entity) const
    {
        const bool hex = entity[1] == 'x' || entity[1] == 'X';
        const std::string_view digits = entity.substr(hex ? 2 : 1);
        uint32_t code = 0;
        const auto [end, error] = std::from_chars(digits.data(), digits.data() + digits.size(), code, hex ? 16 : 10);
        if (digits.empty() || error != std::errc() || end != digits.data() + digits.size() || code > 0x10FFFF)
            fail("bad character reference &" + std::string(entity) + ";");
        return code;
    }

    std::string readName()
    {
        const std::size_t start = pos_;
        while (pos_ < text_.size() && isNameChar(text_[pos_])) ++pos_;
        if (pos_ == start) fail("a name was expected");
        return std::string(text_.substr(start, pos_ - start));
    }

    void skipDoctype()
    {
        const std::size_t bracket = text_.find('[', pos_);
        const std::size_t close = text_.find('>', pos_);
        if (bracket != std::string_view::npos && bracket < close) {
            pos_ = bracket;
            skipPast("]");
        }
        skipPast(">");
    }

    void skipPast(std::string_view marker)
    {
        const std::size_t found = text_.find(marker, pos_);
        if (found == std::string_view::npos) fail("\"" + std::string(marker) + "\" missing");
        pos_ = found + marker.size();
    }
    void skipSpaces()
    {
        while (pos_ < text_.size() && std::isspace(static_cast<unsigned char>(text_[pos_]))) ++pos_;
    }
    void expect(char c)
    {
        if (peek() != c) fail(std::string("\"") + c + "\" expected");
        ++pos_;
    }
    bool startsWith(std::string_view prefix) const { return text_.substr(pos_, prefix.size()) == prefix; }
    char peek() const { return pos_ < text_.size() ? text_[pos_] : '\0'; }

    [[noreturn]] void fail(const std::string& what) const
    {
        const auto end = text_.begin() + static_cast<std::ptrdiff_t>(std::min(pos_, text_.size()));
        const int line = 1 + static_cast<int>(std::count(text_.begin(), end, '\n'));
        throw LabelSyntaxError("line " + std::to_string(line) + ": " + what);
    }

    std::string_view text_;
    std::size_t pos_ = 0;
    int depth_ = 0;  // of the element being read below the root
};

}  // namespace

XmlElement parseXml(std::string_view text) { return XmlParser(text).parse(); }

}  // namespace skeldra
