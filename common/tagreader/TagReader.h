// A very small reader for the tagged update-control files. It is deliberately not an XML
// parser: names match as prefixes, any character may delimit an attribute value and element
// text comes back byte for byte. Files written by older installations rely on exactly these
// rules, so they must not be "improved".
#pragma once

#include <map>
#include <string>
#include <string_view>

namespace ovix::tagreader {

class CTagReader {
public:
    // Takes `doc` when it begins with "<" + root at its very first byte; otherwise keeps what
    // it had (a fresh reader stays empty and every lookup fails).
    bool SetDoc(std::string_view doc, std::string_view root);

    // Finds the element named by a "/"-separated path and loads its attributes and text.
    // 0 when found, -1 when not.
    int FindElem(std::string_view path);

    // 0 and the value when the element last found carries `name`, else -1.
    int GetAttrib(const std::string& name, std::string& value) const;

    // Text of the element last found; empty after a failed lookup and for an empty element.
    const std::string& GetData() const { return m_data; }

private:
    bool Descend(std::string_view& scope, std::string_view name) const;
    bool Leaf(std::string_view scope, std::string_view name);
    bool ParseAttributes(std::string_view attributeText);

    std::string m_root;
    std::string m_doc;
    std::string m_data;                            // text of the last element found
    std::map<std::string, std::string> m_attribs;  // attributes of the last element found
};

}  // namespace ovix::tagreader
