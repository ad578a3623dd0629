#include "common/tagreader/TagReader.h"

#include <vector>

namespace ovix::tagreader {

namespace {

constexpr auto npos = std::string_view::npos;

// Text between `from` and `to`; empty when `to` lies before `from`.
std::string_view Between(std::string_view text, size_t from, size_t to) {
    if (from >= to || from > text.size()) {
        return {};
    }
    return text.substr(from, to - from);
}

std::string ClosingTag(std::string_view name) {
    std::string tag = "</";
    tag += name;
    tag += '>';
    return tag;
}

// Position of "<" + name in `scope`, and of the ">" that closes that opening tag.
struct OpeningTag {
    size_t start = npos;  // the "<"
    size_t end = npos;    // the ">"
};

OpeningTag FindOpeningTag(std::string_view scope, std::string_view name) {
    std::string open = "<";
    open += name;
    OpeningTag tag;
    tag.start = scope.find(open);
    if (tag.start != npos) {
        tag.end = scope.find('>', tag.start + open.size());
    }
    return tag;
}

bool EndsSelfClosed(std::string_view tagText) {
    return tagText.size() >= 2 && tagText.substr(tagText.size() - 2) == "/>";
}

// A path splits at every "/" after its first character.
std::vector<std::string_view> SplitPath(std::string_view path) {
    std::vector<std::string_view> names;
    size_t begin = 0;
    size_t slash = path.find('/', 1);
    while (slash != npos) {
        names.push_back(path.substr(begin, slash - begin));
        begin = slash + 1;
        slash = path.find('/', begin);
    }
    names.push_back(path.substr(begin));
    return names;
}

}  // namespace

bool CTagReader::SetDoc(std::string_view doc, std::string_view root) {
    if (doc.size() < root.size() + 1 || doc[0] != '<' || doc.substr(1, root.size()) != root) {
        return false;
    }
    m_root = root;
    m_doc = doc;
    return true;
}

int CTagReader::FindElem(std::string_view path) {
    m_attribs.clear();
    m_data.clear();
    std::string_view scope = m_doc;
    const auto names = SplitPath(path);
    for (size_t i = 0; i + 1 < names.size(); ++i) {
        if (!Descend(scope, names[i])) {
            return -1;
        }
    }
    if (!Leaf(scope, names.back())) {
        // Only what a successful lookup found may be handed out.
        m_attribs.clear();
        m_data.clear();
        return -1;
    }
    return 0;
}

int CTagReader::GetAttrib(const std::string& name, std::string& value) const {
    const auto it = m_attribs.find(name);
    if (it == m_attribs.end()) {
        return -1;
    }
    value = it->second;
    return 0;
}

bool CTagReader::Descend(std::string_view& scope, std::string_view name) const {
    const OpeningTag tag = FindOpeningTag(scope, name);
    if (tag.start == npos || tag.end == npos) {
        return false;
    }
    if (EndsSelfClosed(scope.substr(tag.start, tag.end - tag.start + 1))) {
        return true;  // an empty element leaves the scope as it was
    }
    const size_t close = scope.find(ClosingTag(name));
    if (close == npos) {
        return false;
    }
    scope = Between(scope, tag.end + 1, close);
    return true;
}

bool CTagReader::Leaf(std::string_view scope, std::string_view name) {
    const OpeningTag tag = FindOpeningTag(scope, name);
    if (tag.start == npos || tag.end == npos) {
        return false;
    }
    const size_t attributesStart = tag.start + 1 + name.size();
    const std::string_view attributeText =
        scope.substr(attributesStart, tag.end + 1 - attributesStart);
    if (!ParseAttributes(attributeText)) {
        return false;
    }
    if (EndsSelfClosed(attributeText)) {
        return true;
    }
    const size_t close = scope.find(ClosingTag(name));
    if (close == npos) {
        return false;
    }
    m_data = Between(scope, tag.end + 1, close);
    return true;
}

// name=dvalued pairs where d is whatever character follows the "=". A name runs from the
// character after the previous closing delimiter (after the first character of the text for
// the first attribute) to the "=", with its spaces dropped.
bool CTagReader::ParseAttributes(std::string_view text) {
    size_t equals = text.find('=');
    if (equals == 0) {
        return false;
    }
    size_t nameStart = 1;
    while (equals != npos) {
        if (equals + 1 >= text.size()) {
            return false;
        }
        const char delimiter = text[equals + 1];
        const size_t closing = text.find(delimiter, equals + 2);
        if (closing == npos) {
            return false;
        }
        std::string name;
        for (char c : Between(text, nameStart, equals)) {
            if (c != ' ') {
                name += c;
            }
        }
        m_attribs[name] = std::string(Between(text, equals + 2, closing));
        nameStart = closing + 1;
        equals = text.find('=', closing + 1);
    }
    return true;
}

}  // namespace ovix::tagreader
