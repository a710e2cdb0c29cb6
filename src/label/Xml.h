// SPDX-License-Identifier: BSD-3-Clause
#pragma once
// A small strict XML reader, enough for PDS4 labels: the prolog, elements,
// attributes, text with the predefined and numeric entities, CDATA,
// comments and processing instructions. Namespace prefixes are dropped from
// names; no DTD is read.
//
// Failure: a text that is not well-formed XML raises LabelSyntaxError
// naming the line.
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "label/TextTools.h"

namespace skeldra {

struct XmlElement {
    std::string name;  // without a namespace prefix
    std::vector<std::pair<std::string, std::string>> attributes;
    std::string text;  // the element's own text, CDATA included
    std::vector<XmlElement> children;

    const XmlElement* child(std::string_view childName) const;
    std::vector<const XmlElement*> childrenNamed(std::string_view childName) const;
    // The trimmed text of the first child of that name; empty when absent.
    std::string childText(std::string_view childName) const;
    std::string attribute(std::string_view attributeName) const;
};

// The document's root element.
XmlElement parseXml(std::string_view text);

}  // namespace skeldra
